#include <GL/glew.h>
#include <GL/glu.h>

#include "core/random.h"
#include "scene/scene_internal.h"

namespace {

void seedGenerator(const Scene& scene) {
    if (scene.services.seeded) {
        sharedRandom().seed(scene.services.seed + scene.seedOffset);
    } else {
        sharedRandom().seed((scene.services.tickCount ? scene.services.tickCount() : 0u) + scene.seedOffset);
    }
}

bool inUse(const Scene& scene, int camera) {
    if (!scene.camerasInUse) return false;
    for (int used : *scene.camerasInUse)
        if (used == camera) return true;
    return false;
}

// Back to the first key of `camera`: its position, orientation and field of view, path value 0.
void resetToFirstKey(Scene& scene, const SceneCamera& camera) {
    scene.cameraKey = 0;
    scene.pathValue = 0;
    scene.view.position = camera.positions[0];
    scene.view.orientation = camera.rotations[0];
    scene.view.fieldOfView = camera.fieldsOfView[0] * 28.648735f;
}

// One step along the current path: the view between the current key and the next, the path value
// advanced by dt (the next key once it passes 1), and back to the first key with the path ended
// two keys before the last. Returns true at the key where the capture for the cross-fade is due.
bool stepCamera(Scene& scene, float dt) {
    const SceneCamera& camera = scene.cameras[std::size_t(scene.currentCamera)];
    const int keyCount = camera.keyCount();
    int& k = scene.cameraKey;
    float& t = scene.pathValue;
    bool capture = false;
    if (k >= 0 && k < keyCount) {
        const int j = k + 1 < keyCount ? k + 1 : keyCount - 1;
        scene.view.position = lerp(camera.positions[std::size_t(k)], camera.positions[std::size_t(j)], t);
        scene.view.orientation = slerp(camera.rotations[std::size_t(k)], camera.rotations[std::size_t(j)], t);
        const float a = camera.fieldsOfView[std::size_t(k)], b = camera.fieldsOfView[std::size_t(j)];
        scene.view.fieldOfView = (a + (b - a) * t) * 28.648735f;
    }
    t += dt * 0.075f;
    if (t > 1.0f) {
        t = 0.0f;
        k += 1;
        if (keyCount == k + 3) capture = true;
    } else if (t == 0.0f && keyCount == k + 3) {
        capture = true;
    }
    if (k >= keyCount - 2) {
        resetToFirstKey(scene, camera);
        scene.pathEnded = true;
    }
    scene.view.direction = rotate(scene.view.orientation, Vec3{0, 0, -1});
    scene.view.up = rotate(scene.view.orientation, Vec3{0, 1, 0});
    return capture;
}

}  // namespace

void refillCameraBag(Scene& scene) {
    scene.cameraBag.clear();
    for (std::size_t i = 0; i < scene.cameras.size(); ++i) scene.cameraBag.push_back(int(i));
    seedGenerator(scene);
}

int chooseNextCamera(Scene& scene, bool refill) {
    int chosen = 0;
    const int n = int(scene.cameraBag.size());
    if (n > 0) {
        int entry = n == 1 ? 0 : sharedRandom().next() % (n - 1);
        // Another monitor shows that camera now: the next entry of the bag that none shows, if any.
        for (int step = 0; step < n && inUse(scene, scene.cameraBag[std::size_t(entry)]); ++step)
            entry = (entry + 1) % n;
        chosen = scene.cameraBag[std::size_t(entry)];
        scene.cameraBag.erase(scene.cameraBag.begin() + entry);
    }
    if (chosen < 0 || chosen >= int(scene.cameras.size())) chosen = 0;
    if (refill && scene.cameraBag.empty()) refillCameraBag(scene);
    return chosen;
}

bool updateCamera(Scene& scene, float dt) {
    if (scene.cameras.empty() || scene.viewFixed) return false;
    bool capture = stepCamera(scene, dt);
    if (scene.pathEnded) {
        scene.pathEnded = false;
        scene.currentCamera = chooseNextCamera(scene, true);
        resetToFirstKey(scene, scene.cameras[std::size_t(scene.currentCamera)]);
        capture = stepCamera(scene, dt) || capture;
        // A path too short to run (under three keys) ends again at once; the next frame cuts.
        scene.pathEnded = false;
    }
    return capture;
}

void applyCamera(Scene& scene) {
    const SceneView& v = scene.view;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(v.fieldOfView, 1.33, 1.0, 3000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(v.position.x, v.position.y, v.position.z, v.position.x + v.direction.x,
              v.position.y + v.direction.y, v.position.z + v.direction.z, v.up.x, v.up.y, v.up.z);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    float projection[16], modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    scene.frustum = frustumFromMatrices(projection, modelView);
}
