#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "model/vertex_pool.h"
#include "scene/scene_internal.h"

namespace {

// Whether the object leaves in each pixel it covers either what was there or its own colour with
// its own depth, whatever was drawn before: then, between two such objects, the nearer one shows
// whichever comes first. Placed models draw without blending (their extra layers only add to their
// own pixels); a room object does when all its batches are opaque.
bool drawsWithoutBlending(const SceneObject& object) {
    if (object.kind == SceneObjectKind::PlacedModel) return true;
    if (object.kind == SceneObjectKind::AnimatedModel) return false;
    for (const MeshBatch& batch : object.batches) {
        if (!batch.opaque) return false;
    }
    return true;
}

bool boxHolds(const SceneObject& object, Vec3 point) {
    return object.boxMin.x < point.x && point.x < object.boxMax.x && object.boxMin.y < point.y &&
           point.y < object.boxMax.y && object.boxMin.z < point.z && point.z < object.boxMax.z;
}

// Whether what the object draws lies in the box of `room` (a model: its position), a unit of
// margin given.
bool boxWithin(const SceneObject& object, const SceneObject& room) {
    constexpr float kMargin = 1.0f;
    const Vec3 low = object.kind == SceneObjectKind::RoomMesh ? object.boxMin : object.centre;
    const Vec3 high = object.kind == SceneObjectKind::RoomMesh ? object.boxMax : object.centre;
    return room.boxMin.x - kMargin <= low.x && high.x <= room.boxMax.x + kMargin &&
           room.boxMin.y - kMargin <= low.y && high.y <= room.boxMax.y + kMargin &&
           room.boxMin.z - kMargin <= low.z && high.z <= room.boxMax.z + kMargin;
}

const SceneObject& rootOf(const Scene& scene, const SceneObject& object) {
    const SceneObject* top = &object;
    for (std::size_t steps = 0; top->parent >= 0 && steps < scene.objects.size(); ++steps) {
        top = &scene.objects[std::size_t(top->parent)];
    }
    return *top;
}

// Where the object comes in the drawing order: first what lies in the room that holds the eye,
// nearest first (the distance to a room mesh's box, or to a model's sphere); then the meshes whose
// box holds the eye (the walls, behind what stands in them), by how far they reach; then, in the
// same way, what is seen through the room's windows (the garden; the sky last).
float drawRank(const Scene& scene, const SceneObject& object, Vec3 eye) {
    constexpr float kBeyondTheRoom = 1e7f, kHoldsTheEye = 1e6f;
    const SceneObject& root = rootOf(scene, object);
    const bool inTheRoom = boxHolds(root, eye) && boxWithin(object, root);
    const float tier = inTheRoom ? 0.0f : kBeyondTheRoom;
    if (object.kind != SceneObjectKind::RoomMesh) {
        const Vec3 apart = object.centre - eye;
        return tier + std::max(0.0f, std::sqrt(dot(apart, apart)) - object.radius);
    }
    const Vec3 half = object.extent * 0.5f;
    const Vec3 apart = eye - object.centre;
    const Vec3 outside{std::max(0.0f, std::fabs(apart.x) - half.x),
                       std::max(0.0f, std::fabs(apart.y) - half.y),
                       std::max(0.0f, std::fabs(apart.z) - half.z)};
    if (!boxHolds(object, eye)) return tier + std::sqrt(dot(outside, outside));
    const Vec3 farthest{std::fabs(apart.x) + half.x, std::fabs(apart.y) + half.y,
                        std::fabs(apart.z) + half.z};
    return tier + kHoldsTheEye + std::sqrt(dot(farthest, farthest));
}

// A triangle's corners in the plane its normal is most nearly square to.
using FlatTriangle = std::array<std::array<float, 2>, 3>;

struct Face {
    Vec3 normal, corner, boxMin, boxMax;
    bool twoSided = false;
    FlatTriangle flat{};
};

bool boxesOverlap(Vec3 aMin, Vec3 aMax, Vec3 bMin, Vec3 bMax, float margin) {
    return aMin.x <= bMax.x + margin && bMin.x <= aMax.x + margin && aMin.y <= bMax.y + margin &&
           bMin.y <= aMax.y + margin && aMin.z <= bMax.z + margin && bMin.z <= aMax.z + margin;
}

FlatTriangle flatten(const Vec3 (&corners)[3], const Vec3& normal) {
    const float ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    const int dropped = (ax >= ay && ax >= az) ? 0 : (ay >= az ? 1 : 2);
    FlatTriangle flat{};
    for (int k = 0; k < 3; ++k) {
        const float xyz[3] = {corners[k].x, corners[k].y, corners[k].z};
        flat[std::size_t(k)] = {xyz[dropped == 0 ? 1 : 0], xyz[dropped == 2 ? 1 : 2]};
    }
    return flat;
}

// None for a degenerate triangle, which covers no pixel.
std::optional<Face> faceOf(const Vec3 (&p)[3], bool twoSided) {
    const Vec3 normal = cross(p[1] - p[0], p[2] - p[0]);
    const float length = std::sqrt(dot(normal, normal));
    if (!(length > 0.0f)) return std::nullopt;
    Face face;
    face.normal = normal * (1.0f / length);
    face.corner = p[0];
    face.boxMin = {std::min({p[0].x, p[1].x, p[2].x}), std::min({p[0].y, p[1].y, p[2].y}),
                   std::min({p[0].z, p[1].z, p[2].z})};
    face.boxMax = {std::max({p[0].x, p[1].x, p[2].x}), std::max({p[0].y, p[1].y, p[2].y}),
                   std::max({p[0].z, p[1].z, p[2].z})};
    face.twoSided = twoSided;
    face.flat = flatten(p, face.normal);
    return face;
}

void appendFaces(const MeshBatch& batch, const SharedVertexPool& pool, std::vector<Face>& faces) {
    for (int first = batch.firstCorner; first + 3 <= batch.firstCorner + batch.cornerCount; first += 3) {
        Vec3 p[3];
        for (int k = 0; k < 3; ++k) {
            const float* position = pool[std::size_t(first + k)].position;
            p[k] = {position[0], position[1], position[2]};
        }
        if (std::optional<Face> face = faceOf(p, batch.twoSided)) faces.push_back(*face);
    }
}

std::vector<Face> facesOf(const SceneObject& object, const SharedVertexPool& pool) {
    std::vector<Face> faces;
    for (const MeshBatch& batch : object.batches) appendFaces(batch, pool, faces);
    return faces;
}

// Two faces in one plane that overlap and can show from the same side: where both cover a pixel
// they have one depth, and the one drawn first keeps it. A back face is culled unless its batch is
// two-sided, so faces turned opposite ways only meet on screen when one of them is.
bool facesMeet(const Face& a, const Face& b) {
    constexpr float kParallel = 0.9999f, kPlaneGap = 0.05f;
    const float facing = dot(a.normal, b.normal);
    const bool sameSide = facing > kParallel || ((a.twoSided || b.twoSided) && facing < -kParallel);
    return sameSide && std::fabs(dot(a.normal, b.corner - a.corner)) < kPlaneGap &&
           boxesOverlap(a.boxMin, a.boxMax, b.boxMin, b.boxMax, kPlaneGap);
}

// Whether two flat triangles share an area, not only an edge or a corner: no edge of either
// separates them by more than a sliver.
bool shareAnArea(const FlatTriangle& a, const FlatTriangle& b) {
    const FlatTriangle* pair[2] = {&a, &b};
    for (const FlatTriangle* owner : pair) {
        for (int e = 0; e < 3; ++e) {
            const auto& p = (*owner)[std::size_t(e)];
            const auto& q = (*owner)[std::size_t((e + 1) % 3)];
            const float nx = q[1] - p[1], ny = p[0] - q[0];
            float low[2] = {0, 0}, high[2] = {0, 0};
            for (int t = 0; t < 2; ++t) {
                for (int k = 0; k < 3; ++k) {
                    const float along =
                        nx * (*pair[t])[std::size_t(k)][0] + ny * (*pair[t])[std::size_t(k)][1];
                    low[t] = k == 0 ? along : std::min(low[t], along);
                    high[t] = k == 0 ? along : std::max(high[t], along);
                }
            }
            const float sliver = 1e-3f * std::sqrt(nx * nx + ny * ny);
            if (high[0] <= low[1] + sliver || high[1] <= low[0] + sliver) return false;
        }
    }
    return true;
}

bool overlapsAnEarlierFace(const std::vector<Face>& faces, std::size_t later) {
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
        if (facesMeet(faces[earlier], faces[later]) && shareAnArea(faces[earlier].flat, faces[later].flat))
            return true;
    }
    return false;
}

}  // namespace

