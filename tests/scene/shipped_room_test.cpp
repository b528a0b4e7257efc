// The room this build generated (media/main/Models/test.BSS with its models): every emitter of a
// placed model must be seen from the room. An emitter inside a wall spawns its particles where the
// depth test hides them (a candle that never burns). Skipped when the build has no media.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "scene/scene_fixtures.h"

namespace {

const std::filesystem::path kMediaFolder = std::filesystem::path(GLIMMERDALE_BINARY_DIR) / "media/main";

std::vector<std::uint8_t> readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Distance along `direction` (unit) from `origin` to the triangle, or −1 when the ray misses it.
float rayHit(Vec3 origin, Vec3 direction, Vec3 a, Vec3 b, Vec3 c) {
    const Vec3 ab = b - a, ac = c - a;
    const Vec3 p = cross(direction, ac);
    const float det = dot(ab, p);
    if (std::fabs(det) < 1e-9f) return -1;
    const Vec3 s = origin - a;
    const float u = dot(s, p) / det;
    if (u < 0 || u > 1) return -1;
    const Vec3 q = cross(s, ab);
    const float v = dot(direction, q) / det;
    if (v < 0 || u + v > 1) return -1;
    return dot(ac, q) / det;
}

// True when the first room face met on the way from `point` towards `target` is seen from behind,
// i.e. `point` lies behind a surface that faces the room.
bool behindARoomSurface(const BssContents& file, Vec3 point, Vec3 target) {
    Vec3 direction = target - point;
    const float length = std::sqrt(dot(direction, direction));
    if (length <= 0) return false;
    direction = direction * (1.0f / length);
    float nearest = length;
    bool fromBehind = false;
    for (const BssMeshRecord& mesh : file.meshes) {
        if (mesh.name == "glass") continue;  // drawn after the particles, blended over them
        for (const auto& face : mesh.faces) {
            const Vec3 a = mesh.positions[std::size_t(face[0])], b = mesh.positions[std::size_t(face[1])],
                       c = mesh.positions[std::size_t(face[2])];
            const float distance = rayHit(point, direction, a, b, c);
            if (distance <= 1e-3f || distance >= nearest) continue;
            nearest = distance;
            fromBehind = dot(cross(b - a, c - a), direction) > 0;
        }
    }
    return fromBehind;
}

TEST(ShippedRoom, EmitterHelpersAreNotInsideRoomGeometry) {
    const std::vector<std::uint8_t> bytes = readWhole(kMediaFolder / "Models/test.BSS");
    if (bytes.empty()) GTEST_SKIP() << "no Models/test.BSS in this build's media";
    BssContents file;
    std::string error;
    ASSERT_TRUE(parseBss(bytes.data(), bytes.size(), file, error)) << error;

    scenetest::SceneRig rig;
    for (const auto& entry : std::filesystem::directory_iterator(kMediaFolder / "Models")) {
        rig.media.files["Models/" + entry.path().filename().string()] = readWhole(entry.path());
    }
    rig.services.particles = nullptr;
    const Bytes copy(bytes.begin(), bytes.end());
    buildScene(rig.scene, rig.services, copy.data(), copy.size());

    // Looking from each emitter towards the middle of the room at the emitter's height.
    Vec3 middle;
    for (const SceneObject& object : rig.scene.objects) {
        if (object.root && object.kind == SceneObjectKind::RoomMesh) middle = object.centre;
    }
    int emitters = 0;
    for (SceneObject& object : rig.scene.objects) {
        if (object.kind != SceneObjectKind::PlacedModel || !object.instance) continue;
        object.instance->position = object.centre;
        updateInstance(*object.instance, 1.0f, [](const ModelHelper&) {});
        for (const ModelNode& node : object.instance->nodes) {
            for (const ModelHelper& helper : node.helpers) {
                if (helper.kind != HelperKind::Emitter || helper.name == "emit locosteam") continue;
                ++emitters;
                const Vec3 at = helper.worldPosition;
                EXPECT_FALSE(behindARoomSurface(file, at, Vec3{middle.x, middle.y, at.z}))
                    << object.name << " " << helper.name << " at (" << at.x << ", " << at.y << ", " << at.z
                    << ") is behind a room surface";
            }
        }
    }
    EXPECT_GT(emitters, 0);
}

}  // namespace
