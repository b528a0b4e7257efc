#pragma once
// Light maps of the room meshes: every triangle gets its own square cell in the object's map (the
// triangle fills the lower-left half, with a texel of margin), each texel is lit at the point of the
// triangle nearest to it, so cells have no unlit border and bilinear filtering shows no seams.
//
//   LightSource, LightRig   point lights with a soft falloff, moonlight, ambient with corner occlusion
//   chartTriangles          the light uvs of a mesh and the size of its map
//   bakeLightMap            the lit picture (24-bit; 1 is the brightest lit texel after toneMap)

#include <vector>

#include "mediagen/mesh.h"
#include "mediagen/picture.h"

namespace mediagen {

struct LightSource {
    modelling::Vec3 position;
    Color colour;       // rgb, strength folded in
    float reach = 300;  // distance at which the light has fallen to a half
};

struct LightRig {
    std::vector<LightSource> lights;
    // Boxes that cast shadows (placed models, furniture), each min then max.
    std::vector<std::pair<modelling::Vec3, modelling::Vec3>> occluders;
    modelling::Vec3 roomMin, roomMax;  // corners darken near these walls
    Color ambient{0.16f, 0.13f, 0.12f, 1};
    Color outdoor{0.34f, 0.4f, 0.58f, 1};  // moonlit snow outside the room
};

struct LightMapChart {
    std::vector<modelling::Vec2> uvs;
    std::vector<modelling::Tri> faces;  // one per mesh face
    int size = 0;                       // the map is size × size texels
};

// Cells of `cell` texels, counted from the map's bottom row as v is (shrunk until the map fits maxSize); size is a power of two.
LightMapChart chartTriangles(const modelling::Mesh& mesh, int cell, int maxSize);

// Light arriving at a point with the given normal (linear, before the tone curve).
Color lightAt(const LightRig& rig, modelling::Vec3 point, modelling::Vec3 normal);

// The map of one mesh in linear light; every texel of every cell is written.
Picture bakeLightMap(const modelling::Mesh& mesh, const LightMapChart& chart, const LightRig& rig);

// The tone curve for the multiplying blend: 1 − e^(−exposure·E), scaled so the brightest value of
// every map together is 1. Applied in place to all maps.
void toneMap(std::vector<Picture>& maps, float exposure);

}  // namespace mediagen
