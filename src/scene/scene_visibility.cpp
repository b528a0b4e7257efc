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

void resetSight(const Scene& scene, View& view) {
    view.sight.resize(scene.objects.size());
    for (ObjectSight& sight : view.sight) sight.visible = false;
    view.triggered.assign(scene.helpers.size(), 0);
}

void decideVisibility(Scene& scene, View& view, bool occlusionVariant) {
    applyCamera(view);
    const Vec3 eye = view.pose.position;
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const SceneObject& object = scene.objects[i];
        if (!object.root || !strictlyInside(object, eye)) continue;
        view.sight[i].visible = true;
        for (int child : object.childObjects) view.sight[std::size_t(child)].visible = true;
        for (int helper : object.childHelpers) view.triggered[std::size_t(helper)] = 1;
    }
    openPortals(scene, view);
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const SceneObject& object = scene.objects[i];
        ObjectSight& sight = view.sight[i];
        if (object.kind != SceneObjectKind::PlacedModel || !sight.visible) continue;
        if (occlusionVariant && sight.query) {
            // Until its first query has run, a model counts as seen.
            if (sight.queryIssued) {
                GLuint samples = 0;
                glGetQueryObjectuivARB(sight.query, GL_QUERY_RESULT_ARB, &samples);
                sight.visible = samples > 0 || queryBoxHoldsCamera(object, eye);
            }
        } else {
            sight.visible = !cubeOutsideFrustum(view.frustum, object.centre, object.size);
        }
    }
    fireSceneHelpers(scene, view);
    view.opaqueList.clear();
    view.glassList.clear();
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        if (!view.sight[i].visible) continue;
        (scene.objects[i].glass ? view.glassList : view.opaqueList).push_back(int(i));
    }
}

void openPortals(const Scene& scene, View& view) {
    for (const ScenePortal& portal : scene.portals) {
        if (portal.triggerHelper < 0 || !view.triggered[std::size_t(portal.triggerHelper)]) continue;
        for (int index : portal.revealedObjects) {
            const SceneObject& object = scene.objects[std::size_t(index)];
            view.sight[std::size_t(index)].visible = true;
            for (int child : object.childObjects) view.sight[std::size_t(child)].visible = true;
            for (int helper : object.childHelpers) view.triggered[std::size_t(helper)] = 1;
        }
    }
}

void fireSceneHelpers(Scene& scene, View& view) {
    for (std::size_t i = 0; i < scene.helpers.size(); ++i) {
        if (!view.triggered[i]) continue;
        view.triggered[i] = 0;
        SceneHelper& entry = scene.helpers[i];
        // A helper fires once a frame, however many views see its parent.
        if (entry.firedFrame == scene.frame) continue;
        entry.firedFrame = scene.frame;
        const ModelHelper& helper = entry.helper;
        if (helper.kind == HelperKind::Light) {
            scene.helperLight = true;
            scene.helperLightPosition = helper.position;
        } else if (helper.kind == HelperKind::Emitter && scene.services.particles) {
            scene.services.particles->spawnEffect(helper.shortName, helper.worldPosition, helper.rotation,
                                                  view.random, view.pose.position);
        }
    }
}

void issueOcclusionQueries(const Scene& scene, View& view) {
    // The boxes are black and added, so they change no pixel; with colour writes off a software
    // renderer also skips their blending, which costs as much as the rest of the room's models.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        const SceneObject& object = scene.objects[i];
        ObjectSight& sight = view.sight[i];
        if (object.kind != SceneObjectKind::PlacedModel || !sight.query) continue;
        if (object.parent < 0 || !view.sight[std::size_t(object.parent)].visible) continue;
        glBeginQueryARB(GL_SAMPLES_PASSED_ARB, sight.query);
        drawBox(object.centre, object.extent);
        glEndQueryARB(GL_SAMPLES_PASSED_ARB);
        sight.queryIssued = true;
    }
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}
