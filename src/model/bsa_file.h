#pragma once
// BSA, the skinned (animated) model format: the fireplace flames. The name is the files' own
// extension (no expansion of it is on record). A model is two files under "Models/":
//
//   the mesh file "<name>.BSA": texture, scroll speeds, a skin with three bone weights per vertex,
//     corner normals and the bones in bind pose
//     texture, scrollU, scrollV, int32 V, F, T, TF, 3 unused floats, V × 3 positions,
//     V × 3 weights, V × 3 bone numbers (floats), F × 3 faces, T × 3 uvs, TF × 3 uv faces,
//     F × 3 × 3 normals, int32 boneCount, boneCount × (4x3 bind transform, name, parentName)
//   the animation file "<name>_anim.BSA": one track of 4x3 keys per bone
//     int32 (the authoring tool's bone count, not read), int32 frameCount, int32 trackCount,
//     trackCount × (int32 boneNumber, frameCount × 4x3 key)
//
// Little-endian, single-precision floats, counted strings (core/byte_reader.h), indices stored as
// floats holding whole numbers. A 4x3 transform is 12 floats: three axis rows, then the translation
// row (Mat4::fromTransform4x3 reads it).
//
// Reading (the animated model) is pure: it checks every count and index and normalises the weights.
// Writing (the media generator, the tests' fixtures) takes the records as authored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_writer.h"
#include "core/maths.h"
#include "model/model_data.h"

constexpr int kMaxBones = 40;             // bones per mesh file
constexpr int kMaxAnimationFrames = 500;  // keys per track
constexpr int kKeyTableBones = 60;        // rows of an animation's key table

// --- Reading --------------------------------------------------------------------------------------

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

// --- Writing --------------------------------------------------------------------------------------

// A 4x3 transform as the files hold it. As a matrix acting on column vectors, M[r][c] = values[3c + r]
// and the translation is values[9 + r].
using Transform4x3 = std::array<float, 12>;

// The identity transform moved to (x, y, z).
Transform4x3 translationTransform(float x, float y, float z);

struct BsaBone {
    Transform4x3 bindLocal = translationTransform(0, 0, 0);  // relative to the parent bone
    std::string name;
    std::string parentName = kSceneRootName;
};

struct BsaMesh {
    std::string texture;  // e.g. "add_flame.tga"
    float scrollU = 0, scrollV = 0;
    std::array<float, 3> unused{};
    std::vector<Vec3> positions;           // bind pose, model space
    std::vector<Vec3> weights;             // three per vertex; the reader normalises them
    std::vector<IndexTriple> boneIndices;  // three bone numbers per vertex
    std::vector<IndexTriple> faces;
    std::vector<Vec3> uvs;  // u, v, w
    std::vector<IndexTriple> uvFaces;
    std::vector<Vec3> normals;   // 3 per face
    std::vector<BsaBone> bones;  // file order = bone number
};

struct BsaTrack {
    std::int32_t boneNumber = 0;
    std::vector<Transform4x3> keys;  // one per frame, parent-relative
};

struct BsaAnimation {
    std::int32_t boneCountField = 0;  // the first int32, which the reader ignores
    std::vector<BsaTrack> tracks;     // every track must hold frameCount() keys
    std::int32_t frameCount() const { return tracks.empty() ? 0 : std::int32_t(tracks.front().keys.size()); }
};

// The mesh file. Throws std::invalid_argument when weights or boneIndices do not match positions
// or normals are not 3 per face (the file has no counts of their own).
Bytes encodeBsaMesh(const BsaMesh& mesh);
// The animation file; frameCount is the first track's key count. Throws std::invalid_argument when
// the tracks hold different numbers of keys.
Bytes encodeBsaAnimation(const BsaAnimation& animation);
