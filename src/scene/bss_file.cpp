#include "scene/bss_file.h"

#include <cmath>

#include "core/byte_reader.h"

namespace {

// A count followed by records of at least `recordBytes` each; negative or too large fails.
std::int32_t readCount(ByteReader& reader, std::size_t recordBytes, const char* what) {
    const std::int32_t count = reader.readInt32();
    if (!reader.expectRecords(count, recordBytes, what)) return 0;
    return count;
}

// `count` is 64-bit so that a count the file gives can be scaled (three normals per face) without
// leaving the range; a negative or too large one fails the reader.
void readVec3s(ByteReader& reader, std::vector<Vec3>& out, std::int64_t count, const char* what) {
    out.clear();
    if (!reader.expectRecords(count, 12, what)) return;
    out.resize(std::size_t(count));
    for (Vec3& v : out) v = reader.readVec3();
}

// Index triples stored as floats, each truncated and checked to lie in 0 … limit − 1.
void readIndexTriples(ByteReader& reader, std::vector<IndexTriple>& out, std::int32_t count,
                      std::int32_t limit, const char* what) {
    out.clear();
    if (!reader.expectRecords(count, 12, what)) return;
    out.resize(std::size_t(count));
    for (auto& triple : out) {
        for (std::int32_t& index : triple) {
            const float value = reader.readFloat();
            if (!(value >= 0.0f && value < float(limit))) {
                reader.fail(std::string(what) + " holds index " + std::to_string(value) + " outside 0.." +
                            std::to_string(std::int64_t(limit) - 1));
                return;
            }
            index = std::int32_t(value);
            if (index >= limit) index = limit - 1;
        }
    }
}

void readMaterial(ByteReader& reader, BssMaterialRecord& m) {
    m.diffuseName = reader.readCountedString();
    m.twoSided = reader.readUint8() != 0;
    m.hasReflection = reader.readUint8() != 0;
    if (m.hasReflection) m.reflectionName = reader.readCountedString();
    m.hasIllumination = reader.readUint8() != 0;
    if (m.hasIllumination) m.illuminationName = reader.readCountedString();
    m.firstCorner = reader.readInt32();
    m.cornerCount = reader.readInt32();
    m.materialRef = reader.readInt32();
}

void readMesh(ByteReader& reader, BssMeshRecord& mesh) {
    mesh.name = reader.readCountedString();
    mesh.parentName = reader.readCountedString();
    // The smallest entry: empty name, three flags, three int32 values.
    mesh.declaredMaterialCount = readCount(reader, 4 + 3 + 12, "material entries");
    for (std::int32_t i = 0; reader.ok() && i < mesh.declaredMaterialCount; ++i) {
        BssMaterialRecord material;
        readMaterial(reader, material);
        if (i < kMaxMaterials) mesh.materials.push_back(std::move(material));
    }
    const std::int32_t vertexCount = reader.readInt32();
    const std::int32_t faceCount = reader.readInt32();
    const std::int32_t uvCount = reader.readInt32();
    const std::int32_t lightUvCount = reader.readInt32();
    const std::int32_t uvFaceCount = reader.readInt32();
    if (!reader.ok()) return;
    if (uvFaceCount != faceCount) {
        reader.fail("uvFaceCount " + std::to_string(uvFaceCount) + " differs from faceCount " +
                    std::to_string(faceCount));
        return;
    }
    mesh.hasLightMap = reader.readUint8() == 1;
    if (mesh.hasLightMap) mesh.lightMapName = reader.readCountedString();
    readVec3s(reader, mesh.positions, vertexCount, "positions");
    readIndexTriples(reader, mesh.faces, faceCount, vertexCount, "faces");
    readVec3s(reader, mesh.uvs, uvCount, "uvs");
    readVec3s(reader, mesh.lightUvs, lightUvCount, "light-map uvs");
    readIndexTriples(reader, mesh.uvFaces, uvFaceCount, uvCount, "uv faces");
    if (mesh.hasLightMap) {
        readIndexTriples(reader, mesh.lightUvFaces, uvFaceCount, lightUvCount, "light-map uv faces");
    } else if (reader.expectRecords(uvFaceCount, 12, "light-map uv faces")) {
        // Unused without a light map, so their values are not checked.
        reader.skip(std::size_t(uvFaceCount) * 12);
    }
    if (reader.ok() && faceCount > 0 && !reader.expectRecords(faceCount, 36, "normals")) return;
    readVec3s(reader, mesh.normals, std::int64_t(faceCount) * 3, "normals");
}

void readPortal(ByteReader& reader, BssPortalRecord& portal) {
    portal.name = reader.readCountedString();
    portal.targetName = reader.readCountedString();
    const std::int32_t pointCount = reader.readInt32();
    readVec3s(reader, portal.points, pointCount, "portal points");
    const std::int32_t triangleCount = reader.readInt32();
    if (reader.expectRecords(triangleCount, 12, "portal triangles"))
        reader.skip(std::size_t(triangleCount) * 12);
    reader.skip(12);
}

void readCamera(ByteReader& reader, SceneCamera& camera) {
    const std::int32_t keyCount = reader.readInt32();
    if (!reader.expectRecords(keyCount, 32, "camera keys")) return;
    readVec3s(reader, camera.positions, keyCount, "camera positions");
    camera.rotations.resize(std::size_t(keyCount));
    for (Quat& q : camera.rotations) q = reader.readQuat();
    camera.fieldsOfView.resize(std::size_t(keyCount));
    for (float& f : camera.fieldsOfView) f = reader.readFloat();
}

void readHelper(ByteReader& reader, BssHelperRecord& helper) {
    helper.name = reader.readCountedString();
    helper.parentName = reader.readCountedString();
    helper.kind = HelperKind(reader.readInt32());
    helper.hold = reader.readInt32();
    const std::int32_t keyCount = reader.readInt32();
    if (!reader.expectRecords(keyCount, 28, "helper keys")) return;
    readVec3s(reader, helper.positions, keyCount, "helper positions");
    helper.rotations.resize(std::size_t(keyCount));
    for (Quat& q : helper.rotations) q = reader.readQuat();
}

void readLight(ByteReader& reader, SceneLight& light) {
    const Vec3 position = reader.readVec3();
    const Vec3 colour = reader.readVec3();
    light.range = reader.readFloat();
    reader.readFloat();  // reserved
    const float multiplier = reader.readFloat();
    const float attenuation = reader.readFloat();
    light.position = {position.x, position.y, position.z, 1.0f};
    light.ambient = {1.6f * multiplier, 1.6f * multiplier, 1.6f * multiplier, multiplier};
    light.diffuse = {colour.x * multiplier, colour.y * multiplier, colour.z * multiplier, multiplier};
    light.specular = light.diffuse;
    light.quadraticAttenuation = attenuation * 0.000002f;
    light.declaredIncludeCount = readCount(reader, 4, "include names");
    for (std::int32_t i = 0; reader.ok() && i < light.declaredIncludeCount; ++i) {
        std::string name = reader.readCountedString();
        if (i < kMaxIncludeNames) light.includeNames.push_back(std::move(name));
    }
}

}  // namespace

