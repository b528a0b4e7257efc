#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "model/vertex_pool.h"
#include "scene/scene_internal.h"

namespace {

// Surfaces closer than this to one plane fight over the same depth values at any distance the
// camera sees them from (a 24-bit depth buffer over near 1, far 3000 resolves about 0.06 units at
// 1000 units).
constexpr float kPlaneTolerance = 0.5f;
// Normals are compared after rounding to this step.
constexpr float kNormalStep = 0.01f;

struct Face {
    int object = 0;
    Vec3 normal;
    float offset = 0;  // normal · point
    Vec3 boxMin, boxMax;
    bool twoSided = false;
};

using PlaneKey = std::uint64_t;

PlaneKey planeKey(Vec3 n, long offsetCell) {
    const auto cell = [](float v) {
        return std::uint64_t(std::int64_t(std::lround(v / kNormalStep)) & 0x3ff);
    };
    return cell(n.x) | (cell(n.y) << 10) | (cell(n.z) << 20) | (std::uint64_t(offsetCell) << 30);
}

long offsetCell(float offset) { return long(std::floor(offset / kPlaneTolerance)); }

bool boxesOverlap(const Face& a, const Face& b) {
    const float t = kPlaneTolerance;
    return a.boxMin.x <= b.boxMax.x + t && b.boxMin.x <= a.boxMax.x + t && a.boxMin.y <= b.boxMax.y + t &&
           b.boxMin.y <= a.boxMax.y + t && a.boxMin.z <= b.boxMax.z + t && b.boxMin.z <= a.boxMax.z + t;
}

// Whether two faces can show on the same pixels at nearly the same depth: nearly one plane, facing
// the same way (or either drawn from both sides), and overlapping.
bool facesTie(const Face& a, const Face& b) {
    const float facing = dot(a.normal, b.normal);
    const bool same = facing > 0.9999f && std::fabs(a.offset - b.offset) < kPlaneTolerance;
    const bool opposite =
        (a.twoSided || b.twoSided) && facing < -0.9999f && std::fabs(a.offset + b.offset) < kPlaneTolerance;
    return (same || opposite) && boxesOverlap(a, b);
}

void addTie(SceneObject& later, int earlier) {
    if (std::find(later.drawAfter.begin(), later.drawAfter.end(), earlier) == later.drawAfter.end())
        later.drawAfter.push_back(earlier);
}

bool surrounds(const SceneObject& object, Vec3 p) {
    return object.boxMin.x < p.x && p.x < object.boxMax.x && object.boxMin.y < p.y && p.y < object.boxMax.y &&
           object.boxMin.z < p.z && p.z < object.boxMax.z;
}

}  // namespace

void linkCoplanarRoomMeshes(Scene& scene) {
    if (!scene.services.pool) return;
    const SharedVertexPool& pool = *scene.services.pool;
    std::vector<Face> faces;
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        SceneObject& object = scene.objects[i];
        object.drawAfter.clear();
        if (object.kind != SceneObjectKind::RoomMesh) continue;
        for (const MeshBatch& batch : object.batches) {
            for (int t = 0; t + 2 < batch.cornerCount; t += 3) {
                Vec3 corner[3];
                for (int c = 0; c < 3; ++c) {
                    const float* p = pool[std::size_t(batch.firstCorner + t + c)].position;
                    corner[c] = {p[0], p[1], p[2]};
                }
                const Vec3 n = cross(corner[1] - corner[0], corner[2] - corner[0]);
                const float length = std::sqrt(dot(n, n));
                if (!(length > 1e-9f)) continue;
                Face face;
                face.object = int(i);
                face.normal = n * (1.0f / length);
                face.offset = dot(face.normal, corner[0]);
                face.boxMin = face.boxMax = corner[0];
                for (const Vec3& p : corner) {
                    face.boxMin = {std::fmin(face.boxMin.x, p.x), std::fmin(face.boxMin.y, p.y),
                                   std::fmin(face.boxMin.z, p.z)};
                    face.boxMax = {std::fmax(face.boxMax.x, p.x), std::fmax(face.boxMax.y, p.y),
                                   std::fmax(face.boxMax.z, p.z)};
                }
                face.twoSided = batch.twoSided;
                faces.push_back(face);
            }
        }
    }
    std::unordered_multimap<PlaneKey, std::size_t> planes;
    for (std::size_t f = 0; f < faces.size(); ++f)
        planes.emplace(planeKey(faces[f].normal, offsetCell(faces[f].offset)), f);
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const Face& face = faces[f];
        for (const float sign : {1.0f, -1.0f}) {
            const Vec3 normal = face.normal * sign;
            const long cell = offsetCell(face.offset * sign);
            for (long near = cell - 1; near <= cell + 1; ++near) {
                const auto range = planes.equal_range(planeKey(normal, near));
                for (auto it = range.first; it != range.second; ++it) {
                    const Face& other = faces[it->second];
                    if (other.object <= face.object || !facesTie(face, other)) continue;
                    addTie(scene.objects[std::size_t(other.object)], face.object);
                }
            }
        }
    }
}

void sortDrawOrder(Scene& scene, const std::vector<int>& list) {
    scene.drawKeys.clear();
    scene.drawOrder.clear();
    const Vec3 eye = scene.view.position;
    // Placed models first, nearest first: they stand in front of the room's surfaces.
    for (int index : list) {
        const SceneObject& object = scene.objects[std::size_t(index)];
        if (object.kind != SceneObjectKind::PlacedModel) continue;
        const Vec3 toObject = object.centre - eye;
        scene.drawKeys.emplace_back(std::sqrt(dot(toObject, toObject)) + object.radius, index);
    }
    std::sort(scene.drawKeys.begin(), scene.drawKeys.end());
    for (const auto& key : scene.drawKeys) scene.drawOrder.push_back(key.second);

    // Room meshes in list order, those around the camera last, each only after the earlier ones it
    // shares a plane with.
    scene.drawKeys.clear();
    for (std::size_t position = 0; position < list.size(); ++position) {
        const SceneObject& object = scene.objects[std::size_t(list[position])];
        if (object.kind != SceneObjectKind::RoomMesh) continue;
        const float shell = surrounds(object, eye) ? float(list.size()) : 0.0f;
        scene.drawKeys.emplace_back(shell + float(position), list[position]);
    }
    std::sort(scene.drawKeys.begin(), scene.drawKeys.end());
    while (!scene.drawKeys.empty()) {
        // The first waiting mesh whose tied meshes are all drawn or not drawn in this pass.
        auto ready = std::find_if(scene.drawKeys.begin(), scene.drawKeys.end(), [&](const auto& key) {
            const SceneObject& object = scene.objects[std::size_t(key.second)];
            return std::none_of(object.drawAfter.begin(), object.drawAfter.end(), [&](int earlier) {
                return std::any_of(scene.drawKeys.begin(), scene.drawKeys.end(),
                                   [earlier](const auto& waiting) { return waiting.second == earlier; });
            });
        });
        // Ties only point to earlier meshes, so one is always ready; the guard keeps the loop finite.
        if (ready == scene.drawKeys.end()) ready = scene.drawKeys.begin();
        scene.drawOrder.push_back(ready->second);
        scene.drawKeys.erase(ready);
    }

    for (int index : list) {
        if (scene.objects[std::size_t(index)].kind == SceneObjectKind::AnimatedModel)
            scene.drawOrder.push_back(index);
    }
}
