#include "model/bsa_file.h"

#include <stdexcept>

Transform4x3 translationTransform(float x, float y, float z) {
    return Transform4x3{1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z};
}

Bytes encodeBsaMesh(const BsaMesh& mesh) {
    if (mesh.weights.size() != mesh.positions.size() || mesh.boneIndices.size() != mesh.positions.size())
        throw std::invalid_argument("BSA mesh: need weights and bone numbers for every vertex");
    if (mesh.normals.size() != mesh.faces.size() * 3)
        throw std::invalid_argument("BSA mesh: need three normals per face");
    ByteWriter out;
    out.putCountedString(mesh.texture);
    out.putFloat(mesh.scrollU);
    out.putFloat(mesh.scrollV);
    out.putInt32(static_cast<std::int32_t>(mesh.positions.size()));
    out.putInt32(static_cast<std::int32_t>(mesh.faces.size()));
    out.putInt32(static_cast<std::int32_t>(mesh.uvs.size()));
    out.putInt32(static_cast<std::int32_t>(mesh.uvFaces.size()));
    out.putFloats(mesh.unused.data(), mesh.unused.size());
    for (const Vec3& p : mesh.positions) out.putVec3(p);
    for (const Vec3& w : mesh.weights) out.putVec3(w);
    for (const auto& b : mesh.boneIndices) out.putIndexTriple(b);
    for (const IndexTriple& f : mesh.faces) out.putIndexTriple(f);
    for (const Vec3& uv : mesh.uvs) out.putVec3(uv);
    for (const IndexTriple& f : mesh.uvFaces) out.putIndexTriple(f);
    for (const Vec3& n : mesh.normals) out.putVec3(n);
    out.putInt32(static_cast<std::int32_t>(mesh.bones.size()));
    for (const BsaBone& bone : mesh.bones) {
        out.putFloats(bone.bindLocal.data(), bone.bindLocal.size());
        out.putCountedString(bone.name);
        out.putCountedString(bone.parentName);
    }
    return out.take();
}

Bytes encodeBsaAnimation(const BsaAnimation& animation) {
    const std::int32_t frames = animation.frameCount();
    for (const BsaTrack& track : animation.tracks)
        if (std::int32_t(track.keys.size()) != frames)
            throw std::invalid_argument("BSA animation: every track needs the same number of keys");
    ByteWriter out;
    out.putInt32(animation.boneCountField);
    out.putInt32(frames);
    out.putInt32(static_cast<std::int32_t>(animation.tracks.size()));
    for (const BsaTrack& track : animation.tracks) {
        out.putInt32(track.boneNumber);
        for (const Transform4x3& key : track.keys) out.putFloats(key.data(), key.size());
    }
    return out.take();
}
