#include "model/bsm_file.h"

#include <algorithm>

#include "core/byte_reader.h"

namespace {

constexpr float kBoxStart = 999999.0f;
// Smallest possible sizes of the records, for checking counts before allocating.
constexpr std::size_t kMinMeshRecordBytes = 4 + 8 + 1 + 1 + 4 + 4 + 16 + 12;
constexpr std::size_t kMinHelperRecordBytes = 12 + 4 + 4 + 16 + 4;

void linkChildren(std::vector<BsmMeshRecord>& meshes) {
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        for (std::size_t j = 0; j < meshes.size(); ++j) {
            if (j != i && meshes[j].hasParent && meshes[j].parentName == meshes[i].nodeName) {
                meshes[i].children.push_back(int(j));
            }
        }
    }
}

// True when every node below the first "Hull" is reached exactly once.
bool hullHierarchyIsTree(const std::vector<BsmMeshRecord>& meshes) {
    auto hull = std::find_if(meshes.begin(), meshes.end(),
                             [](const BsmMeshRecord& m) { return m.nodeName == kHullNodeName; });
    if (hull == meshes.end()) return true;
    std::vector<bool> visited(meshes.size(), false);
    std::vector<int> pending{int(hull - meshes.begin())};
    visited[pending.back()] = true;
    while (!pending.empty()) {
        const int node = pending.back();
        pending.pop_back();
        for (int child : meshes[node].children) {
            if (visited[child]) return false;
            visited[child] = true;
            pending.push_back(child);
        }
    }
    return true;
}

bool readMesh(ByteReader& in, BsmMeshRecord& mesh, Vec3& boxMin, Vec3& boxMax) {
    mesh.diffuseTexture = in.readCountedString();
    mesh.scrollU = in.readFloat();
    mesh.scrollV = in.readFloat();
    mesh.hasReflection = in.readUint8() != 0;
    if (mesh.hasReflection) mesh.reflectionTexture = in.readCountedString();
    mesh.hasIllumination = in.readUint8() != 0;
    if (mesh.hasIllumination) mesh.illuminationTexture = in.readCountedString();
    mesh.nodeName = in.readCountedString();
    mesh.parentName = in.readCountedString();
    mesh.hasParent = mesh.parentName != kSceneRootName;
    const std::int32_t vertexCount = in.readInt32();
    const std::int32_t faceCount = in.readInt32();
    const std::int32_t uvCount = in.readInt32();
    const std::int32_t uvFaceCount = in.readInt32();
    mesh.pivot = in.readVec3();
    if (!in.ok()) return false;
    if (uvFaceCount != faceCount) {
        in.fail("uv face count " + std::to_string(uvFaceCount) + " differs from face count " +
                std::to_string(faceCount) + " in node " + mesh.nodeName);
        return false;
    }
    // Every array must fit in what is left before anything is allocated for it.
    const std::int64_t floatsNeeded = std::int64_t(vertexCount) * 3 + std::int64_t(faceCount) * 3 +
                                      std::int64_t(uvCount) * 3 + std::int64_t(uvFaceCount) * 3 +
                                      std::int64_t(faceCount) * 9;
    if (!in.expectRecords(vertexCount, 12, "vertex") || !in.expectRecords(faceCount, 12, "face") ||
        !in.expectRecords(uvCount, 12, "uv") || !in.expectRecords(floatsNeeded, 4, "mesh float")) {
        return false;
    }

    std::vector<float> positions(std::size_t(vertexCount) * 3);
    std::vector<float> faces(std::size_t(faceCount) * 3);
    std::vector<float> uvs(std::size_t(uvCount) * 3);
    std::vector<float> uvFaces(std::size_t(faceCount) * 3);
    std::vector<float> normals(std::size_t(faceCount) * 9);
    in.readFloats(positions.data(), positions.size());
    in.readFloats(faces.data(), faces.size());
    in.readFloats(uvs.data(), uvs.size());
    in.readFloats(uvFaces.data(), uvFaces.size());
    in.readFloats(normals.data(), normals.size());
    if (!in.ok()) return false;

    for (std::int32_t v = 0; v < vertexCount; ++v) {
        const float* p = &positions[std::size_t(v) * 3];
        boxMax = {std::max(boxMax.x, p[0]), std::max(boxMax.y, p[1]), std::max(boxMax.z, p[2])};
        boxMin = {std::min(boxMin.x, p[0]), std::min(boxMin.y, p[1]), std::min(boxMin.z, p[2])};
    }

    mesh.corners.resize(std::size_t(faceCount) * 3);
    for (std::size_t k = 0; k < mesh.corners.size(); ++k) {
        const int vi = floatIndex(faces[k], vertexCount);
        const int ti = floatIndex(uvFaces[k], uvCount);
        if (vi < 0 || ti < 0) {
            in.fail(std::string(vi < 0 ? "position" : "uv") + " index " +
                    std::to_string(vi < 0 ? faces[k] : uvFaces[k]) + " out of range in node " +
                    mesh.nodeName);
            return false;
        }
        CornerRecord& corner = mesh.corners[k];
        const float* p = &positions[std::size_t(vi) * 3];
        corner.position[0] = p[0] - mesh.pivot.x;
        corner.position[1] = p[1] - mesh.pivot.y;
        corner.position[2] = p[2] - mesh.pivot.z;
        corner.normal[0] = normals[k * 3];
        corner.normal[1] = normals[k * 3 + 1];
        corner.normal[2] = normals[k * 3 + 2];
        corner.u = uvs[std::size_t(ti) * 3];
        corner.v = uvs[std::size_t(ti) * 3 + 1];
        corner.unused[0] = corner.unused[1] = corner.unused[2] = 0;
    }
    return true;
}

