#pragma once
// A small flame-like skinned model: Bone03 the root at (0, 0, 5), Bone01 above it at (0, 0, 15),
// Bone02 beside it at (5, 0, 5); three vertices and one triangle; an animation of 100 frames.

#include "model/bsa_file.h"

namespace fixtures {

// 90 degrees about z with a translation, in the file's 4x3 layout (axis rows, translation row).
inline Transform4x3 turnedZ(float tx, float ty, float tz) { return {0, 1, 0, -1, 0, 0, 0, 0, 1, tx, ty, tz}; }

inline BsaMesh flameMesh() {
    BsaMesh mesh;
    mesh.texture = "C:\\art\\add_flame.tga";
    mesh.scrollU = 0;
    mesh.scrollV = 0.5f;
    mesh.positions = {{1, 0, 15}, {5, 0, 5}, {0, 0, 5}};
    mesh.weights = {{1, 0, 0}, {2, 1, 1}, {1, 0, 0}};
    mesh.boneIndices = {{1, 0, 0}, {2, 0, 1}, {0, 0, 0}};
    mesh.faces = {{0, 1, 2}};
    mesh.uvs = {{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}};
    mesh.uvFaces = {{2, 1, 0}};
    mesh.normals = {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}};
    BsaBone root;
    root.name = "Bone03";
    root.bindLocal = translationTransform(0, 0, 5);
    BsaBone up;
    up.name = "Bone01";
    up.parentName = "Bone03";
    up.bindLocal = translationTransform(0, 0, 10);
    BsaBone side;
    side.name = "Bone02";
    side.parentName = "Bone03";
    side.bindLocal = translationTransform(5, 0, 0);
    mesh.bones = {root, up, side};
    return mesh;
}

// Every key of every bone equals its bind transform, 100 frames.
inline BsaAnimation flameAnimation(int frames = 100) {
    const BsaMesh mesh = flameMesh();
    BsaAnimation animation;
    animation.boneCountField = 3;
    for (int b = 0; b < 3; ++b) {
        BsaTrack track;
        track.boneNumber = b;
        track.keys.assign(std::size_t(frames), mesh.bones[std::size_t(b)].bindLocal);
        animation.tracks.push_back(track);
    }
    return animation;
}

}  // namespace fixtures
