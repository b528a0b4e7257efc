#include <GL/glew.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>

#include "model/model_render.h"
#include "scene/particles.h"
#include "scene/scene.h"

namespace {

void seedGenerator(const Scene& scene) {
    if (scene.services.seeded) {
        std::srand(scene.services.seed);
    } else {
        std::srand(scene.services.tickCount ? scene.services.tickCount() : 0u);
    }
}

// Position, orientation and field of view at key k of `camera`, path value 0.
void resetToFirstKey(Scene& scene, const SceneCamera& camera) {
    scene.cameraKey = 0;
    scene.pathValue = 0;
    scene.view.position = camera.positions[0];
    scene.view.orientation = camera.rotations[0];
    scene.view.fieldOfView = camera.fieldsOfView[0] * 28.648735f;
}

// Steps 1 to 4 of the camera step; returns the capture request.
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
        const int entry = n == 1 ? 0 : std::rand() % (n - 1);
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

void animateObject(SceneObject& object, float dt) {
    ObjectKeys& keys = object.keys;
    const int count = keys.count();
    if (count < 1) return;
    int& k = keys.current;
    if (k < 0 || k >= count) k = 0;
    int next;
    if (keys.hold > 0) {
        k = 0;
        next = 0;
    } else {
        next = k + 1 >= count - 1 ? 0 : k + 1;
    }
    object.centre = lerp(keys.positions[std::size_t(k)], keys.positions[std::size_t(next)], keys.t);
    object.rotation = slerp(keys.rotations[std::size_t(k)], keys.rotations[std::size_t(next)], keys.t);
    keys.t += dt * 0.05f;
    if (keys.t > 1.0f) {
        keys.t = 0.0f;
        k += 1;
        keys.hold -= 1;
    }
    if (k > count - 2) {
        k = 0;
        keys.t = 0.0f;
        object.centre = keys.positions[0];
        object.rotation = keys.rotations[0];
    }
}

void poseRailroad(Scene& scene, SceneObject& object, float dt) {
    ModelInstance& instance = *object.instance;
    const float degrees = scene.trainAngle * 0.6f;
    setNodeAngleZ(instance, "loco", degrees);
    setNodeAngleZ(instance, "wagon01", degrees);
    setNodeAngleZ(instance, "wagon02", degrees);
    const float a = scene.trainAngle * 0.0052333335f;
    const Quat turn{0, 0, std::sin(a), std::cos(a)};
    for (ModelNode& node : instance.nodes) {
        for (ModelHelper& helper : node.helpers) {
            if (helper.name != "emit locosteam") continue;
            // The instance position is added too, so the steam stays on the train wherever the
            // railroad stands.
            helper.worldPosition = rotate(turn, helper.position) + node.worldPosition + instance.position;
            helper.worldPosition.z += 7.0f;
        }
    }
    scene.trainAngle += dt * 0.8f;
}

void poseClock(SceneObject& object, const ClockTime& time) {
    ModelInstance& instance = *object.instance;
    const int h = time.hour > 12 ? time.hour - 12 : time.hour;
    setNodeAngleY(instance, "Arrow01", -6.0f * float(time.minute));
    setNodeAngleY(instance, "Arrow02", -30.0f * (float(h) + float(time.minute) / 60.0f));
    setNodeAngleY(instance, "Arrow03", -6.0f * float(time.second));
}

void updatePlacedModel(Scene& scene, SceneObject& object, float dt) {
    if (!object.instance) return;
    ModelInstance& instance = *object.instance;
    instance.position = object.centre;
    if (object.name == "instance railroad") poseRailroad(scene, object, dt);
    if (object.name == "instance Clock") poseClock(object, scene.clock);
    updateInstance(instance, dt, scene.fireHelper);
    renderInstance(instance);
}

void fireSceneHelpers(Scene& scene) {
    for (SceneHelper& entry : scene.helpers) {
        if (!entry.trigger) continue;
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
