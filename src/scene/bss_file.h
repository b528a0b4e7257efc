#pragma once
// BSS, the scene format: the room's scene file "Models/test.BSS", with the room shell, its portals,
// the camera paths, the helpers that place models and effects, and the lights. The name is the
// file's own extension (no expansion of it is on record); it sits beside the model formats BSM and
// BSA and shares their counted strings and float-stored indices.
//
// Five sections follow each other. Little-endian, single-precision floats, counted strings
// (core/byte_reader.h), indices stored as floats holding whole numbers:
//
//   1 int32 objectCount, per object: name, parentName, int32 materialCount, materials,
//     int32 vertexCount, faceCount, uvCount, lightUvCount, uvFaceCount, uint8 hasLightMap
//     [lightMapName], positions, faces, uvs, lightUvs, uvFaces, lightUvFaces (uvFaceCount × 3),
//     normals (faceCount × 3 × 3)
//     material: diffuse, uint8 twoSided, uint8 hasReflection [reflection], uint8 hasIllumination
//               [illumination], int32 firstCorner, int32 cornerCount, int32 materialRef
//   2 int32 portalCount, per portal: name, targetName, int32 pointCount, points, int32 triangleCount,
//     triangles (as floats), 3 × int32
//   3 int32 cameraCount, per camera: int32 keyCount, positions, rotations (x, y, z, w), fields of view
//   4 int32 helperCount, per helper: name, parentName, int32 kind, int32 hold, int32 keyCount,
//     positions, rotations
//   5 int32 lightCount, per light: position, colour, range, reserved, multiplier, attenuation,
//     int32 includeCount, include names
//
// Reading (the scene) is pure: no GL, no media, no vertex pool. Writing (the media generator, the
// tests' fixtures) takes the records as authored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_writer.h"
#include "core/maths.h"
#include "model/model_data.h"

// Material entries kept per room mesh; a count above kMaterialWarningCount shows "adas".
constexpr int kMaxMaterials = 320;
constexpr int kMaterialWarningCount = 319;
// Include names kept per light; a count above kIncludeWarningCount shows "adas".
constexpr int kMaxIncludeNames = 40;
constexpr int kIncludeWarningCount = 39;

// --- Reading --------------------------------------------------------------------------------------

struct BssMaterialRecord {
    std::string diffuseName, reflectionName, illuminationName;
    bool twoSided = false, hasReflection = false, hasIllumination = false;
    std::int32_t firstCorner = 0, cornerCount = 0, materialRef = 0;
};

struct BssMeshRecord {
    std::string name, parentName;
    std::vector<BssMaterialRecord> materials;  // at most kMaxMaterials
    std::int32_t declaredMaterialCount = 0;
    bool hasLightMap = false;
    std::string lightMapName;
    std::vector<Vec3> positions;
    std::vector<IndexTriple> faces, uvFaces, lightUvFaces;  // indices checked
    std::vector<Vec3> uvs, lightUvs, normals;               // normals: 3 per face
};

struct BssPortalRecord {
    std::string name, targetName;
    std::vector<Vec3> points;
};

struct SceneCamera {
    std::vector<Vec3> positions;
    std::vector<Quat> rotations;      // conjugated at load
    std::vector<float> fieldsOfView;  // radians
    int keyCount() const { return int(positions.size()); }
};

struct BssHelperRecord {
    std::string name, parentName;
    HelperKind kind{};
    std::int32_t hold = 0;
    std::vector<Vec3> positions;
    std::vector<Quat> rotations;
};

struct SceneLight {
    std::array<float, 4> position{}, ambient{}, diffuse{}, specular{};
    float quadraticAttenuation = 0;
    float range = 0;
    std::vector<std::string> includeNames;  // at most kMaxIncludeNames
    std::int32_t declaredIncludeCount = 0;
};

struct BssContents {
    std::vector<BssMeshRecord> meshes;
    std::vector<BssPortalRecord> portals;
    std::vector<SceneCamera> cameras;
    std::vector<BssHelperRecord> helpers;
    std::vector<SceneLight> lights;  // built from the records (colours × multiplier)
};

// Reads a whole scene file. Every count is checked against the bytes left and every stored index
// against its array; returns false with the reason in `error` (and `file` in an unspecified state)
// for a file that ends early or holds a bad count or index. Material entries beyond kMaxMaterials and
// include names beyond kMaxIncludeNames are read and dropped. A null or empty block is a valid empty
// scene.
bool parseBss(const std::uint8_t* data, std::size_t size, BssContents& file, std::string& error);

// --- Writing --------------------------------------------------------------------------------------

struct BssMaterial {
    std::string diffuseTexture = "None";  // "None" or 4 characters or fewer: no texture
    bool twoSided = false;
    bool hasReflection = false;
    std::string reflectionTexture;
    bool hasIllumination = false;
    std::string illuminationTexture;
    std::int32_t firstCorner = 0;  // relative to the object's first corner (3 per face)
    std::int32_t cornerCount = 0;
    std::int32_t materialRef = 0;  // the entry whose names and flags this range uses
};

struct BssRoomMesh {
    std::string name;
    std::string parentName = kSceneRootName;
    std::vector<BssMaterial> materials;
    bool hasLightMap = false;
    std::string lightMapName;  // written only when hasLightMap
    std::vector<Vec3> positions;
    std::vector<IndexTriple> faces;
    std::vector<Vec3> uvs;                  // u, v, w
    std::vector<Vec3> lightUvs;             // u, v, w
    std::vector<IndexTriple> uvFaces;       // the file's uvFaceCount
    std::vector<IndexTriple> lightUvFaces;  // as many as uvFaces, or empty (then written as zeros)
    std::vector<Vec3> normals;              // 3 per face
};

struct BssPortal {
    std::string name;
    std::string targetName;
    std::vector<Vec3> points;
    std::vector<IndexTriple> triangles;
    std::array<std::int32_t, 3> trailing{};
};

struct BssCamera {
    std::vector<Vec3> positions;
    std::vector<Quat> rotations;      // one per key
    std::vector<float> fieldsOfView;  // radians, one per key
};

struct BssHelper {
    std::string name;  // "instance fir", "emit Fire", "animmodel fireplace_fire"
    std::string parentName = "room";
    std::int32_t kind = 2;  // 1 light position, 2 emitter, 3 placed model, 4 animated model
    std::int32_t hold = 0;
    std::vector<Vec3> positions;  // one per key
    std::vector<Quat> rotations;  // one per key
};

struct BssLight {
    Vec3 position;
    Vec3 colour{1, 1, 1};
    float range = 40;
    float reserved = 1;
    float multiplier = 1;
    float attenuation = 552.8f;  // quadratic attenuation × 500 000
    std::vector<std::string> includeNames;
};

struct BssScene {
    std::vector<BssRoomMesh> roomMeshes;
    std::vector<BssPortal> portals;
    std::vector<BssCamera> cameras;
    std::vector<BssHelper> helpers;
    std::vector<BssLight> lights;
};

// The whole file; counts are the vectors' sizes. Throws std::invalid_argument where the record cannot
// be written faithfully: normals not 3 per face, lightUvFaces neither empty nor as many as uvFaces,
// camera or helper key arrays of different lengths.
Bytes encodeBss(const BssScene& scene);
