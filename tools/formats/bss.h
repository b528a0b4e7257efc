#pragma once
// BSS scene file: five sections one after the other — room meshes, portals, cameras, helpers, lights.
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

#include <array>
#include <string>
#include <vector>

#include "formats/byte_writer.h"
#include "formats/geometry.h"

namespace formats {

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
    std::string parentName = "Scene Root";
    std::vector<BssMaterial> materials;
    bool hasLightMap = false;
    std::string lightMapName;  // written only when hasLightMap
    std::vector<Vec3> positions;
    std::vector<Triangle> faces;
    std::vector<Vec3> uvs;               // u, v, w
    std::vector<Vec3> lightUvs;          // u, v, w
    std::vector<Triangle> uvFaces;       // the file's uvFaceCount
    std::vector<Triangle> lightUvFaces;  // as many as uvFaces, or empty (then written as zeros)
    std::vector<Vec3> normals;           // 3 per face
};

struct BssPortal {
    std::string name;
    std::string targetName;
    std::vector<Vec3> points;
    std::vector<Triangle> triangles;
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

}  // namespace formats
