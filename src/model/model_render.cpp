#include "model/model_render.h"

#include <GL/glew.h>

namespace {

void drawLayerElements(const ModelNode& node) {
    glDrawElements(GL_TRIANGLES, node.indexCount, GL_UNSIGNED_INT, node.indices);
}

// One extra layer on the base layer's pixels: additive, unlit, no depth writes. The depth test and
// writes, the blend function, blending (off) and lighting (as `lit` says) are the base's again
// afterwards.
void drawExtraLayer(const ModelNode& node, unsigned texture, bool sphereMapped, bool lit) {
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (sphereMapped) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    }
    glDepthFunc(GL_EQUAL);
    drawLayerElements(node);
    if (lit) glEnable(GL_LIGHTING);
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    if (sphereMapped) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}

bool scrolls(const ModelMaterial& material) { return material.scrollU != 0.0f || material.scrollV != 0.0f; }

// The one extra layer a mesh can have drawn in the same pass as its base, on the second texture
// unit: its texel squared added to the lit base, which is what the additive (source colour, one)
// pass over the base's pixels gives. Only for an opaque texel (that pass also ran the alpha test)
// and an unscrolled base (that pass ran under the base's texture matrix).
struct SecondUnitLayer {
    unsigned texture = 0;
    bool sphereMapped = false;
};

bool secondUnitLayer(const ModelMaterial& material, SecondUnitLayer& layer) {
    if (material.hasReflection == material.hasIllumination || scrolls(material)) return false;
    if (!GLEW_ATI_texture_env_combine3) return false;
    if (material.hasReflection && material.reflectionOpaque) {
        layer = {material.reflectionTexture, true};
        return true;
    }
    if (material.hasIllumination && material.illuminationOpaque) {
        layer = {material.illuminationTexture, false};
        return true;
    }
    return false;
}

void beginSecondUnit(const SecondUnitLayer& layer) {
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, layer.texture);
    // texel × texel + previous, the previous alpha kept.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE_ADD_ATI);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    if (layer.sphereMapped) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        // The base's texture coordinates, from the array (and buffer) the pool bound for unit 0.
        GLvoid* pointer = nullptr;
        GLint stride = 0;
        glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &pointer);
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_STRIDE, &stride);
        glClientActiveTexture(GL_TEXTURE1);
        glTexCoordPointer(2, GL_FLOAT, stride, pointer);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glClientActiveTexture(GL_TEXTURE0);
    }
    glActiveTexture(GL_TEXTURE0);
}

void endSecondUnit(const SecondUnitLayer& layer) {
    glActiveTexture(GL_TEXTURE1);
    if (layer.sphereMapped) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    } else {
        glClientActiveTexture(GL_TEXTURE1);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glClientActiveTexture(GL_TEXTURE0);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
}

// Whether the camera stands outside the node's box, with room for the near plane: the part of a
// closed surface nearest the camera along any line of sight then faces it, so no back face can show.
// False when the model-view matrix mirrors (the winding would turn) or cannot be inverted.
bool cameraOutside(const ModelNode& node) {
    constexpr float kNearPlaneReach = 2.0f;  // the near plane is 1 away; its corners a little further
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // Columns of the linear part, and the camera's position: −A⁻¹ t, by the adjugate of A.
    const Vec3 c0{m[0], m[1], m[2]}, c1{m[4], m[5], m[6]}, c2{m[8], m[9], m[10]};
    const Vec3 t{m[12], m[13], m[14]};
    const float det = dot(c0, cross(c1, c2));
    if (!(det > 0.0f)) return false;
    const Vec3 r0 = cross(c1, c2), r1 = cross(c2, c0), r2 = cross(c0, c1);
    const Vec3 eye = Vec3{dot(r0, t), dot(r1, t), dot(r2, t)} * (-1.0f / det);
    return eye.x < node.boxMin.x - kNearPlaneReach || eye.x > node.boxMax.x + kNearPlaneReach ||
           eye.y < node.boxMin.y - kNearPlaneReach || eye.y > node.boxMax.y + kNearPlaneReach ||
           eye.z < node.boxMin.z - kNearPlaneReach || eye.z > node.boxMax.z + kNearPlaneReach;
}

// The mesh's base layer without blending (the alpha test drops what is transparent), then its extra
// layers. Blending stays off for the next mesh; culling and the alpha test are on again, the texture
// matrix identity.
void drawMesh(const ModelNode& node, LayerDrawing drawing, bool lit) {
    const ModelMaterial& material = node.material;
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, material.diffuseTexture);
    const bool scrolled = scrolls(material);
    if (scrolled) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslatef(node.textureOffsetU, -node.textureOffsetV, 0);
        glMatrixMode(GL_MODELVIEW);
    }
    glDisable(GL_CULL_FACE);
    SecondUnitLayer layer;
    if (drawing == LayerDrawing::Combined) {
        // An opaque texture passes the alpha test everywhere; without the test the renderer may
        // settle depth before it shades.
        if (material.diffuseOpaque) glDisable(GL_ALPHA_TEST);
        // Back faces of an opaque closed surface seen from outside always lie behind its front
        // faces.
        if (material.diffuseOpaque && node.closedOutward && cameraOutside(node)) glEnable(GL_CULL_FACE);
        const bool combined = secondUnitLayer(material, layer);
        if (combined) beginSecondUnit(layer);
        // The indices of a mesh are its consecutive pool range.
        glDrawArrays(GL_TRIANGLES, node.poolFirst, node.indexCount);
        glEnable(GL_ALPHA_TEST);
        if (combined) {
            endSecondUnit(layer);
        } else {
            if (material.hasReflection) drawExtraLayer(node, material.reflectionTexture, true, lit);
            if (material.hasIllumination) drawExtraLayer(node, material.illuminationTexture, false, lit);
        }
    } else {
        drawLayerElements(node);
        if (material.hasReflection) drawExtraLayer(node, material.reflectionTexture, true, lit);
        if (material.hasIllumination) drawExtraLayer(node, material.illuminationTexture, false, lit);
    }
    glEnable(GL_CULL_FACE);
    if (scrolled) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
}

void drawNode(const ModelInstance& instance, int nodeIndex, Vec3 parentPivot, LayerDrawing drawing,
              bool lit) {
    const ModelNode& node = instance.nodes[nodeIndex];
    const Vec3 offset = node.pivot - parentPivot;
    glTranslatef(offset.x, offset.y, offset.z);
    glMultMatrixf(node.drawMatrix.data());
    drawMesh(node, drawing, lit);
    for (int child : node.children) drawNode(instance, child, node.pivot, drawing, lit);
    glMultMatrixf(node.undoMatrix.data());
    glTranslatef(-offset.x, -offset.y, -offset.z);
}

}  // namespace

void renderInstance(const ModelInstance& instance, LayerDrawing drawing) {
    for (std::size_t i = 0; i < instance.nodes.size(); ++i) {
        if (instance.nodes[i].name != kHullNodeName) continue;
        const Vec3 p = instance.position;
        glTranslatef(p.x, p.y, p.z);
        glMultMatrixf(rotationMatrix(instance.rotation).data());
        drawNode(instance, int(i), instance.nodes[i].pivot, drawing, glIsEnabled(GL_LIGHTING) == GL_TRUE);
        glMultMatrixf(rotationMatrix(conjugate(instance.rotation)).data());
        glTranslatef(-p.x, -p.y, -p.z);
        glEnable(GL_BLEND);
        return;
    }
}
