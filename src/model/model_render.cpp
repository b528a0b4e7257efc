#include "model/model_render.h"

#include <GL/glew.h>

namespace {

void drawLayerElements(const ModelNode& node) {
    glDrawElements(GL_TRIANGLES, node.indexCount, GL_UNSIGNED_INT, node.indices);
}

// One extra layer on the base layer's pixels: additive, unlit, no depth writes.
void drawExtraLayer(const ModelNode& node, unsigned texture, bool sphereMapped) {
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (sphereMapped) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    }
    glDepthFunc(GL_EQUAL);
    drawLayerElements(node);
    glEnable(GL_LIGHTING);
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    if (sphereMapped) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}

void drawMesh(const ModelNode& node) {
    const ModelMaterial& material = node.material;
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, material.diffuseTexture);
    const bool scrolled = material.scrollU != 0.0f || material.scrollV != 0.0f;
    if (scrolled) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslatef(node.textureOffsetU, -node.textureOffsetV, 0);
        glMatrixMode(GL_MODELVIEW);
    }
    glDisable(GL_CULL_FACE);
    glEnable(GL_ALPHA_TEST);
    drawLayerElements(node);
    if (material.hasReflection) drawExtraLayer(node, material.reflectionTexture, true);
    if (material.hasIllumination) drawExtraLayer(node, material.illuminationTexture, false);
    glEnable(GL_CULL_FACE);
    if (scrolled) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
}

void drawNode(const ModelInstance& instance, int nodeIndex, Vec3 parentPivot) {
    const ModelNode& node = instance.nodes[nodeIndex];
    const Vec3 offset = node.pivot - parentPivot;
    glTranslatef(offset.x, offset.y, offset.z);
    glMultMatrixf(node.drawMatrix.data());
    drawMesh(node);
    for (int child : node.children) drawNode(instance, child, node.pivot);
    glMultMatrixf(node.undoMatrix.data());
    glTranslatef(-offset.x, -offset.y, -offset.z);
}

}  // namespace

void renderInstance(const ModelInstance& instance) {
    for (std::size_t i = 0; i < instance.nodes.size(); ++i) {
        if (instance.nodes[i].name != kHullNodeName) continue;
        const Vec3 p = instance.position;
        glTranslatef(p.x, p.y, p.z);
        glMultMatrixf(rotationMatrix(instance.rotation).data());
        drawNode(instance, int(i), instance.nodes[i].pivot);
        glMultMatrixf(rotationMatrix(conjugate(instance.rotation)).data());
        glTranslatef(-p.x, -p.y, -p.z);
        return;
    }
}
