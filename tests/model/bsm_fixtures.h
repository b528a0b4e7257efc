#pragma once
// Small BSM models for the loader and instance tests, written with the BSM writer (model/bsm_file.h).

#include <string>
#include <vector>

#include "model/bsm_file.h"

namespace fixtures {

// One triangle (positions offset by `origin`) with normals along z, uvs (0,0) (1,0) (0,1).
inline BsmMesh triangleMesh(const std::string& node, const std::string& parent, ::Vec3 pivot = {},
                            ::Vec3 origin = {}) {
    BsmMesh mesh;
    mesh.diffuseTexture = "tex_" + node + ".tga";
    mesh.nodeName = node;
    mesh.parentName = parent;
    mesh.pivot = pivot;
    mesh.positions = {{origin.x, origin.y, origin.z},
                      {origin.x + 1, origin.y, origin.z},
                      {origin.x, origin.y + 1, origin.z}};
    mesh.faces = {{0, 1, 2}};
    mesh.uvs = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.uvFaces = {{0, 1, 2}};
    mesh.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    return mesh;
}

inline BsmHelper helper(const std::string& name, const std::string& parent, ::Vec3 position, int kind = 2) {
    BsmHelper h;
    h.name = name;
    h.parentName = parent;
    h.position = position;
    h.kind = kind;
    return h;
}

// The railroad's hierarchy: Hull and CollMesh roots; loco, wagon01, wagon02 under Hull; teddy under
// wagon01; lollipopsinwagon under wagon02; the steam helper on Hull.
inline BsmModel railroad() {
    BsmModel model;
    model.meshes.push_back(triangleMesh("Hull", "Scene Root"));
    model.meshes.push_back(triangleMesh("wagon02", "Hull", {0, 0, 0}, {10, 0, 0}));
    model.meshes.push_back(triangleMesh("wagon01", "Hull", {0, 0, 0}, {0, 10, 0}));
    model.meshes.push_back(triangleMesh("loco", "Hull", {0, 0, 0}, {-10, 0, 0}));
    model.meshes.push_back(triangleMesh("lollipopsinwagon", "wagon02", {10, 0, 5}, {10, 0, 5}));
    model.meshes.push_back(triangleMesh("teddy", "wagon01", {0, 10, 5}, {0, 10, 5}));
    model.meshes.push_back(triangleMesh("CollMesh", "Scene Root"));
    model.helpers.push_back(helper("emit locosteam", "Hull", {-10, 0, 8}));
    return model;
}

}  // namespace fixtures
