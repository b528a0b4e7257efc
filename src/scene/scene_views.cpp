// A monitor's view of the room: its start, its occlusion queries, and its step once a frame.

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "scene/scene_internal.h"

namespace {

// A prime step apart, so no two monitors' (or framework copies') camera orders follow each other.
constexpr std::uint32_t kSeedStep = 7919u;

// Without cameras the view stays at the centre of the room's first root mesh, looking along x, z up.
CameraPose roomCentrePose(const Scene& scene) {
    CameraPose pose;
    for (const SceneObject& object : scene.objects) {
        if (object.root && object.kind == SceneObjectKind::RoomMesh) {
            pose.position = object.centre;
            break;
        }
    }
    pose.direction = {1, 0, 0};
    pose.up = {0, 0, 1};
    return pose;
}

// The still camera: at `lookFrom`, looking at `lookAt`, z up (y up when looking straight up or
// down, where z cannot serve).
CameraPose stillPose(const SceneServices& services) {
    CameraPose pose;
    pose.position = services.lookFrom;
    const Vec3 towards = services.lookAt - services.lookFrom;
    pose.direction = normalised(towards);
    const bool vertical = std::fabs(towards.x) < 1e-6f * std::fabs(towards.z) &&
                          std::fabs(towards.y) < 1e-6f * std::fabs(towards.z);
    pose.up = vertical ? Vec3{0, 1, 0} : Vec3{0, 0, 1};
    pose.fieldOfView = services.fixedFieldOfView;
    return pose;
}

// The view at `key` of its current camera (kept where the path still runs: keys from keyCount − 2
// on end the path at once).
void placeOnKey(const Scene& scene, View& view, int key) {
    const SceneCamera& camera = scene.cameras[std::size_t(view.currentCamera)];
    const int lastRunningKey = std::max(0, camera.keyCount() - 3);
    view.cameraKey = std::min(std::max(key, 0), lastRunningKey);
    view.pathValue = 0;
    view.pathEnded = false;
    const std::size_t k = std::size_t(view.cameraKey);
    view.pose.position = camera.positions[k];
    view.pose.orientation = camera.rotations[k];
    view.pose.fieldOfView = camera.fieldsOfView[k] * 57.32484f;
    view.pose.up = {0, 1, 0};
    view.pose.direction = {1, 0, 0};
}

// The primary's first camera: the one asked for (or a framework copy's), else one from the bag.
void startPrimaryCamera(const Scene& scene, View& view) {
    const SceneServices& services = scene.services;
    int wanted = services.startCamera;
    if (wanted < 0 && services.copyIndex >= 0) wanted = services.copyIndex % int(scene.cameras.size());
    if (wanted >= 0 && wanted < int(scene.cameras.size())) {
        view.currentCamera = wanted;
        const auto entry = std::find(view.cameraBag.begin(), view.cameraBag.end(), wanted);
        if (entry != view.cameraBag.end()) view.cameraBag.erase(entry);
    } else {
        view.currentCamera = chooseNextCamera(scene, view, false);
    }
    placeOnKey(scene, view, services.startCameraKey);
}

// Another monitor's first camera: one the others do not show, as far along its path as the
// monitor's share of the monitors.
void startOtherCamera(const Scene& scene, View& view, int monitor, int monitorCount,
                      const std::vector<int>& camerasInUse) {
    view.currentCamera = chooseNextCamera(scene, view, false, camerasInUse);
    const int lastRunningKey = std::max(0, scene.cameras[std::size_t(view.currentCamera)].keyCount() - 3);
    const int share = std::max(monitorCount, 1);
    placeOnKey(scene, view, lastRunningKey * (monitor % share) / share);
}

}  // namespace

void startView(Scene& scene, View& view, int monitor, int monitorCount,
               const std::vector<int>& camerasInUse) {
    releaseView(view);
    resetSight(scene, view);
    makeViewQueries(scene, view);
    const SceneServices& services = scene.services;
    view.still = services.fixedView;
    view.pose = view.still ? stillPose(services) : roomCentrePose(scene);
    if (monitor == 0) {
        // Copies side by side seed their camera orders apart.
        if (services.copyIndex > 0) view.seedOffset = std::uint32_t(services.copyIndex) * kSeedStep;
        refillCameraBag(scene, view);
        if (view.still || scene.cameras.empty()) return;
        startPrimaryCamera(scene, view);
        return;
    }
    view.seedOffset = std::uint32_t(monitor) * kSeedStep;
    if (!camerasInUse.empty()) view.currentCamera = camerasInUse.front();
    if (view.still || scene.cameras.empty()) return;
    refillCameraBag(scene, view);
    startOtherCamera(scene, view, monitor, monitorCount, camerasInUse);
}

bool viewStarted(const Scene& scene, const View& view) {
    return !view.sight.empty() && view.sight.size() == scene.objects.size();
}

void makeViewQueries(const Scene& scene, View& view) {
    view.sight.resize(scene.objects.size());
    for (ObjectSight& sight : view.sight) {
        sight.query = 0;
        sight.queryIssued = false;
    }
    if (!scene.services.occlusionQueries) return;
    for (std::size_t i = 0; i < scene.objects.size(); ++i)
        if (!scene.objects[i].root) glGenQueriesARB(1, &view.sight[i].query);
}

void releaseViewQueries(View& view, bool contextGone) {
    for (ObjectSight& sight : view.sight) {
        if (sight.query && !contextGone) glDeleteQueriesARB(1, &sight.query);
        sight.query = 0;
        sight.queryIssued = false;
    }
}

void releaseView(View& view) {
    releaseViewQueries(view, false);
    view = View{};
}

void beginSceneFrame(Scene& scene, float dt) {
    ++scene.frame;
    for (SceneObject& object : scene.objects) {
        if (object.keyAnimated) animateObject(object, dt);
    }
}

bool stepView(Scene& scene, View& view, float dt, bool occlusionVariant,
              const std::vector<int>& camerasAvoided) {
    if (!viewStarted(scene, view)) return false;
    const bool capture = updateCamera(scene, view, dt, camerasAvoided);
    view.drawnObjects = 0;
    resetSight(scene, view);
    decideVisibility(scene, view, occlusionVariant);
    moveModels(scene, view, view.opaqueList, dt, true);
    moveModels(scene, view, view.glassList, dt, true);
    return capture;
}