bool readHelper(ByteReader& in, ModelHelper& helper) {
    helper.position = in.readVec3();
    helper.name = in.readCountedString();
    helper.shortName = helperShortName(helper.name);
    helper.parentName = in.readCountedString();
    helper.rotation = in.readQuat();
    helper.kind = HelperKind(in.readInt32());
    return in.ok();
}

}  // namespace

std::string helperShortName(const std::string& name) {
    const std::size_t blank = name.find(' ');
    return blank == std::string::npos ? name : name.substr(blank + 1);
}

BsmContents emptyBsmContents() {
    BsmContents empty;
    const float size = (-kBoxStart - kBoxStart) * 2;
    empty.extent = {size, size, size};
    return empty;
}

bool parseBsm(const std::uint8_t* data, std::size_t size, BsmContents& out, std::string& error) {
    out = emptyBsmContents();
    ByteReader in(data, size);
    Vec3 boxMax{-kBoxStart, -kBoxStart, -kBoxStart};
    Vec3 boxMin{kBoxStart, kBoxStart, kBoxStart};

    const std::int32_t meshCount = in.readInt32();
    if (meshCount > 0 && in.expectRecords(meshCount, kMinMeshRecordBytes, "mesh")) {
        out.meshes.resize(std::size_t(meshCount));
        for (BsmMeshRecord& mesh : out.meshes) {
            if (!readMesh(in, mesh, boxMin, boxMax)) break;
        }
    }
    const std::int32_t helperCount = in.readInt32();
    // A negative helper count announces no helpers, as a non-positive mesh count announces no meshes.
    if (helperCount > 0 && in.expectRecords(helperCount, kMinHelperRecordBytes, "helper")) {
        out.helpers.resize(std::size_t(helperCount));
        for (ModelHelper& helper : out.helpers) {
            if (!readHelper(in, helper)) break;
        }
    }
    if (in.ok()) {
        linkChildren(out.meshes);
        if (!hullHierarchyIsTree(out.meshes)) in.fail("the nodes below Hull do not form a tree");
    }
    if (!in.ok()) {
        error = in.failure();
        out = emptyBsmContents();
        return false;
    }
    out.extent = {(boxMax.x - boxMin.x) * 2, (boxMax.y - boxMin.y) * 2, (boxMax.z - boxMin.z) * 2};
    error.clear();
    return true;
}