bool parseBss(const std::uint8_t* data, std::size_t size, BssContents& file, std::string& error) {
    file = BssContents{};
    if (!data || size == 0) return true;
    ByteReader reader(data, size);
    // Each record's smallest size keeps a huge count from reserving memory the file cannot fill.
    const std::int32_t meshCount = readCount(reader, 8 + 4 + 20 + 1, "room meshes");
    for (std::int32_t i = 0; reader.ok() && i < meshCount; ++i) {
        file.meshes.emplace_back();
        readMesh(reader, file.meshes.back());
    }
    const std::int32_t portalCount = readCount(reader, 8 + 8 + 12, "portals");
    for (std::int32_t i = 0; reader.ok() && i < portalCount; ++i) {
        file.portals.emplace_back();
        readPortal(reader, file.portals.back());
    }
    const std::int32_t cameraCount = readCount(reader, 4, "cameras");
    for (std::int32_t i = 0; reader.ok() && i < cameraCount; ++i) {
        file.cameras.emplace_back();
        readCamera(reader, file.cameras.back());
    }
    const std::int32_t helperCount = readCount(reader, 8 + 12, "helpers");
    for (std::int32_t i = 0; reader.ok() && i < helperCount; ++i) {
        file.helpers.emplace_back();
        readHelper(reader, file.helpers.back());
    }
    const std::int32_t lightCount = readCount(reader, 40 + 4, "lights");
    for (std::int32_t i = 0; reader.ok() && i < lightCount; ++i) {
        file.lights.emplace_back();
        readLight(reader, file.lights.back());
    }
    if (!reader.ok()) {
        error = reader.failure();
        return false;
    }
    return true;
}
