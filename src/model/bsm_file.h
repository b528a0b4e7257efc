#pragma once
// The static model file (.BSM): a list of mesh records (textures, material, node name and parent,
// pivot, positions, faces, uvs, uv faces, corner normals) followed by a list of helper records.
// Little-endian, single-precision floats, indices stored as floats holding whole numbers.
//
// Parsing is pure: it turns the bytes into records and expands every triangle into three corners
// relative to its node pivot. Textures and the vertex pool are the model manager's business.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model_data.h"

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
