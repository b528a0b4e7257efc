#pragma once
// A bounding-volume hierarchy over world-space triangles, for the light-map baker's rays.
//
//   TriangleBvh      built once from a triangle soup (binned surface-area heuristic on the
//                    longest axis of the centroids); queries walk it with an explicit stack, so they are
//                    thread-safe
//   occluded         any-hit: is anything between the ray's origin and maxDistance?
//   nearestHit       the closest hit within maxDistance, or a negative distance for none

#include <cstdint>
#include <vector>

#include "mediagen/mesh.h"

namespace mediagen {

class TriangleBvh {
public:
    // Adds one triangle a-b-c (both sides are hit). Call build() after the last one.
    void addTriangle(modelling::Vec3 a, modelling::Vec3 b, modelling::Vec3 c);
    // Adds every face of a mesh.
    void addMesh(const modelling::Mesh& mesh);
    // Builds the hierarchy; queries before build() see nothing.
    void build();

    std::size_t triangleCount() const { return triangles_.size(); }

    // True when the segment origin + t·direction, 0 < t < maxDistance, meets a triangle.
    // `direction` need not be unit length; t is measured in multiples of it.
    bool occluded(modelling::Vec3 origin, modelling::Vec3 direction, float maxDistance) const;
    // The smallest t in (0, maxDistance) where the ray meets a triangle, or −1 for none;
    // `triangle` (if given) receives the index of the triangle hit, in the order they were added.
    float nearestHit(modelling::Vec3 origin, modelling::Vec3 direction, float maxDistance,
                     int* triangle = nullptr) const;

private:
    struct Triangle {
        modelling::Vec3 a, edge1, edge2;
        std::int32_t original;
    };
    struct Node {
        float lo[3], hi[3];
        std::int32_t
            first;  // leaf: first triangle; inner: index of the right child (the left one is just before it)
        std::int32_t count;  // leaf: triangle count; inner: 0
        std::int32_t axis;   // inner: the axis it was split along (left child lower)
    };
    template <bool AnyHit>
    float trace(modelling::Vec3 origin, modelling::Vec3 direction, float maxDistance, int* triangle) const;

    std::vector<Triangle> triangles_;
    std::vector<Node> nodes_;
};

}  // namespace mediagen