void findBatchesOverlappingThemselves(Scene& scene, const SharedVertexPool& pool) {
    std::vector<Face> faces;
    for (SceneObject& object : scene.objects) {
        for (MeshBatch& batch : object.batches) {
            batch.overlapsItself = false;
            if (!batch.hasLightMap) continue;
            faces.clear();
            appendFaces(batch, pool, faces);
            for (std::size_t later = 1; later < faces.size() && !batch.overlapsItself; ++later) {
                batch.overlapsItself = overlapsAnEarlierFace(faces, later);
            }
        }
    }
}

void findTouchingObjects(Scene& scene, const SharedVertexPool& pool) {
    constexpr float kMargin = 0.05f;
    std::vector<std::vector<Face>> faces(scene.objects.size());
    // The space each object draws in: a room mesh's box; around a model's position, its reach.
    std::vector<Vec3> low(scene.objects.size()), high(scene.objects.size());
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        SceneObject& object = scene.objects[i];
        object.touching.clear();
        if (object.kind == SceneObjectKind::RoomMesh) {
            faces[i] = facesOf(object, pool);
            low[i] = object.boxMin;
            high[i] = object.boxMax;
        } else {
            const Vec3 reach{object.radius, object.radius, object.radius};
            low[i] = object.centre - reach;
            high[i] = object.centre + reach;
        }
    }
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        SceneObject& a = scene.objects[i];
        for (std::size_t j = i + 1; j < scene.objects.size(); ++j) {
            SceneObject& b = scene.objects[j];
            if (!boxesOverlap(low[i], high[i], low[j], high[j], kMargin)) continue;
            // Objects that may stand on or against each other meet along lines at one depth. A root
            // (the room's shell) holds everything; it meets only what lies in one of its planes.
            bool meet = !a.root && !b.root;
            for (std::size_t f = 0; !meet && f < faces[i].size(); ++f) {
                const Face& fa = faces[i][f];
                if (!boxesOverlap(fa.boxMin, fa.boxMax, low[j], high[j], kMargin)) continue;
                for (const Face& fb : faces[j]) {
                    if (facesMeet(fa, fb)) {
                        meet = true;
                        break;
                    }
                }
            }
            if (meet) {
                a.touching.push_back(int(j));
                b.touching.push_back(int(i));
            }
        }
    }
}

