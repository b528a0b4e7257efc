#pragma once
// A bounding-volume hierarchy over world-space triangles, for the light-map baker's rays.
//
//   SurfaceOptics    how a surface passes light: opaque, cut out where its texture is clear (needle
//                    cards), or translucent with a colour (a lampshade)
//   TriangleBvh      built once from a triangle soup (binned surface-area heuristic on the
//                    longest axis of the centroids); queries walk it with an explicit stack, so they are
//                    thread-safe
//   transmittance    the share of light that gets from the ray's origin to maxDistance
//   occluded         any-hit: does nothing get through?
//   nearestHit       the closest triangle within maxDistance, or a negative distance for none

#include <cstdint>
#include <vector>

#include "mediagen/mesh.h"
#include "mediagen/picture.h"

namespace mediagen {

struct SurfaceOptics {
    // Coverage per texel (the texture's alpha, rows top first as pictures keep them; v = 0 is the
    // bottom row, as texture files store them). Where it is below one half, rays pass. Empty: none.
    Mask cutout;
    // The share of each colour that passes through the surface where it is not cut out; black is
    // opaque.
    Color transmission{0, 0, 0, 1};
};

class TriangleBvh {
public:
    // Adds one opaque triangle a-b-c (both sides are hit). Call build() after the last one.
    void addTriangle(modelling::Vec3 a, modelling::Vec3 b, modelling::Vec3 c);
    // Registers a surface for the triangles below; returns its number.
    int addSurface(SurfaceOptics optics);
    // Adds a triangle of a registered surface with its texture coordinates; an unknown surface number
    // counts as opaque.
    void addTriangle(modelling::Vec3 a, modelling::Vec3 b, modelling::Vec3 c, int surface,
                     modelling::Vec2 uvA, modelling::Vec2 uvB, modelling::Vec2 uvC);
    // Adds every face of a mesh, opaque.
    void addMesh(const modelling::Mesh& mesh);
    // Builds the hierarchy; queries before build() see nothing.
    void build();

    std::size_t triangleCount() const { return triangles_.size(); }

    // The share of light (per colour, 0 … 1) that passes along the segment origin + t·direction,
    // 0 < t < maxDistance: black when an opaque triangle or a covered texel lies on it, otherwise the
    // product of the transmissions of the translucent surfaces met. `direction` need not be unit
    // length; t is measured in multiples of it.
    Color transmittance(modelling::Vec3 origin, modelling::Vec3 direction, float maxDistance) const;
    // True when nothing passes along the segment (transmittance black).
    bool occluded(modelling::Vec3 origin, modelling::Vec3 direction, float maxDistance) const;
    // The smallest t in (0, maxDistance) where the ray meets a triangle, whatever its surface, or −1
    // for none; `triangle` (if given) receives the index of the triangle hit, in the order they were
    // added.
    float nearestHit(modelling::Vec3 origin, modelling::Vec3 direction, float maxDistance,
                     int* triangle = nullptr) const;

private:
    struct Triangle {
        modelling::Vec3 a, edge1, edge2;
        std::int32_t original;
        std::int32_t surface;  // −1: opaque
        modelling::Vec2 uvA, uvB, uvC;
    };
    // What a hit does to a ray.
    enum class Pass { Blocked, Through, Filtered };
    Pass passOf(const Triangle& triangle, float u, float v) const;
    // Walks the hierarchy nearer child first; `hit(triangle, t, u, v)` sees every triangle the ray
    // meets before `limit`, and returns false to end the walk. It may lower `limit`.
    struct Node {
        float lo[3], hi[3];
        std::int32_t
            first;  // leaf: first triangle; inner: index of the right child (the left one is just before it)
        std::int32_t count;  // leaf: triangle count; inner: 0
        std::int32_t axis;   // inner: the axis it was split along (left child lower)
    };
    template <typename Hit>
    void walk(modelling::Vec3 origin, modelling::Vec3 direction, float& limit, Hit hit) const;

    std::vector<SurfaceOptics> surfaces_;
    std::vector<Triangle> triangles_;
    std::vector<Node> nodes_;
};

}  // namespace mediagen
