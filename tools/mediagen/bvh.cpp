#include "mediagen/bvh.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mediagen {

using modelling::Vec3;

namespace {

constexpr int kLeafSize = 4;
constexpr int kMaxDepth = 64;

float axisOf(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

}  // namespace

void TriangleBvh::addTriangle(Vec3 a, Vec3 b, Vec3 c) {
    triangles_.push_back({a, b - a, c - a, static_cast<std::int32_t>(triangles_.size()), -1, {}, {}, {}});
}

int TriangleBvh::addSurface(SurfaceOptics optics) {
    surfaces_.push_back(std::move(optics));
    return static_cast<int>(surfaces_.size()) - 1;
}

void TriangleBvh::addTriangle(Vec3 a, Vec3 b, Vec3 c, int surface, modelling::Vec2 uvA, modelling::Vec2 uvB,
                              modelling::Vec2 uvC) {
    const bool known = surface >= 0 && surface < static_cast<int>(surfaces_.size());
    triangles_.push_back(
        {a, b - a, c - a, static_cast<std::int32_t>(triangles_.size()), known ? surface : -1, uvA, uvB, uvC});
}

void TriangleBvh::addMesh(const modelling::Mesh& mesh) {
    const auto count = static_cast<std::int32_t>(mesh.positions.size());
    for (const modelling::Tri& f : mesh.faces) {
        if (f[0] < 0 || f[1] < 0 || f[2] < 0 || f[0] >= count || f[1] >= count || f[2] >= count) continue;
        addTriangle(mesh.positions[f[0]], mesh.positions[f[1]], mesh.positions[f[2]]);
    }
}

void TriangleBvh::build() {
    nodes_.clear();
    if (triangles_.empty()) return;
    std::vector<Vec3> centroids(triangles_.size());
    for (std::size_t i = 0; i < triangles_.size(); ++i) {
        const Triangle& t = triangles_[i];
        centroids[i] = t.a + (t.edge1 + t.edge2) * (1.0f / 3.0f);
    }
    // Sorting an index list keeps the centroids with their triangles.
    std::vector<std::int32_t> order(triangles_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::int32_t>(i);

    struct Pending {
        std::int32_t node, first, count, depth;
    };
    std::vector<Pending> stack;
    nodes_.push_back({});
    stack.push_back({0, 0, static_cast<std::int32_t>(order.size()), 0});
    while (!stack.empty()) {
        const Pending job = stack.back();
        stack.pop_back();
        Node node{};
        float clo[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                        std::numeric_limits<float>::max()};
        float chi[3] = {-std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                        -std::numeric_limits<float>::max()};
        for (int k = 0; k < 3; ++k) {
            node.lo[k] = clo[k];
            node.hi[k] = chi[k];
        }
        for (std::int32_t i = job.first; i < job.first + job.count; ++i) {
            const Triangle& t = triangles_[order[i]];
            const Vec3 corners[3] = {t.a, t.a + t.edge1, t.a + t.edge2};
            for (const Vec3& p : corners)
                for (int k = 0; k < 3; ++k) {
                    node.lo[k] = std::min(node.lo[k], axisOf(p, k));
                    node.hi[k] = std::max(node.hi[k], axisOf(p, k));
                }
            for (int k = 0; k < 3; ++k) {
                clo[k] = std::min(clo[k], axisOf(centroids[order[i]], k));
                chi[k] = std::max(chi[k], axisOf(centroids[order[i]], k));
            }
        }
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (chi[k] - clo[k] > chi[axis] - clo[axis]) axis = k;
        if (job.count <= kLeafSize || job.depth >= kMaxDepth || chi[axis] - clo[axis] <= 0) {
            node.first = job.first;
            node.count = job.count;
            nodes_[job.node] = node;
            continue;
        }
        // Surface-area heuristic over a few bins of the centroids along the longest axis.
        constexpr int kBins = 12;
        struct Bin {
            float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
            int count = 0;
        } bins[kBins];
        const float scale = float(kBins) / (chi[axis] - clo[axis]);
        auto binOf = [&](std::int32_t t) {
            return std::min(kBins - 1, int((axisOf(centroids[t], axis) - clo[axis]) * scale));
        };
        for (std::int32_t i = job.first; i < job.first + job.count; ++i) {
            Bin& bin = bins[binOf(order[i])];
            ++bin.count;
            const Triangle& t = triangles_[order[i]];
            const Vec3 corners[3] = {t.a, t.a + t.edge1, t.a + t.edge2};
            for (const Vec3& p : corners)
                for (int k = 0; k < 3; ++k) {
                    bin.lo[k] = std::min(bin.lo[k], axisOf(p, k));
                    bin.hi[k] = std::max(bin.hi[k], axisOf(p, k));
                }
        }
        auto surface = [](const float* lo, const float* hi) {
            const float x = hi[0] - lo[0], y = hi[1] - lo[1], z = hi[2] - lo[2];
            return x < 0 ? 0.0f : x * y + y * z + z * x;
        };
        float leftArea[kBins], rightArea[kBins];
        int leftCount[kBins], rightCount[kBins];
        {
            Bin grow;
            for (int b = 0; b < kBins; ++b) {
                grow.count += bins[b].count;
                for (int k = 0; k < 3; ++k) {
                    grow.lo[k] = std::min(grow.lo[k], bins[b].lo[k]);
                    grow.hi[k] = std::max(grow.hi[k], bins[b].hi[k]);
                }
                leftArea[b] = surface(grow.lo, grow.hi);
                leftCount[b] = grow.count;
            }
            Bin back;
            for (int b = kBins - 1; b >= 0; --b) {
                back.count += bins[b].count;
                for (int k = 0; k < 3; ++k) {
                    back.lo[k] = std::min(back.lo[k], bins[b].lo[k]);
                    back.hi[k] = std::max(back.hi[k], bins[b].hi[k]);
                }
                rightArea[b] = surface(back.lo, back.hi);
                rightCount[b] = back.count;
            }
        }
        int split = -1;
        float bestCost = float(job.count) * surface(node.lo, node.hi);
        for (int b = 0; b + 1 < kBins; ++b) {
            if (leftCount[b] == 0 || rightCount[b + 1] == 0) continue;
            const float cost =
                leftArea[b] * float(leftCount[b]) + rightArea[b + 1] * float(rightCount[b + 1]);
            if (cost < bestCost) {
                bestCost = cost;
                split = b;
            }
        }
        std::int32_t half;
        auto begin = order.begin() + job.first;
        if (split >= 0) {
            half = static_cast<std::int32_t>(
                std::stable_partition(begin, begin + job.count,
                                      [&](std::int32_t t) { return binOf(t) <= split; }) -
                begin);
        } else {
            // No split pays off by area: halve by count so deep piles of small triangles still split.
            half = job.count / 2;
            std::nth_element(begin, begin + half, begin + job.count, [&](std::int32_t l, std::int32_t r) {
                const float cl = axisOf(centroids[l], axis), cr = axisOf(centroids[r], axis);
                return cl < cr || (cl == cr && l < r);
            });
        }
        node.axis = axis;
        const auto left = static_cast<std::int32_t>(nodes_.size());
        nodes_.push_back({});
        const auto right = static_cast<std::int32_t>(nodes_.size());
        nodes_.push_back({});
        // Children sit side by side: trace() finds the left one at first − 1.
        node.first = right;
        node.count = 0;
        nodes_[job.node] = node;
        stack.push_back({right, job.first + half, job.count - half, job.depth + 1});
        stack.push_back({left, job.first, half, job.depth + 1});
    }
    std::vector<Triangle> sorted(triangles_.size());
    for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = triangles_[order[i]];
    triangles_ = std::move(sorted);
}

TriangleBvh::Pass TriangleBvh::passOf(const Triangle& triangle, float u, float v) const {
    if (triangle.surface < 0) return Pass::Blocked;
    const SurfaceOptics& optics = surfaces_[std::size_t(triangle.surface)];
    if (!optics.cutout.values.empty()) {
        const float w = 1 - u - v;
        float tu = triangle.uvA.u * w + triangle.uvB.u * u + triangle.uvC.u * v;
        float tv = triangle.uvA.v * w + triangle.uvB.v * u + triangle.uvC.v * v;
        // Textures repeat; v = 0 is the picture's bottom row.
        tu -= std::floor(tu);
        tv -= std::floor(tv);
        const int x = std::min(optics.cutout.width - 1, int(tu * float(optics.cutout.width)));
        const int y = std::min(optics.cutout.height - 1, int((1 - tv) * float(optics.cutout.height)));
        if (optics.cutout.at(std::max(0, x), std::max(0, y)) < 0.5f) return Pass::Through;
    }
    const Color& c = optics.transmission;
    return (c.r > 0 || c.g > 0 || c.b > 0) ? Pass::Filtered : Pass::Blocked;
}

template <typename Hit>
void TriangleBvh::walk(Vec3 origin, Vec3 direction, float& limit, Hit hit) const {
    if (nodes_.empty()) return;
    const float o[3] = {origin.x, origin.y, origin.z};
    const float d[3] = {direction.x, direction.y, direction.z};
    float inv[3];
    for (int k = 0; k < 3; ++k)
        inv[k] = std::fabs(d[k]) > 1e-20f ? 1.0f / d[k] : std::copysign(1e30f, d[k] == 0 ? 1.0f : d[k]);
    std::int32_t stack[kMaxDepth * 2 + 8];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = nodes_[stack[--top]];
        float t0 = 0, t1 = limit;
        bool miss = false;
        for (int k = 0; k < 3 && !miss; ++k) {
            float ta = (node.lo[k] - o[k]) * inv[k], tb = (node.hi[k] - o[k]) * inv[k];
            if (ta > tb) std::swap(ta, tb);
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
            miss = t0 > t1;
        }
        if (miss) continue;
        if (node.count == 0) {
            // The nearer child first: a blocker close to the origin ends an any-hit query early.
            if (d[node.axis] < 0) {
                stack[top++] = node.first - 1;
                stack[top++] = node.first;
            } else {
                stack[top++] = node.first;
                stack[top++] = node.first - 1;
            }
            continue;
        }
        for (std::int32_t i = node.first; i < node.first + node.count; ++i) {
            const Triangle& tri = triangles_[i];
            // Möller–Trumbore, both faces.
            const Vec3 p = modelling::cross(direction, tri.edge2);
            const float det = modelling::dot(tri.edge1, p);
            if (std::fabs(det) < 1e-12f) continue;
            const float invDet = 1.0f / det;
            const Vec3 s = origin - tri.a;
            const float u = modelling::dot(s, p) * invDet;
            if (u < 0 || u > 1) continue;
            const Vec3 q = modelling::cross(s, tri.edge1);
            const float v = modelling::dot(direction, q) * invDet;
            if (v < 0 || u + v > 1) continue;
            const float t = modelling::dot(tri.edge2, q) * invDet;
            if (t <= 0 || t >= limit) continue;
            if (!hit(tri, t, u, v)) return;
        }
    }
}

Color TriangleBvh::transmittance(Vec3 origin, Vec3 direction, float maxDistance) const {
    Color passed{1, 1, 1, 1};
    float limit = maxDistance;
    // Every triangle sits in one leaf, so each one met filters the ray once.
    walk(origin, direction, limit, [&](const Triangle& tri, float, float u, float v) {
        switch (passOf(tri, u, v)) {
            case Pass::Through:
                return true;
            case Pass::Filtered: {
                const Color& c = surfaces_[std::size_t(tri.surface)].transmission;
                passed = {passed.r * c.r, passed.g * c.g, passed.b * c.b, 1};
                return passed.r > 0 || passed.g > 0 || passed.b > 0;
            }
            case Pass::Blocked:
                break;
        }
        passed = {0, 0, 0, 1};
        return false;
    });
    return passed;
}

bool TriangleBvh::occluded(Vec3 origin, Vec3 direction, float maxDistance) const {
    const Color passed = transmittance(origin, direction, maxDistance);
    return passed.r <= 0 && passed.g <= 0 && passed.b <= 0;
}

float TriangleBvh::nearestHit(Vec3 origin, Vec3 direction, float maxDistance, int* triangle) const {
    float limit = maxDistance;
    int nearest = -1;
    walk(origin, direction, limit, [&](const Triangle& tri, float t, float, float) {
        limit = t;
        nearest = tri.original;
        return true;
    });
    if (nearest < 0) return -1;
    if (triangle) *triangle = nearest;
    return limit;
}

}  // namespace mediagen