void orderNearestFirst(const Scene& scene, View& view, const std::vector<int>& list) {
    std::vector<int>& order = view.drawOrder;
    order.clear();
    // Per object: its place in the list while it waits in the run being ordered (else −1), and its
    // rank (drawRank).
    std::vector<int>& waiting = view.orderWaiting;
    std::vector<float>& rank = view.orderRank;
    waiting.assign(scene.objects.size(), -1);
    rank.resize(scene.objects.size());
    for (int index : list)
        rank[std::size_t(index)] = drawRank(scene, scene.objects[std::size_t(index)], view.pose.position);
    // Each run of objects that draw without blending is drawn by rank, except that an
    // object waits for the objects it touches that come before it in the list; an object that blends
    // ends the run and keeps its place.
    std::size_t runStart = 0;
    for (std::size_t end = 0; end <= list.size(); ++end) {
        const bool blends = end < list.size() && !drawsWithoutBlending(scene.objects[std::size_t(list[end])]);
        if (end < list.size() && !blends) continue;
        for (std::size_t k = runStart; k < end; ++k) waiting[std::size_t(list[k])] = int(k);
        for (std::size_t placed = runStart; placed < end; ++placed) {
            int next = -1;
            for (std::size_t k = runStart; k < end; ++k) {
                const int index = list[k];
                if (waiting[std::size_t(index)] < 0) continue;
                bool held = false;
                for (int other : scene.objects[std::size_t(index)].touching) {
                    const int place = waiting[std::size_t(other)];
                    if (place >= 0 && place < int(k)) held = true;
                }
                if (held) continue;
                if (next < 0 || rank[std::size_t(index)] < rank[std::size_t(next)]) next = index;
            }
            order.push_back(next);
            waiting[std::size_t(next)] = -1;
        }
        if (end < list.size()) order.push_back(list[end]);
        runStart = end + 1;
    }
}
