// The views of the room on the monitors beside the primary. The Scene holds the primary's view; a
// further view's state lives in its CameraRig and is swapped in while that view is stepped or drawn,
// so every step and pass is the one the primary uses.

#include <GL/glew.h>

#include <algorithm>
#include <utility>

#include "model/model_render.h"
#include "scene/particles.h"
#include "scene/scene_internal.h"

namespace {

// The scene's view state and the shared random sequence for the rig's, and back.
class RigSwappedIn {
public:
    RigSwappedIn(Scene& scene, CameraRig& rig) : scene_(scene), rig_(rig) {
        swapCameraRig(scene_, rig_);
        scene_.drawingOtherView = true;
    }
    ~RigSwappedIn() {
        scene_.drawingOtherView = false;
        swapCameraRig(scene_, rig_);
    }
    RigSwappedIn(const RigSwappedIn&) = delete;
    RigSwappedIn& operator=(const RigSwappedIn&) = delete;

private:
    Scene& scene_;
    CameraRig& rig_;
};

// The models this view sees that no view has moved yet this frame move on now, in list order.
void moveWhatOnlyThisViewSees(Scene& scene, const std::vector<int>& list, float dt) {
    for (int index : list) {
        SceneObject& object = scene.objects[std::size_t(index)];
        if (object.posedFrame == scene.frame) continue;
        if (object.kind == SceneObjectKind::PlacedModel) {
            posePlacedModel(scene, object, dt);
        } else if (object.kind == SceneObjectKind::AnimatedModel) {
            object.animated->modelMatrix.setTranslation(object.centre);
            updateAnimatedModel(*object.animated, dt);
            object.posedFrame = scene.frame;
        }
    }
}

void drawParticlesFacingView(Scene& scene) {
    if (!scene.services.particles) return;
    float modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    scene.services.particles->renderFacing(modelView);
}

}  // namespace

void swapCameraRig(Scene& scene, CameraRig& rig) {
    std::swap(scene.currentCamera, rig.currentCamera);
    std::swap(scene.cameraBag, rig.cameraBag);
    std::swap(scene.cameraKey, rig.cameraKey);
    std::swap(scene.pathValue, rig.pathValue);
    std::swap(scene.pathEnded, rig.pathEnded);
    std::swap(scene.view, rig.view);
    std::swap(scene.frustum, rig.frustum);
    std::swap(scene.opaqueList, rig.opaqueList);
    std::swap(scene.glassList, rig.glassList);
    std::swap(scene.seedOffset, rig.seedOffset);
    std::swap(sharedRandom(), rig.random);
    const std::size_t count = std::min(scene.objects.size(), rig.visible.size());
    for (std::size_t i = 0; i < count; ++i) {
        SceneObject& object = scene.objects[i];
        const bool visible = object.visible, notYetDrawn = object.notYetDrawn, issued = object.queryIssued;
        object.visible = rig.visible[i] != 0;
        object.notYetDrawn = rig.notYetDrawn[i] != 0;
        object.queryIssued = rig.queryIssued[i] != 0;
        rig.visible[i] = visible;
        rig.notYetDrawn[i] = notYetDrawn;
        rig.queryIssued[i] = issued;
        std::swap(object.query, rig.queries[i]);
    }
}

void startCameraRig(Scene& scene, CameraRig& rig, int monitor, int monitorCount) {
    releaseCameraRig(rig);
    const std::size_t objects = scene.objects.size();
    rig.visible.assign(objects, 0);
    rig.notYetDrawn.assign(objects, 1);
    makeCameraRigQueries(scene, rig);
    rig.view = scene.view;
    rig.frustum = scene.frustum;
    // A prime step apart, so no two monitors' camera orders follow each other.
    rig.seedOffset = std::uint32_t(monitor) * 7919u;
    rig.currentCamera = scene.currentCamera;
    if (scene.cameras.empty() || scene.viewFixed) return;

    const std::vector<int> primaryCamera{scene.currentCamera};
    const RigSwappedIn swapped(scene, rig);
    scene.camerasInUse = &primaryCamera;
    refillCameraBag(scene);
    scene.currentCamera = chooseNextCamera(scene, false);
    scene.camerasInUse = nullptr;
    const SceneCamera& camera = scene.cameras[std::size_t(scene.currentCamera)];
    const int lastRunningKey = std::max(0, camera.keyCount() - 3);
    const int share = std::max(monitorCount, 1);
    scene.cameraKey = std::min(lastRunningKey, lastRunningKey * (monitor % share) / share);
    scene.pathValue = 0;
    scene.pathEnded = false;
    const std::size_t key = std::size_t(scene.cameraKey);
    scene.view.position = camera.positions[key];
    scene.view.orientation = camera.rotations[key];
    scene.view.fieldOfView = camera.fieldsOfView[key] * 57.32484f;
    scene.view.up = {0, 1, 0};
    scene.view.direction = {1, 0, 0};
}

void makeCameraRigQueries(Scene& scene, CameraRig& rig) {
    const std::size_t objects = scene.objects.size();
    rig.queryIssued.assign(objects, 0);
    rig.queries.assign(objects, 0);
    if (!scene.services.occlusionQueries) return;
    for (std::size_t i = 0; i < objects; ++i)
        if (!scene.objects[i].root) glGenQueriesARB(1, &rig.queries[i]);
}

void releaseCameraRigQueries(CameraRig& rig, bool contextGone) {
    for (unsigned& query : rig.queries) {
        if (query && !contextGone) glDeleteQueriesARB(1, &query);
        query = 0;
    }
    std::fill(rig.queryIssued.begin(), rig.queryIssued.end(), 0);
}

void releaseCameraRig(CameraRig& rig) {
    releaseCameraRigQueries(rig, false);
    rig = CameraRig{};
}

bool updateOtherView(Scene& scene, CameraRig& rig, float dt, bool occlusionVariant,
                     const std::vector<int>& camerasInUse) {
    if (rig.visible.size() != scene.objects.size()) return false;
    bool capture = false;
    {
        const RigSwappedIn swapped(scene, rig);
        scene.camerasInUse = &camerasInUse;
        capture = updateCamera(scene, dt);
        scene.camerasInUse = nullptr;
        if (scene.services.particles) scene.services.particles->setCameraPosition(scene.view.position);
        resetSceneFlags(scene);
        decideVisibility(scene, occlusionVariant);
        moveWhatOnlyThisViewSees(scene, scene.opaqueList, dt);
        moveWhatOnlyThisViewSees(scene, scene.glassList, dt);
    }
    // What the primary's particles are pulled to, and its camera in GL, as its frame left them.
    if (scene.services.particles) scene.services.particles->setCameraPosition(scene.view.position);
    applyCamera(scene);
    return capture;
}

void loadViewCamera(Scene& scene) { applyCamera(scene); }

void drawOtherView(Scene& scene, CameraRig& rig, bool occlusionVariant) {
    if (rig.visible.size() != scene.objects.size()) return;
    const RigSwappedIn swapped(scene, rig);
    applyCamera(scene);
    drawViewOpaquePass(scene, 0.0f);
    if (occlusionVariant) issueOcclusionQueries(scene);
    drawParticlesFacingView(scene);
    drawGlassPass(scene, 0.0f);
}

void drawOtherCapturePass(Scene& scene, CameraRig& rig, bool withParticles) {
    if (rig.visible.size() != scene.objects.size()) return;
    const RigSwappedIn swapped(scene, rig);
    drawOpaquePass(scene, 0.0f);
    if (withParticles) drawParticlesFacingView(scene);
}
