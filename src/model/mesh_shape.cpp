#include "model/mesh_shape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <unordered_map>

namespace {

using PointKey = std::array<std::uint32_t, 3>;

PointKey keyOf(const float position[3]) {
    PointKey key;
    std::memcpy(key.data(), position, sizeof(key));
    return key;
}

struct PointHash {
    std::size_t operator()(const PointKey& k) const {
        return (std::size_t(k[0]) * 73856093u) ^ (std::size_t(k[1]) * 19349663u) ^
               (std::size_t(k[2]) * 83492791u);
    }
};

std::uint64_t edgeKey(std::uint32_t from, std::uint32_t to) { return (std::uint64_t(from) << 32) | to; }

int findRoot(std::vector<int>& parent, int i) {
    while (parent[std::size_t(i)] != i) {
        parent[std::size_t(i)] = parent[std::size_t(parent[std::size_t(i)])];
        i = parent[std::size_t(i)];
    }
    return i;
}

}  // namespace

MeshShape meshShape(const std::vector<CornerRecord>& corners) {
    MeshShape shape;
    const std::size_t triangles = corners.size() / 3;
    if (triangles == 0) return shape;
    for (std::size_t i = 0; i < triangles * 3; ++i) {
        const float* p = corners[i].position;
        const Vec3 v{p[0], p[1], p[2]};
        shape.boxMin = i == 0 ? v
                              : Vec3{std::fmin(shape.boxMin.x, v.x), std::fmin(shape.boxMin.y, v.y),
                                     std::fmin(shape.boxMin.z, v.z)};
        shape.boxMax = i == 0 ? v
                              : Vec3{std::fmax(shape.boxMax.x, v.x), std::fmax(shape.boxMax.y, v.y),
                                     std::fmax(shape.boxMax.z, v.z)};
    }

    // Points numbered by position; each directed edge counted.
    std::unordered_map<PointKey, std::uint32_t, PointHash> points;
    std::vector<std::uint32_t> pointOf(triangles * 3);
    for (std::size_t i = 0; i < triangles * 3; ++i) {
        const auto inserted = points.emplace(keyOf(corners[i].position), std::uint32_t(points.size()));
        pointOf[i] = inserted.first->second;
    }
    std::unordered_map<std::uint64_t, int> edges;
    for (std::size_t t = 0; t < triangles; ++t) {
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t from = pointOf[t * 3 + std::size_t(c)],
                                to = pointOf[t * 3 + std::size_t((c + 1) % 3)];
            if (from == to) return shape;  // a degenerate triangle
            if (++edges[edgeKey(from, to)] > 1) return shape;
        }
    }
    for (const auto& edge : edges) {
        if (edges.count(edgeKey(std::uint32_t(edge.first & 0xffffffffu), std::uint32_t(edge.first >> 32))) ==
            0)
            return shape;
    }

    // Pieces joined through shared points; the signed volume of each, measured from its own corner
    // so that a piece far from the origin keeps its precision.
    std::vector<int> parent(points.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (std::size_t t = 0; t < triangles; ++t) {
        const int a = findRoot(parent, int(pointOf[t * 3]));
        for (int c = 1; c < 3; ++c)
            parent[std::size_t(findRoot(parent, int(pointOf[t * 3 + std::size_t(c)])))] = a;
    }
    std::unordered_map<int, std::pair<Vec3, double>> volumes;  // root: reference point, 6 × volume
    for (std::size_t t = 0; t < triangles; ++t) {
        const auto corner = [&](int c) {
            const float* p = corners[t * 3 + std::size_t(c)].position;
            return Vec3{p[0], p[1], p[2]};
        };
        auto& piece =
            volumes.try_emplace(findRoot(parent, int(pointOf[t * 3])), corner(0), 0.0).first->second;
        const Vec3 a = corner(0) - piece.first, b = corner(1) - piece.first, c = corner(2) - piece.first;
        piece.second += double(dot(a, cross(b, c)));
    }
    shape.closedOutward = std::all_of(volumes.begin(), volumes.end(),
                                      [](const auto& piece) { return piece.second.second > 0.0; });
    return shape;
}
