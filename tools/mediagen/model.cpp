#include "mediagen/model.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace mediagen {

using modelling::Affine;
using modelling::Mesh;
using modelling::Vec2;
using modelling::Vec3;

namespace {

// The modelling vector as the model files store it.
::Vec3 toFileVec3(Vec3 v) { return {v.x, v.y, v.z}; }

}  // namespace

BsmMesh toBsmMesh(Mesh mesh, const std::string& nodeName, const std::string& parent, Vec3 pivot,
                  const NodeMaterial& material) {
    if (mesh.normals.size() != mesh.faces.size() * 3) modelling::computeNormals(mesh);
    BsmMesh out;
    out.diffuseTexture = material.diffuse;
    out.scrollU = material.scrollU;
    out.scrollV = material.scrollV;
    out.hasReflection = !material.reflection.empty();
    out.reflectionTexture = material.reflection;
    out.hasIllumination = !material.illumination.empty();
    out.illuminationTexture = material.illumination;
    out.nodeName = nodeName;
    out.parentName = parent;
    out.pivot = toFileVec3(pivot);
    for (const Vec3& p : mesh.positions) out.positions.push_back(toFileVec3(p));
    out.faces = mesh.faces;
    for (const Vec2& uv : mesh.uvs) out.uvs.push_back({uv.u, uv.v, 0});
    out.uvFaces = mesh.uvFaces;
    for (const Vec3& n : mesh.normals) out.normals.push_back(toFileVec3(n));
    return out;
}

void ModelBuilder::addNode(const std::string& name, const std::string& parent, Vec3 pivot, Mesh mesh,
                           const NodeMaterial& material) {
    model_.meshes.push_back(toBsmMesh(std::move(mesh), name, parent, pivot, material));
    translucency_.push_back(material.translucency);
}

float ModelBuilder::translucency(std::size_t mesh) const {
    return mesh < translucency_.size() ? translucency_[mesh] : 0.0f;
}

void ModelBuilder::addHelper(const std::string& name, Vec3 position, const std::string& parent) {
    BsmHelper helper;
    helper.position = toFileVec3(position);
    helper.name = name;
    helper.parentName = parent;
    helper.kind = 2;
    model_.helpers.push_back(helper);
}

void ModelBuilder::addCollisionBox() {
    Vec3 lo, hi;
    drawnBounds(lo, hi);
    addCollisionBox(lo, hi);
}

void ModelBuilder::addCollisionBox(Vec3 lo, Vec3 hi) {
    Mesh box;
    modelling::addBox(box, lo, hi, 100);
    NodeMaterial material;
    addNode("CollMesh", "Scene Root", {0, 0, 0}, box, material);
}

std::size_t ModelBuilder::drawnTriangles() const {
    std::size_t count = 0;
    for (const BsmMesh& mesh : model_.meshes)
        if (mesh.nodeName != "CollMesh") count += mesh.faces.size();
    return count;
}

void ModelBuilder::drawnBounds(Vec3& lo, Vec3& hi) const {
    lo = {1e30f, 1e30f, 1e30f};
    hi = {-1e30f, -1e30f, -1e30f};
    for (const BsmMesh& mesh : model_.meshes) {
        if (mesh.nodeName == "CollMesh") continue;
        for (const ::Vec3& p : mesh.positions) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    }
}

void makeRoomModels(MediaTree& tree, const std::vector<PlacedModel>& models) {
    for (const PlacedModel& model : models)
        tree.write(Archive::Main, "Models/" + model.name + ".BSM", encodeBsm(model.builder.model()));
}

}  // namespace mediagen
