#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "scene/scene_internal.h"

namespace {

void seedGenerator(const Scene& scene, View& view) {
    if (scene.services.seeded) {
        view.random.seed(scene.services.seed + view.seedOffset);
    } else {
        view.random.seed((scene.services.tickCount ? scene.services.tickCount() : 0u) + view.seedOffset);
    }
}

bool avoided(const std::vector<int>& camerasAvoided, int camera) {
    return std::find(camerasAvoided.begin(), camerasAvoided.end(), camera) != camerasAvoided.end();
}

// Back to the first key of `camera`: its position, orientation and field of view, path value 0.
void resetToFirstKey(View& view, const SceneCamera& camera) {
    view.cameraKey = 0;
    view.pathValue = 0;
    view.pose.position = camera.positions[0];
    view.pose.orientation = camera.rotations[0];
    view.pose.fieldOfView = camera.fieldsOfView[0] * 28.648735f;
}

// One step along the current path: the view between the current key and the next, the path value
// advanced by dt (the next key once it passes 1), and back to the first key with the path ended
// two keys before the last. Returns true at the key where the capture for the cross-fade is due.
bool stepCamera(const Scene& scene, View& view, float dt) {
    const SceneCamera& camera = scene.cameras[std::size_t(view.currentCamera)];
    const int keyCount = camera.keyCount();
    int& k = view.cameraKey;
    float& t = view.pathValue;
    bool capture = false;
    if (k >= 0 && k < keyCount) {
        const int j = k + 1 < keyCount ? k + 1 : keyCount - 1;
        view.pose.position = lerp(camera.positions[std::size_t(k)], camera.positions[std::size_t(j)], t);
        view.pose.orientation = slerp(camera.rotations[std::size_t(k)], camera.rotations[std::size_t(j)], t);
        const float a = camera.fieldsOfView[std::size_t(k)], b = camera.fieldsOfView[std::size_t(j)];
        view.pose.fieldOfView = (a + (b - a) * t) * 28.648735f;
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
        resetToFirstKey(view, camera);
        view.pathEnded = true;
    }
    view.pose.direction = rotate(view.pose.orientation, Vec3{0, 0, -1});
    view.pose.up = rotate(view.pose.orientation, Vec3{0, 1, 0});
    return capture;
}

}  // namespace

void refillCameraBag(const Scene& scene, View& view) {
    view.cameraBag.clear();
    for (std::size_t i = 0; i < scene.cameras.size(); ++i) view.cameraBag.push_back(int(i));
    seedGenerator(scene, view);
}

int chooseNextCamera(const Scene& scene, View& view, bool refill, const std::vector<int>& camerasAvoided) {
    int chosen = 0;
    std::vector<int>& bag = view.cameraBag;
    const int n = int(bag.size());
    if (n > 0) {
        int entry = n == 1 ? 0 : view.random.next() % (n - 1);
        // Another monitor shows that camera now: the next entry of the bag that none shows, if any.
        for (int step = 0; step < n && avoided(camerasAvoided, bag[std::size_t(entry)]); ++step)
            entry = (entry + 1) % n;
        chosen = bag[std::size_t(entry)];
        bag.erase(bag.begin() + entry);
    }
    if (chosen < 0 || chosen >= int(scene.cameras.size())) chosen = 0;
    if (refill && bag.empty()) refillCameraBag(scene, view);
    return chosen;
}

bool updateCamera(const Scene& scene, View& view, float dt, const std::vector<int>& camerasAvoided) {
    if (scene.cameras.empty() || view.still) return false;
    bool capture = stepCamera(scene, view, dt);
    if (view.pathEnded) {
        view.pathEnded = false;
        view.currentCamera = chooseNextCamera(scene, view, true, camerasAvoided);
        resetToFirstKey(view, scene.cameras[std::size_t(view.currentCamera)]);
        capture = stepCamera(scene, view, dt) || capture;
        // A path too short to run (under three keys) ends again at once; the next frame cuts.
        view.pathEnded = false;
    }
    return capture;
}

void applyCamera(View& view) {
    const CameraPose& v = view.pose;
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
    view.frustum = frustumFromMatrices(projection, modelView);
}

void loadViewCamera(View& view) { applyCamera(view); }

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

bool batchOutsideFrustum(const Frustum& frustum, const MeshBatch& batch) {
    constexpr float kMargin = 1.0f;
    for (const auto& plane : frustum) {
        bool anyInFront = false;
        for (int corner = 0; corner < 8 && !anyInFront; ++corner) {
            const float x = (corner & 1) ? batch.boxMax.x : batch.boxMin.x;
            const float y = (corner & 2) ? batch.boxMax.y : batch.boxMin.y;
            const float z = (corner & 4) ? batch.boxMax.z : batch.boxMin.z;
            if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] > -kMargin) anyInFront = true;
        }
        if (!anyInFront) return true;
    }
    return false;
}
