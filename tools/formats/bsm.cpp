#include "formats/bsm.h"

#include <stdexcept>

namespace formats {

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
        putVec3(out, mesh.pivot);
        for (const Vec3& p : mesh.positions) putVec3(out, p);
        for (const Triangle& f : mesh.faces) putTriangle(out, f);
        for (const Vec3& uv : mesh.uvs) putVec3(out, uv);
        for (const Triangle& f : mesh.uvFaces) putTriangle(out, f);
        for (const Vec3& n : mesh.normals) putVec3(out, n);
    }
    out.putInt32(static_cast<std::int32_t>(model.helpers.size()));
    for (const BsmHelper& helper : model.helpers) {
        putVec3(out, helper.position);
        out.putCountedString(helper.name);
        out.putCountedString(helper.parentName);
        out.putFloat(helper.rotation.x);
        out.putFloat(helper.rotation.y);
        out.putFloat(helper.rotation.z);
        out.putFloat(helper.rotation.w);
        out.putInt32(helper.kind);
    }
    return out.take();
}

}  // namespace formats
