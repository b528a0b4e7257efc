#pragma once
// BSA skinned models: the mesh file <name>.BSA (texture, skin, bones in bind pose) and the animation
// file <name>_anim.BSA (one track of 4×3 keys per bone).
//
//   mesh: texture, scrollU, scrollV, int32 V, F, T, TF, 3 unused floats, V × 3 positions,
//         V × 3 weights, V × 3 bone numbers (floats), F × 3 faces, T × 3 uvs, TF × 3 uv faces,
//         F × 3 × 3 normals, int32 boneCount, boneCount × (12 floats bind local, name, parentName)
//   animation: int32 (ignored; the bone count), int32 frameCount, int32 trackCount,
//              trackCount × (int32 boneNumber, frameCount × 12 floats)

#include <array>
#include <string>
#include <vector>

#include "formats/byte_writer.h"
#include "formats/geometry.h"

namespace formats {

struct BsaBone {
    Transform4x3 bindLocal = translationTransform(0, 0, 0);  // relative to the parent bone
    std::string name;
    std::string parentName = "Scene Root";
};

struct BsaMesh {
    std::string texture;  // e.g. "add_flame.tga"
    float scrollU = 0, scrollV = 0;
    std::array<float, 3> unused{};
    std::vector<Vec3> positions;                           // bind pose, model space
    std::vector<Vec3> weights;                             // three per vertex; the reader normalises them
    std::vector<std::array<std::int32_t, 3>> boneIndices;  // three bone numbers per vertex
    std::vector<Triangle> faces;
    std::vector<Vec3> uvs;  // u, v, w
    std::vector<Triangle> uvFaces;
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

}  // namespace formats
