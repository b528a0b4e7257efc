#include <cmath>

#include "model/model_render.h"
#include "scene/particles.h"
#include "scene/scene_internal.h"

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
        // A hold counts down to 0 and stays there; a negative one from the file holds nothing.
        if (keys.hold > 0) keys.hold -= 1;
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

void posePlacedModel(Scene& scene, SceneObject& object, float dt, const EmitterHook& fire) {
    if (!object.instance) return;
    ModelInstance& instance = *object.instance;
    object.posedFrame = scene.frame;
    instance.position = object.centre;
    if (object.name == "instance railroad") poseRailroad(scene, object, dt);
    if (object.name == "instance Clock") poseClock(object, scene.clock);
    updateInstance(instance, dt, fire);
}

void moveModels(Scene& scene, View& view, const std::vector<int>& list, float dt, bool onlyUnmoved) {
    ParticleSystem* particles = scene.services.particles;
    // Two pointers: held inside the function object, nothing allocated.
    EmitterHook fire;
    if (particles) {
        fire = [particles, &view](const ModelHelper& helper) {
            particles->spawnEffect(helper.shortName, helper.worldPosition, helper.rotation, view.random,
                                   view.pose.position);
        };
    }
    for (int index : list) {
        SceneObject& object = scene.objects[std::size_t(index)];
        if (onlyUnmoved && object.posedFrame == scene.frame) continue;
        if (object.kind == SceneObjectKind::PlacedModel) {
            posePlacedModel(scene, object, dt, fire);
        } else if (object.kind == SceneObjectKind::AnimatedModel) {
            object.animated->modelMatrix.setTranslation(object.centre);
            updateAnimatedModel(*object.animated, dt);
            object.posedFrame = scene.frame;
        }
    }
}
