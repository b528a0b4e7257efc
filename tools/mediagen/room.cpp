#include "mediagen/room.h"

#include "core/maths.h"
#include "mediagen/generator.h"
#include "mediagen/lightmap.h"
#include "mediagen/room_parts.h"
#include "mediagen/room_textures.h"

namespace mediagen {

using modelling::Affine;
using modelling::Vec2;
using modelling::Vec3;

namespace {

// The placed models (24 helpers).
void addPlacedModels(RoomLayout& layout) {
    auto& p = layout.placements;
    p.push_back({"fir", {210, 110, 0}, 0});
    p.push_back({"railroad", {210, 110, 0}, 0});
    p.push_back({"Clock", {0, 238, 126}, 180});
    for (float x : {-110.0f, -92.0f, 92.0f, 110.0f}) p.push_back({"candle", {x, 233, 126}, 0});
    for (float y : {-190.0f, -150.0f, -110.0f}) p.push_back({"candle", {kX1 - 8, y, 80}, 0});
    p.push_back({"tallcandle", {-40, 233, 126}, 0});
    p.push_back({"tallcandle", {40, 233, 126}, 0});
    p.push_back({"lightchain", {0, 225, 124}, 0});
    p.push_back({"firewood", {-150, 222, 0}, 0});
    p.push_back({"stocking", {-100, 224, 116}, 180});
    p.push_back({"stocking", {100, 224, 116}, 0});
    p.push_back({"teddy", {-125, 195, 0}, 150});
    p.push_back({"gift", {160, 70, 0}, 20});
    p.push_back({"giftsmall", {250, 60, 0}, -15});
    p.push_back({"giftlong", {180, 165, 0}, 70});
    p.push_back({"curtain", {kX1 - 14, -150, 252}, 90});
    p.push_back({"curtain", {-150, kY0 + 14, 252}, 0});
    p.push_back({"floorlamp", {-300, 240, 0}, 0});
    p.push_back({"armchair", {-240, 110, 0}, 90});
}

// A room mesh as the scene file holds it: one material over all its corners, parented to "room".
BssRoomMesh roomMesh(const RoomObject& object) {
    BssRoomMesh mesh;
    mesh.name = object.name;
    mesh.parentName = object.name == "room" ? "Scene Root" : "room";
    BssMaterial material;
    material.diffuseTexture = object.texture;
    material.twoSided = object.twoSided;
    material.firstCorner = 0;
    material.cornerCount = static_cast<std::int32_t>(object.mesh.faces.size() * 3);
    mesh.materials.push_back(material);
    for (const Vec3& p : object.mesh.positions) mesh.positions.push_back(fv(p));
    mesh.faces = object.mesh.faces;
    for (const Vec2& uv : object.mesh.uvs) mesh.uvs.push_back({uv.u, uv.v, 0});
    mesh.uvFaces = object.mesh.uvFaces;
    for (const Vec3& n : object.mesh.normals) mesh.normals.push_back(fv(n));
    return mesh;
}

// The fire's animated model and the particle emitters: the fire in the grate, snow past the windows.
void addEffectHelpers(BssScene& scene) {
    auto emitter = [&](const std::string& name, Vec3 position, int kind) {
        BssHelper helper;
        helper.name = name;
        helper.kind = kind;
        helper.positions = {fv(position)};
        helper.rotations = {::Quat{}};
        scene.helpers.push_back(helper);
    };
    emitter("animmodel fireplace_fire", {0, 268, 4}, 4);
    emitter("emit Fire", {0, 266, 10}, 2);
    emitter("emit snowfall", {kX1 + 120, -150, 260}, 2);
    emitter("emit snowfall", {-150, kY0 - 120, 260}, 2);
    emitter("emit snowfall", {kX1 + 300, -60, 300}, 2);
}

// The one light, over the middle of the room, on every placed model (the room meshes carry light maps).
BssLight roomLight(const RoomLayout& layout) {
    BssLight light;
    // The engine's attenuation is fixed; a bright white reaches the models round the room's edge.
    light.position = {0, 0, 220};
    light.colour = {35, 35, 35};
    for (const Placement& placement : layout.placements)
        light.includeNames.push_back("instance " + placement.model);
    return light;
}

}  // namespace

::Quat placementRotation(float turnDegrees) {
    const float half = -turnDegrees * kPi / 360;
    return {0, 0, std::sin(half), std::cos(half)};
}

void placedBox(const Placement& placement, const PlacedModel& model, Vec3& lo, Vec3& hi) {
    lo = {1e30f, 1e30f, 1e30f};
    hi = {-1e30f, -1e30f, -1e30f};
    const Affine place =
        Affine::translation(placement.position) * Affine::rotationZ(placement.turnDegrees * kPi / 180);
    for (const BsmMesh& mesh : model.builder.model().meshes) {
        if (mesh.nodeName != "CollMesh") continue;
        for (const ::Vec3& p : mesh.positions) {
            const Vec3 w = place.apply({p.x, p.y, p.z});
            lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
            hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
        }
    }
}

RoomLayout buildRoomLayout() {
    RoomLayout layout;
    layout.roomMin = {kX0, kY0, 0};
    layout.roomMax = {kX1, kY1, kHeight};
    // The order of the scene file's meshes.
    addShell(layout);
    addRug(layout);
    addFireplace(layout);
    addWindows(layout);
    addDoor(layout);
    addWestWall(layout);
    addGarden(layout);
    addPictureFrames(layout);
    addBooks(layout);
    addWreath(layout);
    addSideTable(layout);
    addGardenDetails(layout);
    addPlacedModels(layout);
    return layout;
}

BssScene buildScene(const RoomLayout& layout) {
    BssScene scene;
    for (const RoomObject& object : layout.objects) scene.roomMeshes.push_back(roomMesh(object));
    scene.cameras = cameraPaths();
    for (const Placement& placement : layout.placements) {
        BssHelper helper;
        helper.name = "instance " + placement.model;
        helper.kind = 3;
        helper.positions = {fv(placement.position)};
        helper.rotations = {placementRotation(placement.turnDegrees)};
        scene.helpers.push_back(helper);
    }
    addEffectHelpers(scene);
    scene.lights.push_back(roomLight(layout));
    return scene;
}

void makeRoom(MediaTree& tree, const RoomOptions& options) {
    makeModelTextures(tree);
    makeRoomTextures(tree);
    const std::vector<PlacedModel> models = buildPlacedModels(options.fast ? 0 : 1);
    makeRoomModels(tree, models);

    RoomLayout layout = buildRoomLayout();
    BssScene scene = buildScene(layout);

    bakeRoomLightMaps(tree, layout, models, scene, options.fast);
    tree.write(Archive::Main, "Models/test.BSS", encodeBss(scene));
}

}  // namespace mediagen
