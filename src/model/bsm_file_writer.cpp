#include "model/bsm_file.h"

#include <stdexcept>

Bytes encodeBsm(const BsmModel& model) {
    ByteWriter out;
    out.putInt32(static_cast<std::int32_t>(model.meshes.size()));
    for (const BsmMesh& mesh : model.meshes) {
        if (mesh.normals.size() != mesh.faces.size() * 3)
            throw std::invalid_argument("BSM mesh " + mesh.nodeName + ": need three normals per face");
        out.putCountedString(mesh.diffuseTexture);
        out.putFloat(mesh.scrollU);
        out.putFloat(mesh.scrollV);
        out.putBool(mesh.hasReflection);
        if (mesh.hasReflection) out.putCountedString(mesh.reflectionTexture);
        out.putBool(mesh.hasIllumination);
        if (mesh.hasIllumination) out.putCountedString(mesh.illuminationTexture);
        out.putCountedString(mesh.nodeName);
        out.putCountedString(mesh.parentName);
        out.putInt32(static_cast<std::int32_t>(mesh.positions.size()));
        out.putInt32(static_cast<std::int32_t>(mesh.faces.size()));
        out.putInt32(static_cast<std::int32_t>(mesh.uvs.size()));
        out.putInt32(static_cast<std::int32_t>(mesh.uvFaces.size()));
        out.putVec3(mesh.pivot);
        for (const Vec3& p : mesh.positions) out.putVec3(p);
        for (const IndexTriple& f : mesh.faces) out.putIndexTriple(f);
        for (const Vec3& uv : mesh.uvs) out.putVec3(uv);
        for (const IndexTriple& f : mesh.uvFaces) out.putIndexTriple(f);
        for (const Vec3& n : mesh.normals) out.putVec3(n);
    }
    out.putInt32(static_cast<std::int32_t>(model.helpers.size()));
    for (const BsmHelper& helper : model.helpers) {
        out.putVec3(helper.position);
        out.putCountedString(helper.name);
        out.putCountedString(helper.parentName);
        out.putQuat(helper.rotation);
        out.putInt32(helper.kind);
    }
    return out.take();
}
