#include "model/bsa_file.h"

#include <algorithm>
#include <cmath>

#include "core/byte_reader.h"
#include "model/model_data.h"

namespace {

// Reads count × 3 float indices into `out`, each checked against `limit`.
void readIndices(ByteReader& in, std::vector<std::int32_t>& out, std::size_t count, std::int32_t limit,
                 const char* what) {
    out.resize(count);
    for (std::size_t i = 0; i < count && in.ok(); ++i) {
        const float value = in.readFloat();
        if (!in.ok()) return;
        const int index = floatIndex(value, limit);
        if (index < 0) {
            in.fail(std::string(what) + " index " + std::to_string(value) + " out of range");
            return;
        }
        out[i] = index;
    }
}

bool bonesFormTrees(const BsaMeshContents& mesh) {
    std::vector<bool> visited(mesh.bones.size(), false);
    std::vector<int> pending;
    for (int root : mesh.roots) {
        if (visited[root]) return false;
        visited[root] = true;
        pending.push_back(root);
    }
    while (!pending.empty()) {
        const int bone = pending.back();
        pending.pop_back();
        for (int child : mesh.children[bone]) {
            if (visited[child]) return false;
            visited[child] = true;
            pending.push_back(child);
        }
    }
    return true;
}

}  // namespace

bool parseBsaMesh(const std::uint8_t* data, std::size_t size, BsaMeshContents& out, std::string& error) {
    out = BsaMeshContents{};
    ByteReader in(data, size);
    out.texture = in.readCountedString();
    out.scrollU = in.readFloat();
    out.scrollV = in.readFloat();
    const std::int32_t vertexCount = in.readInt32();
    const std::int32_t faceCount = in.readInt32();
    const std::int32_t uvCount = in.readInt32();
    const std::int32_t uvFaceCount = in.readInt32();
    in.skip(12);
    if (in.ok() && uvFaceCount != faceCount) {
        in.fail("uv face count " + std::to_string(uvFaceCount) + " differs from face count " +
                std::to_string(faceCount));
    }
    const std::int64_t floatsNeeded =
        std::int64_t(vertexCount) * 9 + std::int64_t(faceCount) * 15 + std::int64_t(uvCount) * 3;
    if (in.expectRecords(vertexCount, 36, "vertex") && in.expectRecords(faceCount, 60, "face") &&
        in.expectRecords(uvCount, 12, "uv") && in.expectRecords(floatsNeeded, 4, "mesh float")) {
        out.vertexCount = vertexCount;
        out.faceCount = faceCount;
        out.uvCount = uvCount;
        const std::size_t v3 = std::size_t(vertexCount) * 3;
        out.positions.resize(v3);
        out.weights.resize(v3);
        in.readFloats(out.positions.data(), v3);
        in.readFloats(out.weights.data(), v3);
        // Bone numbers are checked once the bone count is known.
        std::vector<float> boneNumbers(v3);
        in.readFloats(boneNumbers.data(), v3);
        readIndices(in, out.faces, std::size_t(faceCount) * 3, vertexCount, "position");
        out.uvs.resize(std::size_t(uvCount) * 3);
        in.readFloats(out.uvs.data(), out.uvs.size());
        readIndices(in, out.uvFaces, std::size_t(faceCount) * 3, uvCount, "uv");
        out.normals.resize(std::size_t(faceCount) * 9);
        in.readFloats(out.normals.data(), out.normals.size());

        const std::int32_t boneCount = in.readInt32();
        if (in.ok() && boneCount > kMaxBones) {
            in.fail(std::to_string(boneCount) + " bones, more than " + std::to_string(kMaxBones));
        }
        if (in.expectRecords(boneCount, 48 + 8, "bone")) {
            out.bones.resize(std::size_t(boneCount));
            for (BsaBoneRecord& bone : out.bones) {
                float transform[12];
                in.readFloats(transform, 12);
                bone.local = Mat4::fromTransform4x3(transform);
                bone.name = in.readCountedString();
                bone.parentName = in.readCountedString();
                if (!in.ok()) break;
            }
        }
        out.boneIndices.resize(v3);
        for (std::size_t i = 0; i < v3 && in.ok(); ++i) {
            const int index = floatIndex(boneNumbers[i], boneCount);
            if (index < 0) {
                in.fail("bone number " + std::to_string(boneNumbers[i]) + " out of range");
                break;
            }
            out.boneIndices[i] = index;
        }
    }
    if (in.ok()) {
        const std::size_t boneCount = out.bones.size();
        out.children.resize(boneCount);
        for (std::size_t b = 0; b < boneCount; ++b) {
            if (out.bones[b].parentName == kSceneRootName) out.roots.push_back(int(b));
            for (std::size_t c = 0; c < boneCount; ++c) {
                if (out.bones[c].parentName == out.bones[b].name) out.children[b].push_back(int(c));
            }
        }
        if (!bonesFormTrees(out)) in.fail("the bones do not form a tree");
    }
    if (!in.ok()) {
        error = in.failure();
        out = BsaMeshContents{};
        return false;
    }
    for (std::size_t v = 0; v < out.weights.size(); v += 3) {
        float* w = &out.weights[v];
        const float sum = w[0] + w[1] + w[2];
        if (sum == 0.0f || !std::isfinite(sum)) {
            w[0] = 1;
            w[1] = w[2] = 0;
            continue;
        }
        const float scale = 1.0f / sum;
        w[0] *= scale;
        w[1] *= scale;
        w[2] *= scale;
    }
    error.clear();
    return true;
}

bool parseBsaAnimation(const std::uint8_t* data, std::size_t size, BsaAnimationContents& out, Mat4* keyTable,
                       std::string& error) {
    out = BsaAnimationContents{};
    ByteReader in(data, size);
    in.readInt32();  // the bone count of the authoring tool; the tracks say which bones they drive
    const std::int32_t frameCount = in.readInt32();
    const std::int32_t trackCount = in.readInt32();
    if (in.ok() && (frameCount < 0 || frameCount > kMaxAnimationFrames)) {
        in.fail(std::to_string(frameCount) + " frames, more than " + std::to_string(kMaxAnimationFrames));
    }
    const std::size_t trackBytes = 4 + std::size_t(std::max(frameCount, 0)) * 48;
    if (in.expectRecords(trackCount, trackBytes, "track")) {
        out.trackBones.reserve(std::size_t(trackCount));
        for (std::int32_t t = 0; t < trackCount && in.ok(); ++t) {
            const std::int32_t bone = in.readInt32();
            if (bone < 0 || bone >= kKeyTableBones) {
                in.fail("track bone number " + std::to_string(bone) + " outside the key table");
                break;
            }
            out.trackBones.push_back(bone);
            for (std::int32_t f = 0; f < frameCount; ++f) {
                float transform[12];
                in.readFloats(transform, 12);
                keyTable[std::size_t(bone) * kMaxAnimationFrames + std::size_t(f)] =
                    Mat4::fromTransform4x3(transform);
            }
        }
    }
    if (!in.ok()) {
        error = in.failure();
        out = BsaAnimationContents{};
        std::fill(keyTable, keyTable + std::size_t(kKeyTableBones) * kMaxAnimationFrames, Mat4{});
        return false;
    }
    out.frameCount = frameCount;
    out.trackCount = trackCount;
    error.clear();
    return true;
}
