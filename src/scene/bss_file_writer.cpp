#include "scene/bss_file.h"

#include <stdexcept>

namespace {

void putCount(ByteWriter& out, std::size_t count) { out.putInt32(static_cast<std::int32_t>(count)); }

void putMaterial(ByteWriter& out, const BssMaterial& material) {
    out.putCountedString(material.diffuseTexture);
    out.putBool(material.twoSided);
    out.putBool(material.hasReflection);
    if (material.hasReflection) out.putCountedString(material.reflectionTexture);
    out.putBool(material.hasIllumination);
    if (material.hasIllumination) out.putCountedString(material.illuminationTexture);
    out.putInt32(material.firstCorner);
    out.putInt32(material.cornerCount);
    out.putInt32(material.materialRef);
}

void putRoomMesh(ByteWriter& out, const BssRoomMesh& mesh) {
    if (mesh.normals.size() != mesh.faces.size() * 3)
        throw std::invalid_argument("BSS room mesh " + mesh.name + ": need three normals per face");
    if (!mesh.lightUvFaces.empty() && mesh.lightUvFaces.size() != mesh.uvFaces.size())
        throw std::invalid_argument("BSS room mesh " + mesh.name + ": light uv faces must match uv faces");
    out.putCountedString(mesh.name);
    out.putCountedString(mesh.parentName);
    putCount(out, mesh.materials.size());
    for (const BssMaterial& material : mesh.materials) putMaterial(out, material);
    putCount(out, mesh.positions.size());
    putCount(out, mesh.faces.size());
    putCount(out, mesh.uvs.size());
    putCount(out, mesh.lightUvs.size());
    putCount(out, mesh.uvFaces.size());
    out.putBool(mesh.hasLightMap);
    if (mesh.hasLightMap) out.putCountedString(mesh.lightMapName);
    for (const Vec3& p : mesh.positions) out.putVec3(p);
    for (const IndexTriple& f : mesh.faces) out.putIndexTriple(f);
    for (const Vec3& uv : mesh.uvs) out.putVec3(uv);
    for (const Vec3& uv : mesh.lightUvs) out.putVec3(uv);
    for (const IndexTriple& f : mesh.uvFaces) out.putIndexTriple(f);
    if (mesh.lightUvFaces.empty()) {
        for (std::size_t i = 0; i < mesh.uvFaces.size(); ++i) out.putIndexTriple(IndexTriple{0, 0, 0});
    } else {
        for (const IndexTriple& f : mesh.lightUvFaces) out.putIndexTriple(f);
    }
    for (const Vec3& n : mesh.normals) out.putVec3(n);
}

}  // namespace

Bytes encodeBss(const BssScene& scene) {
    ByteWriter out;
    putCount(out, scene.roomMeshes.size());
    for (const BssRoomMesh& mesh : scene.roomMeshes) putRoomMesh(out, mesh);

    putCount(out, scene.portals.size());
    for (const BssPortal& portal : scene.portals) {
        out.putCountedString(portal.name);
        out.putCountedString(portal.targetName);
        putCount(out, portal.points.size());
        for (const Vec3& p : portal.points) out.putVec3(p);
        putCount(out, portal.triangles.size());
        for (const IndexTriple& t : portal.triangles) out.putIndexTriple(t);
        for (std::int32_t value : portal.trailing) out.putInt32(value);
    }

    putCount(out, scene.cameras.size());
    for (const BssCamera& camera : scene.cameras) {
        if (camera.rotations.size() != camera.positions.size() ||
            camera.fieldsOfView.size() != camera.positions.size())
            throw std::invalid_argument(
                "BSS camera: positions, rotations and fields of view must have one entry per key");
        putCount(out, camera.positions.size());
        for (const Vec3& p : camera.positions) out.putVec3(p);
        for (const Quat& q : camera.rotations) out.putQuat(q);
        for (float fov : camera.fieldsOfView) out.putFloat(fov);
    }

    putCount(out, scene.helpers.size());
    for (const BssHelper& helper : scene.helpers) {
        if (helper.rotations.size() != helper.positions.size())
            throw std::invalid_argument("BSS helper " + helper.name + ": one rotation per key position");
        out.putCountedString(helper.name);
        out.putCountedString(helper.parentName);
        out.putInt32(helper.kind);
        out.putInt32(helper.hold);
        putCount(out, helper.positions.size());
        for (const Vec3& p : helper.positions) out.putVec3(p);
        for (const Quat& q : helper.rotations) out.putQuat(q);
    }

    putCount(out, scene.lights.size());
    for (const BssLight& light : scene.lights) {
        out.putVec3(light.position);
        out.putVec3(light.colour);
        out.putFloat(light.range);
        out.putFloat(light.reserved);
        out.putFloat(light.multiplier);
        out.putFloat(light.attenuation);
        putCount(out, light.includeNames.size());
        for (const std::string& name : light.includeNames) out.putCountedString(name);
    }
    return out.take();
}
