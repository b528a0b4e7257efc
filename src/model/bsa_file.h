#pragma once
// The skinned model files: the mesh file "<name>.BSA" (texture, scroll speeds, skin with three bone
// weights per vertex, corner normals, bind-pose bones) and the animation file "<name>_anim.BSA"
// (per track a bone number and one 4x3 key per frame). Parsing is pure.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/maths.h"

constexpr int kMaxBones = 40;             // bones per mesh file
constexpr int kMaxAnimationFrames = 500;  // keys per track
constexpr int kKeyTableBones = 60;        // rows of an animation's key table

struct BsaBoneRecord {
    Mat4 local;  // parent-relative bind transform
    std::string name;
    std::string parentName;
};

struct BsaMeshContents {
    std::string texture;  // file name part
    float scrollU = 0, scrollV = 0;
    std::int32_t vertexCount = 0, faceCount = 0, uvCount = 0;
    std::vector<float> positions;            // vertexCount × 3, bind pose, model space
    std::vector<float> weights;              // vertexCount × 3, normalised to sum 1
    std::vector<std::int32_t> boneIndices;   // vertexCount × 3, each < bones.size()
    std::vector<std::int32_t> faces;         // faceCount × 3, each < vertexCount
    std::vector<float> uvs;                  // uvCount × 3 (u, v, unused w)
    std::vector<std::int32_t> uvFaces;       // faceCount × 3, each < uvCount
    std::vector<float> normals;              // faceCount × 9, one normal per corner
    std::vector<BsaBoneRecord> bones;        // at most kMaxBones
    std::vector<int> roots;                  // bones whose parent is "Scene Root", file order
    std::vector<std::vector<int>> children;  // per bone, the bones naming it as parent, file order
};

// Parses a mesh file. Returns false with the reason in `error` (and `out` empty, all counts 0) when
// the data end early, a count is negative, uvFaceCount differs from faceCount, an index lies outside
// its array (bone numbers included), a counted string breaks its limits, the file has more than 40
// bones, or the bones do not form a tree below their roots. A weight triple that sums to zero (or
// not to a finite number) binds the vertex rigidly to its first bone instead of becoming NaN.
bool parseBsaMesh(const std::uint8_t* data, std::size_t size, BsaMeshContents& out, std::string& error);

struct BsaAnimationContents {
    std::int32_t frameCount = 0;
    std::int32_t trackCount = 0;
    std::vector<std::int32_t> trackBones;  // per track, 0..kKeyTableBones − 1
};

// Parses an animation file, writing key f of the track for bone b into
// keyTable[b × kMaxAnimationFrames + f]; `keyTable` must hold kKeyTableBones × kMaxAnimationFrames
// matrices. Returns false with the reason in `error` (`out` then has 0 frames and 0 tracks and the
// table is zeroed again) when the data end early, a count is negative, the frame count is above 500
// or a track's bone number lies outside the key table.
bool parseBsaAnimation(const std::uint8_t* data, std::size_t size, BsaAnimationContents& out, Mat4* keyTable,
                       std::string& error);
