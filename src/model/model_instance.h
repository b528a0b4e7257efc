#pragma once
// Model instances: a placed copy of a model's node hierarchy with its own position, rotation,
// per-node angles, texture scroll offsets and helper world positions.
//
// The model owns the corners and indices an instance points at, so a model must outlive its
// instances. Node lookup by name is a linear scan with exact comparison.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/maths.h"
#include "model/model_data.h"

struct ModelNode {
    std::string name;
    std::string parentName;
    bool hasParent = true;
    Vec3 pivot;
    ModelMaterial material;
    float cornerRadius = 0;      // the largest distance of a corner from the pivot
    Vec3 boxMin, boxMax;         // of the corners, relative to the pivot
    bool closedOutward = false;  // a closed surface turning its front faces outwards
    std::int32_t poolFirst = 0, poolEnd = 0, indexCount = 0;
    const std::uint32_t* indices = nullptr;    // the model's index array
    float angleX = 0, angleY = 0, angleZ = 0;  // degrees, set by the scene
    float textureOffsetU = 0, textureOffsetV = 0;
    Quat localRotation, worldRotation;
    Matrix16 drawMatrix = identityMatrix16();  // rotationMatrix(conj(localRotation))
    Matrix16 undoMatrix = identityMatrix16();  // rotationMatrix(localRotation)
    Vec3 worldPosition;  // the pivot carried through the parents' rotations (model space)
    std::vector<int> children;
    std::vector<ModelHelper> helpers;  // positions relative to this node's pivot
};

struct ModelInstance {
    std::vector<ModelNode> nodes;
    const CornerRecord* collisionCorners = nullptr;  // the model's "CollMesh" corners
    int collisionCornerCount = 0;
    Vec3 extent;
    // No corner drawn from "Hull" down lies further than this from the instance position, however
    // the nodes turn.
    float radius = 0;
    float emitterCursor = 0;  // round-robin position of the one-helper-per-call firing rule
    Vec3 position;
    Quat rotation;

    int nodeCount() const { return int(nodes.size()); }
    // The first node named exactly `name`, or null.
    ModelNode* findNode(const std::string& name);
    const ModelNode* findNode(const std::string& name) const;
};

// Fills `instance` from `model`: one node per mesh, the collision mesh, the helpers made relative to
// their node's pivot (helpers whose parent matches no node are dropped) and the children links.
void buildInstance(ModelInstance& instance, const Model& model);

// Set one angle, in degrees, on the first node of that name; an unknown name changes nothing.
void setNodeAngleX(ModelInstance& instance, const std::string& nodeName, float degrees);
void setNodeAngleY(ModelInstance& instance, const std::string& nodeName, float degrees);
void setNodeAngleZ(ModelInstance& instance, const std::string& nodeName, float degrees);

// Called for each helper that fires (the particle system spawns the helper's effect at its world
// position). Called from updateInstance only.
using EmitterHook = std::function<void(const ModelHelper& helper)>;

// Helper counts of one node at or below which every emitter helper fires on every update; above it
// one helper fires per update, round-robin (the fir tree's 72 lights light up one after another).
constexpr std::size_t kFireAllHelperLimit = 20;

// Once per frame before drawing; `step` is the frame step in frame units (1/55 s). Computes the node
// transforms from "Hull" down, places and fires the helpers, and advances the texture scroll
// offsets of every node. A model without "Hull" only scrolls. An empty `fire` fires nothing.
// Allocates nothing.
void updateInstance(ModelInstance& instance, float step, const EmitterHook& fire);
