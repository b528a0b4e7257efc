#include <GL/glew.h>

#include <cmath>

#include "model/model_render.h"
#include "model/vertex_pool.h"
#include "scene/particles.h"
#include "scene/scene.h"

namespace {

bool strictlyInside(const SceneObject& object, Vec3 p) {
    return object.boxMin.x < p.x && p.x < object.boxMax.x && object.boxMin.y < p.y && p.y < object.boxMax.y &&
           object.boxMin.z < p.z && p.z < object.boxMax.z;
}

// Whether the camera is in (or within the near plane's reach of) a placed model's query box. Then
// the box's faces around the camera can all lie behind the walls and count no sample although the
// model stands right in front of the camera, so such a model is drawn whatever its query said.
bool queryBoxHoldsCamera(const SceneObject& object, Vec3 camera) {
    constexpr float kNearPlaneReach = 2.0f;  // the near plane is 1 away; its corners a little further
    const Vec3 h = object.extent * 0.5f;
    return std::fabs(camera.x - object.centre.x) <= h.x + kNearPlaneReach &&
           std::fabs(camera.y - object.centre.y) <= h.y + kNearPlaneReach &&
           std::fabs(camera.z - object.centre.z) <= h.z + kNearPlaneReach;
}

// A solid box of `extent` around `centre`, for the occlusion query of a placed model.
void drawBox(Vec3 centre, Vec3 extent) {
    const Vec3 h = extent * 0.5f;
    const float x0 = centre.x - h.x, x1 = centre.x + h.x, y0 = centre.y - h.y, y1 = centre.y + h.y;
    const float z0 = centre.z - h.z, z1 = centre.z + h.z;
    glBegin(GL_QUADS);
    glVertex3f(x0, y0, z0), glVertex3f(x1, y0, z0), glVertex3f(x1, y1, z0), glVertex3f(x0, y1, z0);
    glVertex3f(x0, y0, z1), glVertex3f(x1, y0, z1), glVertex3f(x1, y1, z1), glVertex3f(x0, y1, z1);
    glVertex3f(x0, y0, z0), glVertex3f(x1, y0, z0), glVertex3f(x1, y0, z1), glVertex3f(x0, y0, z1);
    glVertex3f(x0, y1, z0), glVertex3f(x1, y1, z0), glVertex3f(x1, y1, z1), glVertex3f(x0, y1, z1);
    glVertex3f(x0, y0, z0), glVertex3f(x0, y1, z0), glVertex3f(x0, y1, z1), glVertex3f(x0, y0, z1);
    glVertex3f(x1, y0, z0), glVertex3f(x1, y1, z0), glVertex3f(x1, y1, z1), glVertex3f(x1, y0, z1);
    glEnd();
}

// One more layer over the pixels the batch has just drawn: the same corners with the depth test
// equal, no depth writes and lighting off, blended by `source` / `destination`; the default blend,
// lighting, depth test and depth writes afterwards.
void drawLayerOnSamePixels(const MeshBatch& batch, GLuint texture, GLenum source, GLenum destination) {
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glBlendFunc(source, destination);
    glBindTexture(GL_TEXTURE_2D, texture);
    glDepthFunc(GL_EQUAL);
    glDrawArrays(GL_TRIANGLES, batch.firstCorner, batch.cornerCount);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LIGHTING);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
}

void issueOcclusionQueries(Scene& scene) {
    // The boxes are black and added, so they change no pixel; with colour writes off a software
    // renderer also skips their blending, which costs as much as the rest of the room's models.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_FOG);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    for (SceneObject& object : scene.objects) {
        if (object.kind != SceneObjectKind::PlacedModel || !object.query) continue;
        if (object.parent < 0 || !scene.objects[std::size_t(object.parent)].visible) continue;
        glBeginQueryARB(GL_SAMPLES_PASSED_ARB, object.query);
        drawBox(object.centre, object.extent);
        glEndQueryARB(GL_SAMPLES_PASSED_ARB);
        object.queryIssued = true;
    }
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void drawPass(Scene& scene, const std::vector<int>& list, float alphaReference, float dt) {
    SharedVertexPool* pool = scene.services.pool;
    if (pool) pool->bindPool();
    glColor4f(1, 1, 1, 1);
    glEnable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, alphaReference);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    applyCamera(scene);
    for (int index : list) {
        SceneObject& object = scene.objects[std::size_t(index)];
        beginObjectLights(scene, object);
        ++scene.drawCounter;
        if (object.kind == SceneObjectKind::PlacedModel) {
            updatePlacedModel(scene, object, dt);
        } else if (object.kind == SceneObjectKind::AnimatedModel) {
            if (pool) pool->releaseBufferForClientArrays();
            object.animated->modelMatrix.setTranslation(object.centre);
            updateAnimatedModel(*object.animated, dt);
            drawAnimatedModel(*object.animated);
        } else if (pool) {
            for (const MeshBatch& batch : object.batches) drawMeshBatch(scene, batch);
        }
        endObjectLights(scene, object);
    }
    if (pool) pool->unbindPool();
}

}  // namespace

