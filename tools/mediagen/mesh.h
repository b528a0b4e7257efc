#pragma once
// The modelling toolkit: triangle meshes built from primitives, moved by affine transforms, given
// texture coordinates by projection and per-corner normals by a crease angle.
//
//   Vec3, Affine            small vector and transform arithmetic (z is up, one unit is 1 cm)
//   Mesh                    positions, uvs, triangles, per-corner normals
//   addBox ... addSweep     primitives appended to a mesh; uvs keep an even texel density
//                           (one texture repeat every `uvScale` units)
//   transform, append       move a mesh, merge meshes
//   boxUv, cylindricalUv, sphericalUv   re-project texture coordinates
//   computeNormals          smooth within a crease angle, flat across it
//
// Winding is counter-clockwise seen from the side the face normal points to.

#include <array>
#include <cstdint>
#include <vector>

namespace mediagen {
namespace modelling {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
float dot(Vec3 a, Vec3 b);
Vec3 cross(Vec3 a, Vec3 b);
float length(Vec3 a);
// a / |a|, or (0, 0, 1) for a zero vector.
Vec3 normalized(Vec3 a);

struct Vec2 {
    float u = 0, v = 0;
};

// x' = m · x + t, the 3x3 part stored row by row.
struct Affine {
    std::array<float, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
    Vec3 t;

    Vec3 apply(Vec3 p) const;
    // The 3x3 part only (directions).
    Vec3 applyDirection(Vec3 d) const;
    static Affine translation(Vec3 offset);
    static Affine scaling(Vec3 factors);
    // Right-handed rotations by an angle in radians.
    static Affine rotationX(float radians);
    static Affine rotationY(float radians);
    static Affine rotationZ(float radians);
};
// The transform that applies b first, then a.
Affine operator*(const Affine& a, const Affine& b);

using Tri = std::array<std::int32_t, 3>;

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;
    std::vector<Tri> faces;     // indices into positions
    std::vector<Tri> uvFaces;   // indices into uvs, one per face
    std::vector<Vec3> normals;  // 3 per face once computeNormals has run

    std::size_t triangleCount() const { return faces.size(); }
    // Adds a position / uv, returning its index.
    std::int32_t addPosition(Vec3 p);
    std::int32_t addUv(float u, float v);
    void addFace(Tri positionIndices, Tri uvIndices);
    // A quad a-b-c-d (counter-clockwise) as two triangles.
    void addQuad(std::array<std::int32_t, 4> p, std::array<std::int32_t, 4> uv);
};

// The axis-aligned box of every position; min > max for an empty mesh.
void bounds(const Mesh& mesh, Vec3& min, Vec3& max);

// --- primitives (appended to `mesh`) ---

// Box from min to max, 12 triangles, faces pointing out (or in, for a room seen from inside).
void addBox(Mesh& mesh, Vec3 min, Vec3 max, float uvScale, bool facingIn = false);
// Box whose edges are chamfered by `bevel` (clamped to a third of the smallest size).
void addBevelledBox(Mesh& mesh, Vec3 min, Vec3 max, float bevel, float uvScale);
// Surface of revolution about the z axis through (0, 0): profile points (radius, z) from bottom to
// top; a radius of 0 closes the surface at that end. u runs round, v along the profile.
void addLathe(Mesh& mesh, const std::vector<Vec2>& profile, int segments, float uvScale);
// Closed cylinder / cone / sphere about the z axis from z0 to z1 (lathes with caps).
void addCylinder(Mesh& mesh, float radius, float z0, float z1, int segments, float uvScale);
void addCone(Mesh& mesh, float radius, float z0, float z1, int segments, float uvScale);
void addSphere(Mesh& mesh, Vec3 centre, float radius, int segments, int rings, float uvScale);
// Torus round the z axis: major radius R, tube radius r.
void addTorus(Mesh& mesh, float majorRadius, float tubeRadius, int segments, int sides, float uvScale);
// A polygon in the xy plane (counter-clockwise, simple, not necessarily convex) extruded from z0 to z1
// with both caps (ear-clipped).
void addExtrusion(Mesh& mesh, const std::vector<Vec2>& polygon, float z0, float z1, float uvScale);
// A round tube of the given radius along a path of points (open ends capped when `capped`).
void addSweep(Mesh& mesh, const std::vector<Vec3>& path, float radius, int sides, float uvScale,
              bool closedLoop = false);
// A flat two-triangle quad a-b-c-d with uvs (0,0) (1,0) (1,1) (0,1) times the repeat counts.
void addQuadFace(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec3 d, float repeatU = 1, float repeatV = 1);

// --- transforms and uvs ---

void transform(Mesh& mesh, const Affine& affine);
// Appends `other` (indices shifted).
void append(Mesh& mesh, const Mesh& other);
// Replaces the uvs: each face projected along its dominant normal axis, `uvScale` units per repeat.
void boxUv(Mesh& mesh, float uvScale);
// u = angle round the z axis through `centre` (0..1 × repeatU), v = z / uvScale.
void cylindricalUv(Mesh& mesh, Vec3 centre, float repeatU, float uvScale);
// u = longitude (0..1), v = latitude (0..1), about `centre`.
void sphericalUv(Mesh& mesh, Vec3 centre);

// Per-corner normals: each corner averages (area-weighted) the normals of the faces round its
// position whose normal lies within `creaseDegrees` of its own face's; faces across a sharper edge
// stay flat.
void computeNormals(Mesh& mesh, float creaseDegrees = 40);
// The face's geometric normal (unit), from its winding.
Vec3 faceNormal(const Mesh& mesh, std::size_t face);

}  // namespace modelling
}  // namespace mediagen
