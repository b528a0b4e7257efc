#include <GL/glew.h>

#include <cmath>

#include "scene/particles.h"
#include "scene/scene_internal.h"

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

void openPortals(Scene& scene) {
    for (const ScenePortal& portal : scene.portals) {
        if (portal.triggerHelper < 0 || !scene.helpers[std::size_t(portal.triggerHelper)].trigger) continue;
        for (int index : portal.revealedObjects) {
            SceneObject& object = scene.objects[std::size_t(index)];
            object.visible = true;
            object.notYetDrawn = false;
            for (int child : object.childObjects) scene.objects[std::size_t(child)].visible = true;
            for (int helper : object.childHelpers) scene.helpers[std::size_t(helper)].trigger = true;
        }
    }
}

void fireSceneHelpers(Scene& scene) {
    for (SceneHelper& entry : scene.helpers) {
        if (!entry.trigger) continue;
        // A helper fires once a frame, however many views see its parent.
        if (scene.drawingOtherView && entry.firedFrame == scene.frame) {
            entry.trigger = false;
            continue;
        }
        entry.firedFrame = scene.frame;
        const ModelHelper& helper = entry.helper;
        if (helper.kind == HelperKind::Light) {
            scene.helperLight = true;
            scene.helperLightPosition = helper.position;
        } else if (helper.kind == HelperKind::Emitter && scene.services.particles) {
            scene.services.particles->spawnEffect(helper.shortName, helper.worldPosition, helper.rotation);
        }
        entry.trigger = false;
    }
}

Frustum frustumFromMatrices(const float p[16], const float m[16]) {
    // clip = projection × model-view, both column-major: clip[c*4 + r].
    float clip[16];
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += p[k * 4 + r] * m[c * 4 + k];
            clip[c * 4 + r] = sum;
        }
    }
    const auto row = [&clip](int r, int c) { return clip[c * 4 + r]; };
    Frustum planes{};
    // Rows 1, 2, 3 against row 4: right, left, bottom, top, far, near.
    const int axis[6] = {0, 0, 1, 1, 2, 2};
    const float sign[6] = {-1, 1, 1, -1, -1, 1};
    for (int i = 0; i < 6; ++i) {
        for (int c = 0; c < 4; ++c)
            planes[std::size_t(i)][std::size_t(c)] = row(3, c) + sign[i] * row(axis[i], c);
        auto& plane = planes[std::size_t(i)];
        const float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        if (length > 0.0f) {
            for (float& v : plane) v /= length;
        }
    }
    return planes;
}

bool cubeOutsideFrustum(const Frustum& frustum, Vec3 c, float s) {
    for (const auto& plane : frustum) {
        bool anyInFront = false;
        for (int corner = 0; corner < 8 && !anyInFront; ++corner) {
            const float x = c.x + ((corner & 1) ? s : -s);
            const float y = c.y + ((corner & 2) ? s : -s);
            const float z = c.z + ((corner & 4) ? s : -s);
            if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] > 0.0f) anyInFront = true;
        }
        if (!anyInFront) return true;
    }
    return false;
}

void issueOcclusionQueries(Scene& scene) {
    // The boxes are black and added, so they change no pixel; with colour writes off a software
    // renderer also skips their blending, which costs as much as the rest of the room's models.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
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
    glDepthMask(GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}
