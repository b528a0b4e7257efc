#pragma once
// The loaded form of a static model: meshes with their materials and pool ranges, and helpers.

#include <cstdint>
#include <string>
#include <vector>

#include "core/maths.h"

// One triangle corner as the model keeps it: position relative to the node pivot, normal, u, v and
// three floats that nothing reads (44 bytes).
struct CornerRecord {
    float position[3];
    float normal[3];
    float u, v;
    float unused[3];
};

struct ModelMaterial {
    unsigned diffuseTexture = 0;       // GL texture name
    unsigned reflectionTexture = 0;    // valid only with hasReflection
    unsigned illuminationTexture = 0;  // valid only with hasIllumination
    bool hasReflection = false;        // sphere-mapped additive layer
    bool hasIllumination = false;      // additive self-illumination layer
    // Every texel of the texture has full alpha (what the texture source says; false when unknown).
    bool diffuseOpaque = false, reflectionOpaque = false, illuminationOpaque = false;
    float scrollU = 0, scrollV = 0;  // texture scroll speeds (0: no scrolling)
};

// What a helper point stands for. Files store it as an int32; values other than these are kept as
// read and start nothing.
enum class HelperKind : std::int32_t {
    Light = 1,          // the scene's helper light position
    Emitter = 2,        // a particle emitter; its short name names the effect
    PlacedModel = 3,    // the scene places the static model its name names
    AnimatedModel = 4,  // the scene places the animated model its name names
};

// A named point on a model or in the scene (particle emitters and the like).
struct ModelHelper {
    std::string name;        // e.g. "emit candle"
    std::string shortName;   // the text after the first blank ("candle"), or the whole name
    std::string parentName;  // the node it belongs to
    Vec3 position;           // model space as loaded; node-relative inside an instance
    Vec3 worldPosition;      // written every frame by updateInstance
    HelperKind kind{};
    Quat rotation;
};

// The text after the first blank of a helper name, or the whole name when it has none.
std::string helperShortName(const std::string& name);

struct ModelMesh {
    std::string nodeName;
    std::string parentName;
    bool hasParent = true;  // false only for the parent name "Scene Root" exactly
    Vec3 pivot;
    ModelMaterial material;
    std::int32_t faceCount = 0;
    std::vector<CornerRecord> corners;   // 3 × faceCount; in Run mode only the collision mesh's stay
    float cornerRadius = 0;              // the largest distance of a corner from the pivot
    Vec3 boxMin, boxMax;                 // of the corner positions
    bool closedOutward = false;          // see MeshShape
    std::int32_t poolFirst = 0;          // first pool vertex
    std::int32_t poolEnd = 0;            // poolFirst + 3 × faceCount
    std::vector<std::uint32_t> indices;  // poolFirst, poolFirst + 1, ..., poolEnd − 1
    std::int32_t indexCount = 0;
    // The meshes whose parent is this one, in file order (hasParent set, parentName equal to this
    // node name, never the mesh itself).
    std::vector<int> children;
};

struct Model {
    std::string name;  // the name it was requested by, compared exactly
    std::vector<ModelMesh> meshes;
    std::vector<ModelHelper> helpers;
    Vec3 extent;  // twice the size of the box around every position of every mesh
};

// Node names with fixed roles.
constexpr const char* kHullNodeName = "Hull";
constexpr const char* kCollisionNodeName = "CollMesh";
constexpr const char* kSceneRootName = "Scene Root";
