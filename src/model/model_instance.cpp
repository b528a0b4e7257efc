#include "model/model_instance.h"

namespace {

constexpr const char* kLocoSteamHelperName = "emit locosteam";
// Texture scroll speed factor per frame unit.
constexpr float kScrollRate = 0.03f;
// Cursor advance per frame unit of the one-helper-per-call rule.
constexpr float kCursorRate = 0.4f;

template <typename Instance>
auto findNodeIn(Instance& instance, const std::string& name) -> decltype(&instance.nodes[0]) {
    for (auto& node : instance.nodes) {
        if (node.name == name) return &node;
    }
    return nullptr;
}

void computeTransforms(ModelInstance& instance, int nodeIndex, const Quat& parentRotation, Vec3 parentPivot,
                       Vec3 parentPosition) {
    ModelNode& node = instance.nodes[nodeIndex];
    node.localRotation = multiply(multiply(axisY(node.angleY), axisZ(node.angleZ)), axisX(node.angleX));
    node.worldRotation = multiply(parentRotation, node.localRotation);
    node.worldPosition = parentPosition + rotate(parentRotation, node.pivot - parentPivot);
    node.drawMatrix = rotationMatrix(conjugate(node.localRotation));
    node.undoMatrix = rotationMatrix(node.localRotation);
    for (int child : node.children) {
        computeTransforms(instance, child, node.worldRotation, node.pivot, node.worldPosition);
    }
}

void placeHelpers(ModelInstance& instance, int nodeIndex, const Quat& inverseInstanceRotation,
                  const EmitterHook& fire, float step) {
    ModelNode& node = instance.nodes[nodeIndex];
    const std::size_t count = node.helpers.size();
    const bool fireAll = count <= kFireAllHelperLimit;
    for (ModelHelper& helper : node.helpers) {
        if (helper.name != kLocoSteamHelperName) {
            helper.worldPosition =
                rotate(inverseInstanceRotation, helper.position) + node.worldPosition + instance.position;
        }
        if (fireAll && helper.kind == HelperKind::Emitter && fire) fire(helper);
    }
    if (!fireAll) {
        // A cursor that is negative or not a number (a bad frame step) restarts like one past the end.
        if (!(instance.emitterCursor >= 0.0f && instance.emitterCursor < float(count)))
            instance.emitterCursor = 0;
        const ModelHelper& chosen = node.helpers[std::size_t(instance.emitterCursor)];
        if (fire) fire(chosen);
        instance.emitterCursor += step * kCursorRate;
    }
    for (int child : node.children) placeHelpers(instance, child, inverseInstanceRotation, fire, step);
}

}  // namespace

ModelNode* ModelInstance::findNode(const std::string& name) { return findNodeIn(*this, name); }
const ModelNode* ModelInstance::findNode(const std::string& name) const { return findNodeIn(*this, name); }

void buildInstance(ModelInstance& instance, const Model& model) {
    instance = ModelInstance{};
    instance.extent = model.extent;
    instance.nodes.resize(model.meshes.size());
    for (std::size_t i = 0; i < model.meshes.size(); ++i) {
        const ModelMesh& mesh = model.meshes[i];
        ModelNode& node = instance.nodes[i];
        node.name = mesh.nodeName;
        node.parentName = mesh.parentName;
        node.hasParent = mesh.hasParent;
        node.pivot = mesh.pivot;
        node.material = mesh.material;
        node.poolFirst = mesh.poolFirst;
        node.poolEnd = mesh.poolEnd;
        node.indexCount = mesh.indexCount;
        node.indices = mesh.indices.data();
        if (node.name == kCollisionNodeName) {
            instance.collisionCorners = mesh.corners.data();
            instance.collisionCornerCount = int(mesh.corners.size());
        }
        for (const ModelHelper& helper : model.helpers) {
            if (helper.parentName != node.name) continue;
            node.helpers.push_back(helper);
            node.helpers.back().position = helper.position - node.pivot;
        }
        // The model links the children once at load; the links never include the node itself.
        node.children = mesh.children;
    }
}

void setNodeAngleX(ModelInstance& instance, const std::string& nodeName, float degrees) {
    if (ModelNode* node = instance.findNode(nodeName)) node->angleX = degrees;
}

void setNodeAngleY(ModelInstance& instance, const std::string& nodeName, float degrees) {
    if (ModelNode* node = instance.findNode(nodeName)) node->angleY = degrees;
}

void setNodeAngleZ(ModelInstance& instance, const std::string& nodeName, float degrees) {
    if (ModelNode* node = instance.findNode(nodeName)) node->angleZ = degrees;
}

void updateInstance(ModelInstance& instance, float step, const EmitterHook& fire) {
    for (std::size_t i = 0; i < instance.nodes.size(); ++i) {
        if (instance.nodes[i].name != kHullNodeName) continue;
        computeTransforms(instance, int(i), Quat{}, Vec3{}, Vec3{});
        placeHelpers(instance, int(i), conjugate(instance.rotation), fire, step);
        break;
    }
    for (ModelNode& node : instance.nodes) {
        node.textureOffsetU += step * kScrollRate * node.material.scrollU;
        node.textureOffsetV += step * kScrollRate * node.material.scrollV;
    }
}
