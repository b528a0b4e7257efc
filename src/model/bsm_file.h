#pragma once
// BSM, the static model format: the files "Models/<name>.BSM" that hold every model of the room but
// the room shell and the fireplace flames. The name is the files' own extension (no expansion of it
// is on record); "static" sets them apart from the skinned BSA models.
//
// A file is a list of mesh records, each one node of the model with its pivot, material and
// triangles, followed by a list of helper records (named points such as particle emitters). No
// signature, no version. Little-endian, single-precision floats, every string a counted string
// (core/byte_reader.h), indices stored as floats holding whole numbers:
//
//   int32 meshCount, meshCount × mesh record, int32 helperCount, helperCount × helper record
//   mesh record: diffuse, scrollU, scrollV, uint8 hasReflection [reflection], uint8 hasIllumination
//                [illumination], nodeName, parentName, int32 V, F, T, TF, pivot (3 floats),
//                V × 3 positions, F × 3 faces, T × 3 uvs (u, v, w), TF × 3 uv faces,
//                F × 3 × 3 normals (one per corner)
//   helper record: position (3 floats), name, parentName, rotation (x, y, z, w), int32 kind
//
// Reading (the model manager) turns the bytes into records and expands every triangle into three
// corners relative to its node pivot; textures and the vertex pool are the manager's business.
// Writing (the media generator, the tests' fixtures) takes the records as authored.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_writer.h"
#include "model/model_data.h"

// --- Reading --------------------------------------------------------------------------------------

struct BsmMeshRecord {
    std::string diffuseTexture;  // file name part only ("tex_candle.tga")
    float scrollU = 0, scrollV = 0;
    bool hasReflection = false;
    std::string reflectionTexture;
    bool hasIllumination = false;
    std::string illuminationTexture;
    std::string nodeName;
    std::string parentName;
    bool hasParent = true;
    Vec3 pivot;
    std::vector<CornerRecord> corners;  // 3 per triangle, positions relative to the pivot
    std::vector<int> children;          // mesh indices, file order
};

struct BsmContents {
    std::vector<BsmMeshRecord> meshes;
    std::vector<ModelHelper> helpers;
    // Twice the size of the box around all raw positions; −3999996 on each axis when there are none.
    Vec3 extent;
};

// The contents of a file with no data (or a missing one): no meshes, no helpers, the empty extent.
BsmContents emptyBsmContents();

// Parses a whole file. Returns false, with the reason in `error` and `out` set to
// emptyBsmContents(), when the data end before a count says they should, a count is negative, the
// uv face count differs from the face count, an index lies outside its array, a counted string is
// over 3000 bytes or holds a NUL, or the nodes below the first "Hull" do not form a tree (a node
// reached twice, so drawing would repeat or never end). Never reads outside [data, data + size).
bool parseBsm(const std::uint8_t* data, std::size_t size, BsmContents& out, std::string& error);

// --- Writing --------------------------------------------------------------------------------------

struct BsmMesh {
    std::string diffuseTexture;  // e.g. "tex_candle.tga"; the reader keeps the part after the last / or \ .
    float scrollU = 0, scrollV = 0;
    bool hasReflection = false;
    std::string reflectionTexture;  // written only when hasReflection
    bool hasIllumination = false;
    std::string illuminationTexture;  // written only when hasIllumination
    std::string nodeName;             // "Hull", "CollMesh", "Arrow01", ...
    std::string parentName = kSceneRootName;
    Vec3 pivot;
    std::vector<Vec3> positions;       // model space, not relative to the pivot
    std::vector<IndexTriple> faces;    // indices into positions
    std::vector<Vec3> uvs;             // u, v, w (w ignored by the reader)
    std::vector<IndexTriple> uvFaces;  // indices into uvs; the reader expects as many as faces
    std::vector<Vec3> normals;         // one per corner: 3 per face, in face order
};

struct BsmHelper {
    Vec3 position;     // model space
    std::string name;  // "emit candle", ...
    std::string parentName = kHullNodeName;
    Quat rotation;
    std::int32_t kind = std::int32_t(HelperKind::Emitter);
};

struct BsmModel {
    std::vector<BsmMesh> meshes;
    std::vector<BsmHelper> helpers;
};

// The whole file. Counts are the vectors' sizes, written as they are (so a test can build a model
// whose uvFaces differ from its faces). Throws std::invalid_argument when normals.size() is not
// 3 × faces.size(), since the file has no count of its own for them.
Bytes encodeBsm(const BsmModel& model);
