#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "model/model_render.h"
#include "model/vertex_pool.h"
#include "scene/particles.h"
#include "scene/scene_internal.h"

namespace {

// One more layer over the pixels the batch has just drawn, in the batch's state (blending on,
// lighting off): the same corners with the depth test equal and no depth writes, blended by
// `source` / `destination`. The depth test, depth writes and blend function are the batch's again
// afterwards.
void drawLayerOnSamePixels(const MeshBatch& batch, GLuint texture, GLenum source, GLenum destination) {
    glDepthMask(GL_FALSE);
    glBlendFunc(source, destination);
    glBindTexture(GL_TEXTURE_2D, texture);
    glDepthFunc(GL_EQUAL);
    glDrawArrays(GL_TRIANGLES, batch.firstCorner, batch.cornerCount);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
}

// Fog begins this far from the camera; nearer, the linear fog leaves every colour as it is.
constexpr float kFogStart = 2720.0f;

// The room's fog: linear, light grey, from kFogStart to 12600 units away. Only the view's opaque pass
// is fogged: the glass, the particles and the capture for a cut are drawn without it.
void setSceneFog() {
    glFogi(GL_FOG_MODE, GL_LINEAR);
    const GLfloat fogColour[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, 0.00001f);
    glFogf(GL_FOG_START, kFogStart);
    glFogf(GL_FOG_END, 12600.0f);
}

// A pass's state beyond the baseline: the pool bound, the view's camera loaded, blending on and the
// alpha test on with `alphaReference`, the fog's parameters when it is `fogged`. What each object and
// batch changes of it, it puts back.
void beginPass(const Scene& scene, View& view, float alphaReference, bool fogged) {
    if (scene.services.pool) scene.services.pool->bindPool();
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, alphaReference);
    if (fogged) setSceneFog();
    applyCamera(view);
}

// Back to the baseline (gl/gl_state.h); the camera stays loaded for the passes after it.
void endPass(const Scene& scene) {
    if (scene.services.pool) scene.services.pool->unbindPool();
    glDisable(GL_FOG);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
}

// How a pass treats the texture scroll of the animated models it draws: a pass that has just moved
// them on moves their scroll on too; otherwise the scroll moves on once a frame, with the first pass
// that draws the model.
enum class Scroll { WithTheFirstDrawing, MovedOn };

void drawAnimated(Scene& scene, SceneObject& object, Scroll scroll) {
    if (scene.services.pool) scene.services.pool->releaseBufferForClientArrays();
    const bool advance = scroll == Scroll::MovedOn || object.scrolledFrame != scene.frame;
    object.scrolledFrame = scene.frame;
    drawAnimatedModel(*object.animated, advance);
}

void drawLayeredPass(Scene& scene, View& view, const std::vector<int>& list, float alphaReference,
                     bool fogged, Scroll scroll) {
    SharedVertexPool* pool = scene.services.pool;
    beginPass(scene, view, alphaReference, fogged);
    if (fogged) glEnable(GL_FOG);
    for (int index : list) {
        SceneObject& object = scene.objects[std::size_t(index)];
        beginObjectLights(scene, object);
        ++view.drawnObjects;
        if (object.kind == SceneObjectKind::PlacedModel) {
            if (object.instance) renderInstance(*object.instance);
        } else if (object.kind == SceneObjectKind::AnimatedModel) {
            drawAnimated(scene, object, scroll);
        } else if (pool) {
            for (const MeshBatch& batch : object.batches) drawMeshBatch(scene, batch);
        }
        endObjectLights(scene, object);
    }
    endPass(scene);
}

// The pass with the same pictures as the layered one and less work for the renderer: opaque
// batches in one pass each and without blending (but for light-mapped ones whose own triangles tie),
// nearer objects first so the renderer can reject hidden pixels before shading them, batches outside
// the view left out, and no fog where it cannot reach.
void drawCombinedPass(Scene& scene, View& view, const std::vector<int>& list, float alphaReference,
                      bool fogged, Scroll scroll) {
    SharedVertexPool* pool = scene.services.pool;
    beginPass(scene, view, alphaReference, fogged);
    orderNearestFirst(scene, view, list);
    for (int index : view.drawOrder) {
        SceneObject& object = scene.objects[std::size_t(index)];
        const Vec3 toObject = object.centre - view.pose.position;
        const bool reachesFog = std::sqrt(dot(toObject, toObject)) + object.radius > kFogStart;
        if (fogged && reachesFog) {
            glEnable(GL_FOG);
        } else {
            glDisable(GL_FOG);
        }
        beginObjectLights(scene, object);
        ++view.drawnObjects;
        if (object.kind == SceneObjectKind::PlacedModel) {
            if (object.instance) renderInstance(*object.instance, LayerDrawing::Combined);
        } else if (object.kind == SceneObjectKind::AnimatedModel) {
            drawAnimated(scene, object, scroll);
        } else if (pool) {
            // The light map's coordinates come from the pool's buffer, which an animated model
            // (always drawn last) unbinds.
            const bool poolBound = !pool->bufferMode() || !pool->bufferReleased();
            for (const MeshBatch& batch : object.batches) {
                if (batchOutsideFrustum(view.frustum, batch)) continue;
                if (batch.opaque && poolBound && !batch.overlapsItself) {
                    drawOpaqueBatch(scene, batch);
                } else {
                    drawMeshBatch(scene, batch);
                }
            }
        }
        endObjectLights(scene, object);
    }
    endPass(scene);
}

