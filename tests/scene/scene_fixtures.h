#pragma once
// Small scene files written with the BSS writer (scene/bss_file.h), and services that record what
// the scene asks.

#include <string>
#include <vector>

#include "scene/bss_file.h"
#include "model/fake_media.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "scene/particles.h"
#include "scene/scene_internal.h"

namespace scenetest {

// A square of two triangles in the plane z = height, spanning ±half on x and y, facing +z.
inline BssRoomMesh square(const std::string& name, const std::string& parent, float half, float height) {
    BssRoomMesh mesh;
    mesh.name = name;
    mesh.parentName = parent;
    mesh.positions = {
        {-half, -half, height}, {half, -half, height}, {half, half, height}, {-half, half, height}};
    mesh.faces = {{0, 1, 2}, {0, 2, 3}};
    mesh.uvs = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh.uvFaces = mesh.faces;
    mesh.normals.assign(6, {0, 0, 2});
    BssMaterial material;
    material.cornerCount = 6;
    mesh.materials = {material};
    return mesh;
}

// The room: a floor square of ±100 at z = 0 whose box reaches 100 above and below it, so that every
// camera of a test stands inside it.
inline BssRoomMesh roomBox() {
    BssRoomMesh room = square("room", "Scene Root", 100, 0);
    room.positions.push_back({0, 0, 100});
    room.positions.push_back({0, 0, -100});
    return room;
}

inline BssCamera camera(int keys, float x = 0) {
    BssCamera c;
    for (int k = 0; k < keys; ++k) {
        c.positions.push_back({x + float(k), 0, 0});
        c.rotations.push_back({0, 0, 0, 1});
        c.fieldsOfView.push_back(1.309f);
    }
    return c;
}

// A camera that stays at `position` for 300 keys, looking straight down (the identity rotation
// turns the view (0, 0, −1) towards −z).
inline BssCamera stillCameraLookingDown(::Vec3 position) {
    BssCamera c;
    for (int k = 0; k < 300; ++k) {
        c.positions.push_back(position);
        c.rotations.push_back({0, 0, 0, 1});
        c.fieldsOfView.push_back(1.309f);
    }
    return c;
}

inline BssHelper helper(const std::string& name, int kind, const std::string& parent = "room") {
    BssHelper h;
    h.name = name;
    h.kind = kind;
    h.parentName = parent;
    h.positions = {{1, 2, 3}};
    h.rotations = {{0, 0, 0, 1}};
    return h;
}

// Recording services over fake media; the pool, models and particles live here, and the primary
// monitor's view of the scene.
struct SceneRig {
    FakeMedia media;
    SharedVertexPool pool;
    ModelManager models{pool, media.sources()};
    ParticleSystem particles{media.sources()};
    std::vector<std::string> messages;
    SceneServices services;
    Scene scene;
    View view;

    SceneRig() {
        models.setNotFoundHandler(
            [this](const std::string& text) { messages.push_back("notfound " + text); });
        services.sources = media.sources();
        services.pool = &pool;
        services.models = &models;
        services.particles = &particles;
        services.showMessage = [this](const std::string& caption, const std::string& text) {
            messages.push_back(caption + ": " + text);
        };
        services.tickCount = [] { return 42u; };
    }
    // The scene from `file`, and the primary's view of it started.
    void build(const BssScene& file) {
        const Bytes bytes = encodeBss(file);
        buildScene(scene, services, bytes.data(), bytes.size());
        startView(scene, view, 0, 1, {});
    }
    // A frame of the primary alone, up to its opaque pass (GL); true when it asks for a capture.
    bool drawFrame(float dt, bool occlusionVariant = false) {
        beginSceneFrame(scene, dt);
        const bool capture = stepView(scene, view, dt, occlusionVariant, {});
        drawViewPass(scene, view, occlusionVariant);
        return capture;
    }
    int objectIndex(const std::string& name) const {
        for (std::size_t i = 0; i < scene.objects.size(); ++i) {
            if (scene.objects[i].name == name) return int(i);
        }
        return -1;
    }
};

}  // namespace scenetest