void resetSceneFlags(Scene& scene) {
    for (SceneObject& object : scene.objects) {
        object.notYetDrawn = true;
        object.visible = false;
    }
}

void decideVisibility(Scene& scene, bool occlusionVariant) {
    applyCamera(scene);
    for (SceneObject& object : scene.objects) {
        if (!object.root || !strictlyInside(object, scene.view.position)) continue;
        object.visible = true;
        for (int child : object.childObjects) scene.objects[std::size_t(child)].visible = object.visible;
        for (int helper : object.childHelpers) scene.helpers[std::size_t(helper)].trigger = object.visible;
        object.notYetDrawn = false;
    }
    openPortals(scene);
    applyCamera(scene);
    for (SceneObject& object : scene.objects) {
        if (object.kind != SceneObjectKind::PlacedModel || !object.visible) continue;
        if (occlusionVariant && object.query) {
            // Until its first query has run, a model counts as seen.
            if (object.queryIssued) {
                GLuint samples = 0;
                glGetQueryObjectuivARB(object.query, GL_QUERY_RESULT_ARB, &samples);
                object.visible = samples > 0 || queryBoxHoldsCamera(object, scene.view.position);
            }
        } else {
            object.visible = !cubeOutsideFrustum(scene.frustum, object.centre, object.size);
        }
    }
    fireSceneHelpers(scene);
    scene.opaqueList.clear();
    scene.glassList.clear();
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const SceneObject& object = scene.objects[i];
        if (!object.visible) continue;
        (object.glass ? scene.glassList : scene.opaqueList).push_back(int(i));
    }
}

void drawScene(Scene& scene, float dt, bool occlusionVariant, bool* captureRequest) {
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    const GLfloat fogColour[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, 0.00001f);
    glFogf(GL_FOG_START, 2720.0f);
    glFogf(GL_FOG_END, 12600.0f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    const bool capture = updateCamera(scene, dt);
    if (captureRequest && capture) *captureRequest = true;
    if (scene.services.particles) scene.services.particles->setCameraPosition(scene.view.position);
    applyCamera(scene);

    scene.drawCounter = 0;
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_GREATER, 0.6f);
    glColor4f(1, 1, 1, 1);

    for (SceneObject& object : scene.objects) {
        if (object.keyAnimated) animateObject(object, dt);
    }
    decideVisibility(scene, occlusionVariant);
    drawOpaquePass(scene, dt);
    if (occlusionVariant) issueOcclusionQueries(scene);

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void drawOpaquePass(Scene& scene, float dt) { drawPass(scene, scene.opaqueList, 0.001f, dt); }

void drawGlassPass(Scene& scene, float dt) { drawPass(scene, scene.glassList, 0.00001f, dt); }

void drawMeshBatch(const Scene& scene, const MeshBatch& batch) {
    const SharedVertexPool* pool = scene.services.pool;
    const char* base = (pool && !pool->bufferMode()) ? reinterpret_cast<const char*>(pool->data()) : nullptr;

    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, batch.diffuseTexture);
    if (batch.hasReflection) {
        glBindTexture(GL_TEXTURE_2D, batch.reflectionTexture);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_GEN_R);
    }
    if (batch.twoSided) glDisable(GL_CULL_FACE);
    if (batch.additive) {
        glDisable(GL_LIGHTING);
        glEnable(GL_BLEND);
        glDepthMask(GL_FALSE);
        glColor4f(1, 1, 1, 1);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
    glDrawArrays(GL_TRIANGLES, batch.firstCorner, batch.cornerCount);
    if (batch.additive) {
        glEnable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDepthMask(GL_TRUE);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    // Added light: source colour × source colour on top.
    if (batch.hasIllumination) drawLayerOnSamePixels(batch, batch.illuminationTexture, GL_SRC_COLOR, GL_ONE);
    if (batch.hasLightMap) {
        glTexCoordPointer(2, GL_FLOAT, GLsizei(kPoolStride), base + kPoolUv1Offset);
        // Destination × light map: the framebuffer is darkened where the map is dark.
        drawLayerOnSamePixels(batch, batch.lightMapTexture, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR);
        glTexCoordPointer(2, GL_FLOAT, GLsizei(kPoolStride), base + kPoolUv0Offset);
    }
    if (batch.twoSided) glEnable(GL_CULL_FACE);
    if (batch.hasReflection) {
        glDisable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
    }
}