void drawPass(Scene& scene, View& view, const std::vector<int>& list, float alphaReference, bool fogged,
              Scroll scroll = Scroll::WithTheFirstDrawing) {
    if (scene.services.layeredDrawing) {
        drawLayeredPass(scene, view, list, alphaReference, fogged, scroll);
    } else {
        drawCombinedPass(scene, view, list, alphaReference, fogged, scroll);
    }
}

constexpr float kOpaqueAlphaReference = 0.001f, kGlassAlphaReference = 0.00001f;

}  // namespace

void drawViewPass(Scene& scene, View& view, bool occlusionVariant) {
    if (!viewStarted(scene, view)) return;
    drawPass(scene, view, view.opaqueList, kOpaqueAlphaReference, true);
    if (occlusionVariant) issueOcclusionQueries(scene, view);
}

void drawGlassPass(Scene& scene, View& view) {
    if (!viewStarted(scene, view)) return;
    drawPass(scene, view, view.glassList, kGlassAlphaReference, false);
}

void drawCapturePass(Scene& scene, View& view, float dt) {
    if (!viewStarted(scene, view)) return;
    if (dt > 0.0f) {
        moveModels(scene, view, view.opaqueList, dt, false);
        drawPass(scene, view, view.opaqueList, kOpaqueAlphaReference, false, Scroll::MovedOn);
    } else {
        drawPass(scene, view, view.opaqueList, kOpaqueAlphaReference, false);
    }
}

void drawParticlesFacingLoadedCamera(const Scene& scene) {
    if (!scene.services.particles) return;
    float modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    scene.services.particles->renderFacing(modelView);
}

void drawMeshBatch(const Scene& scene, const MeshBatch& batch) {
    const SharedVertexPool* pool = scene.services.pool;
    const char* base = (pool && !pool->bufferMode()) ? reinterpret_cast<const char*>(pool->data()) : nullptr;

    // Room batches are drawn unlit: their light is in their textures and light maps.
    const bool lit = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    glDisable(GL_LIGHTING);
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
        glDepthMask(GL_FALSE);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
    glDrawArrays(GL_TRIANGLES, batch.firstCorner, batch.cornerCount);
    if (batch.additive) {
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
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
    }
    if (lit) glEnable(GL_LIGHTING);
}

void drawOpaqueBatch(const Scene& scene, const MeshBatch& batch) {
    const SharedVertexPool* pool = scene.services.pool;
    const char* base = (pool && !pool->bufferMode()) ? reinterpret_cast<const char*>(pool->data()) : nullptr;
    const bool lit = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    if (batch.twoSided) glDisable(GL_CULL_FACE);
    if (batch.hasLightMap) {
        // The light map first, on the pixels that already hold the batch's depth: where a surface
        // drawn earlier ties with the batch, the layered drawing darkens that surface by the
        // batch's map too, as its multiplying layer passes the equal test there.
        glTexCoordPointer(2, GL_FLOAT, GLsizei(kPoolStride), base + kPoolUv1Offset);
        drawLayerOnSamePixels(batch, batch.lightMapTexture, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR);
        glTexCoordPointer(2, GL_FLOAT, GLsizei(kPoolStride), base + kPoolUv0Offset);
    }
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, batch.diffuseTexture);
    if (batch.hasLightMap) {
        // diffuse × light map: the framebuffer darkened by the map, as the multiplying layer does.
        glActiveTexture(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, batch.lightMapTexture);
        glActiveTexture(GL_TEXTURE0);
        glClientActiveTexture(GL_TEXTURE1);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, GLsizei(kPoolStride), base + kPoolUv1Offset);
        glClientActiveTexture(GL_TEXTURE0);
    }
    glDrawArrays(GL_TRIANGLES, batch.firstCorner, batch.cornerCount);
    if (batch.hasLightMap) {
        // The second unit's coordinate array goes off with its texture: a software renderer builds a
        // vertex program for every set of arrays it meets, and an array left on that nothing reads
        // costs one more of them.
        glActiveTexture(GL_TEXTURE1);
        glDisable(GL_TEXTURE_2D);
        glActiveTexture(GL_TEXTURE0);
        glClientActiveTexture(GL_TEXTURE1);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glClientActiveTexture(GL_TEXTURE0);
    }
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    if (batch.twoSided) glEnable(GL_CULL_FACE);
    if (lit) glEnable(GL_LIGHTING);
}
