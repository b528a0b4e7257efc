#pragma once
// The room's scene file ("Models/test.BSS"), written by the authoring tool, and its parser. Five
// sections follow each other: room meshes (materials, counts, light map, arrays), portals, camera
// paths, helpers and lights. Little-endian; strings are the counted strings of the model files,
// indices are stored as floats. Parsing is pure: no GL, no media, no vertex pool.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/maths.h"
#include "model/model_data.h"

// Material entries kept per room mesh; a count above kMaterialWarningCount shows "adas".
constexpr int kMaxMaterials = 320;
constexpr int kMaterialWarningCount = 319;
// Include names kept per light; a count above kIncludeWarningCount shows "adas".
constexpr int kMaxIncludeNames = 40;
constexpr int kIncludeWarningCount = 39;

struct SceneFileMaterial {
    std::string diffuseName, reflectionName, illuminationName;
    bool twoSided = false, hasReflection = false, hasIllumination = false;
    std::int32_t firstCorner = 0, cornerCount = 0, materialRef = 0;
};

struct SceneFileMesh {
    std::string name, parentName;
    std::vector<SceneFileMaterial> materials;  // at most kMaxMaterials
    std::int32_t declaredMaterialCount = 0;
    bool hasLightMap = false;
    std::string lightMapName;
    std::vector<Vec3> positions;
    std::vector<std::array<std::int32_t, 3>> faces, uvFaces, lightUvFaces;  // indices checked
    std::vector<Vec3> uvs, lightUvs, normals;                               // normals: 3 per face
};

struct SceneFilePortal {
    std::string name, targetName;
    std::vector<Vec3> points;
};

struct SceneCamera {
    std::vector<Vec3> positions;
    std::vector<Quat> rotations;      // conjugated at load
    std::vector<float> fieldsOfView;  // radians
    int keyCount() const { return int(positions.size()); }
};

struct SceneFileHelper {
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

struct SceneFile {
    std::vector<SceneFileMesh> meshes;
    std::vector<SceneFilePortal> portals;
    std::vector<SceneCamera> cameras;
    std::vector<SceneFileHelper> helpers;
    std::vector<SceneLight> lights;  // built from the records (colours × multiplier)
};

// Reads a whole scene file. Every count is checked against the bytes left and every stored index
// against its array; returns false with the reason in `error` (and `file` in an unspecified state)
// for a file that ends early or holds a bad count or index. Material entries beyond kMaxMaterials and
// include names beyond kMaxIncludeNames are read and dropped. A null or empty block is a valid empty
// scene.
bool parseSceneFile(const std::uint8_t* data, std::size_t size, SceneFile& file, std::string& error);
