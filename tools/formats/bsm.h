#pragma once
// BSM static models: mesh records (each a node with pivot, material and triangles), then helper
// points. No signature, no version; every string is a counted string.
//
//   int32 meshCount, meshCount × mesh record, int32 helperCount, helperCount × helper record
//   mesh record: diffuse, scrollU, scrollV, uint8 hasReflection [reflection], uint8 hasIllumination
//                [illumination], nodeName, parentName, int32 V, F, T, TF, pivot (3 floats),
//                V × 3 positions, F × 3 faces, T × 3 uvs (u, v, w), TF × 3 uv faces,
//                F × 3 × 3 normals (one per corner)
//   helper record: position (3 floats), name, parentName, rotation (x, y, z, w), int32 kind

#include <string>
#include <vector>

#include "formats/byte_writer.h"
#include "formats/geometry.h"

namespace formats {

struct BsmMesh {
    std::string diffuseTexture;  // e.g. "tex_candle.tga"; the reader keeps the part after the last / or \ .
    float scrollU = 0, scrollV = 0;
    bool hasReflection = false;
    std::string reflectionTexture;  // written only when hasReflection
    bool hasIllumination = false;
    std::string illuminationTexture;  // written only when hasIllumination
    std::string nodeName;             // "Hull", "CollMesh", "Arrow01", ...
    std::string parentName = "Scene Root";
    Vec3 pivot;
    std::vector<Vec3> positions;    // model space, not relative to the pivot
    std::vector<Triangle> faces;    // indices into positions
    std::vector<Vec3> uvs;          // u, v, w (w ignored by the reader)
    std::vector<Triangle> uvFaces;  // indices into uvs; the reader expects as many as faces
    std::vector<Vec3> normals;      // one per corner: 3 per face, in face order
};

struct BsmHelper {
    Vec3 position;     // model space
    std::string name;  // "emit candle", ...
    std::string parentName = "Hull";
    Quat rotation;
    std::int32_t kind = 2;  // 2 = particle emitter
};

struct BsmModel {
    std::vector<BsmMesh> meshes;
    std::vector<BsmHelper> helpers;
};

// The whole file. Counts are the vectors' sizes, written as they are (so a test can build a model
// whose uvFaces differ from its faces). Throws std::invalid_argument when normals.size() is not
// 3 × faces.size(), since the file has no count of its own for them.
Bytes encodeBsm(const BsmModel& model);

}  // namespace formats
