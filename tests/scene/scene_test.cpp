// Scene loading from files written with the BSS writer: batches and textures, pool corners,
// helpers and their models, the "adas" limits, damaged files; the camera bag and camera step; key
// animation; the train and clock; light assignment; frustum planes and the cube test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

#include "core/byte_writer.h"
#include "scene/effect_file.h"
#include "model/vertex_pool.h"
#include "scene/scene_fixtures.h"

using scenetest::SceneRig;

namespace {

BssScene roomWithGlass() {
    BssScene file;
    BssRoomMesh room = scenetest::square("room", "Scene Root", 100, 0);
    room.materials.resize(2);
    room.materials[0].diffuseTexture = "None";
    room.materials[0].cornerCount = 3;
    room.materials[1].diffuseTexture = "adglow.tga";
    room.materials[1].hasIllumination = true;
    room.materials[1].illuminationTexture = "illum.tga";
    room.materials[1].firstCorner = 3;
    room.materials[1].cornerCount = 3;
    room.materials[1].materialRef = 1;
    room.hasLightMap = true;
    room.lightMapName = "lm_room.tga";
    room.lightUvs = {{0.5f, 0.25f, 0}, {0.75f, 0.5f, 0}};
    room.lightUvFaces = {{1, 0, 1}, {0, 0, 0}};
    file.roomMeshes.push_back(room);
    BssRoomMesh glass = scenetest::square("glass", "room", 10, 5);
    glass.materials[0].diffuseTexture = "glasspane.tga";
    glass.materials[0].twoSided = true;
    file.roomMeshes.push_back(glass);
    file.cameras.push_back(scenetest::camera(300));
    file.helpers = {scenetest::helper("instance candle", 3), scenetest::helper("animmodel fireplace_fire", 4),
                    scenetest::helper("emit candle", 2), scenetest::helper("instance candle", 3)};
    BssLight light;
    light.position = {0, 0, 50};
    light.includeNames.assign(7, "instance candle");
    file.lights.push_back(light);
    return file;
}

TEST(SceneLoad, ObjectsBatchesTexturesAndPoolCorners) {
    SceneRig rig;
    rig.pool.append(12);  // corners of a model loaded earlier
    BssScene file = roomWithGlass();
    // A glass batch reaching past the mesh's corners, its material outside the list (entry 0).
    file.roomMeshes[1].materials[0].firstCorner = 3;
    file.roomMeshes[1].materials[0].cornerCount = 600;
    file.roomMeshes[1].materials[0].materialRef = 7;
    rig.build(file);
    Scene& scene = rig.scene;
    ASSERT_EQ(scene.objects.size(), 5u);
    EXPECT_EQ(scene.objects[0].name, "room");
    EXPECT_EQ(scene.objects[1].name, "glass");
    EXPECT_EQ(scene.objects[2].kind, SceneObjectKind::PlacedModel);
    EXPECT_EQ(scene.objects[3].kind, SceneObjectKind::PlacedModel);
    EXPECT_EQ(scene.objects[4].kind, SceneObjectKind::AnimatedModel);
    EXPECT_TRUE(scene.objects[0].root);
    EXPECT_TRUE(scene.objects[0].unlit);
    EXPECT_FALSE(scene.objects[1].root);

    const SceneObject& room = scene.objects[0];
    ASSERT_EQ(room.batches.size(), 2u);
    EXPECT_FALSE(room.batches[0].hasDiffuse);  // "None"
    EXPECT_EQ(room.batches[0].firstCorner, 12);
    EXPECT_TRUE(room.batches[1].hasDiffuse);
    EXPECT_TRUE(room.batches[1].additive);
    EXPECT_TRUE(room.batches[1].hasIllumination);
    EXPECT_EQ(room.batches[1].firstCorner, 15);
    EXPECT_TRUE(room.batches[0].hasLightMap && room.batches[1].hasLightMap);
    EXPECT_EQ(room.batches[0].lightMapTexture, rig.media.textureNames["Textures/lm_room.tga"]);
    EXPECT_EQ(room.batches[1].illuminationTexture, rig.media.textureNames["Textures/illum.tga"]);
    EXPECT_FLOAT_EQ(room.size, std::sqrt(200.0f * 200.0f * 2));

    const SceneObject& glass = scene.objects[1];
    EXPECT_TRUE(glass.glass);
    EXPECT_TRUE(glass.batches[0].glass && glass.batches[0].twoSided);
    EXPECT_FALSE(glass.batches[0].additive);
    EXPECT_EQ(glass.batches[0].firstCorner, 12 + 6 + 3);  // cut to the mesh's corners
    EXPECT_EQ(glass.batches[0].cornerCount, 3);

    // Corner 0 of face 0 of the room: position[0], normal normalised, uv[0], light uv[1].
    ASSERT_EQ(rig.pool.size(), 12u + 6 + 6 + 0);
    const PoolVertex& v = rig.pool[12];
    EXPECT_FLOAT_EQ(v.position[0], -100);
    EXPECT_FLOAT_EQ(v.normal[2], 1);
    EXPECT_FLOAT_EQ(v.uv1[0], 0.75f);
    EXPECT_FLOAT_EQ(v.uv1[1], 0.5f);
    EXPECT_FLOAT_EQ(rig.pool[13].uv1[0], 0.5f);
    EXPECT_FLOAT_EQ(rig.pool[14].uv0[0], 1);

    // Helper models: "instance candle" places candle, "animmodel fireplace_fire" loads that model.
    const auto& files = rig.media.fileRequests;
    EXPECT_NE(std::find(files.begin(), files.end(), "Models/candle.BSM"), files.end());
    EXPECT_NE(std::find(files.begin(), files.end(), "Models/fireplace_fire.BSA"), files.end());
    ASSERT_EQ(scene.helpers.size(), 1u);
    EXPECT_EQ(scene.helpers[0].helper.shortName, "candle");
    EXPECT_FLOAT_EQ(scene.objects[2].centre.z, 3);
    EXPECT_FLOAT_EQ(scene.objects[2].size, 1000);
    EXPECT_TRUE(scene.objects[4].animated->playing);
    EXPECT_FLOAT_EQ(scene.objects[4].animated->playbackSpeed, 0.2f);

    // Links: every object below "room" is its child, and so is the emitter helper.
    EXPECT_EQ(room.childObjects.size(), 4u);
    ASSERT_EQ(room.childHelpers.size(), 1u);
    EXPECT_EQ(scene.objects[2].parent, 0);

    // Cameras: one, conjugated, field of view in degrees.
    EXPECT_NEAR(rig.view.pose.fieldOfView, 1.309f * 57.32484f, 1e-3f);
    EXPECT_TRUE(rig.messages.empty());
}

TEST(SceneLoad, LightsReachGrownBoxesAndIncludeNamesWithRepeats) {
    SceneRig rig;
    BssScene file = roomWithGlass();
    BssLight far;
    far.position = {0, 0, 5 + 2 * 40 - 1};  // just inside the glass box grown by 2 × range
    file.lights.push_back(far);
    BssLight beyond;
    beyond.position = {0, 0, 5 + 2 * 40 + 1};
    file.lights.push_back(beyond);
    rig.build(file);
    const Scene& scene = rig.scene;
    EXPECT_TRUE(scene.objects[0].lights.empty());                  // light-mapped
    EXPECT_EQ(scene.objects[1].lights, (std::vector<int>{0, 1}));  // empty include lists still reach it
    EXPECT_EQ(scene.objects[2].lights, std::vector<int>(7, 0));
    EXPECT_EQ(scene.objects[3].lights, std::vector<int>(7, 0));
    EXPECT_TRUE(scene.objects[4].lights.empty());
    EXPECT_FLOAT_EQ(scene.lights[0].ambient[0], 1.6f);
    EXPECT_FLOAT_EQ(scene.lights[0].quadraticAttenuation, 552.8f * 0.000002f);
}

TEST(SceneLoad, AdasAboveTheFixedCountsWithNothingBeyondTheCapacityKept) {
    for (int count : {319, 320, 321}) {
        SceneRig rig;
        BssScene file = roomWithGlass();
        file.roomMeshes[0].materials.resize(std::size_t(count), file.roomMeshes[0].materials[0]);
        rig.build(file);
        EXPECT_EQ(rig.messages.size(), count > 319 ? 1u : 0u) << count;
        if (!rig.messages.empty()) {
            EXPECT_EQ(rig.messages[0], "Error: adas");
        }
        ASSERT_EQ(rig.scene.objects.size(), 5u) << count;  // the rest of the file still reads right
        EXPECT_EQ(rig.scene.objects[0].batches.size(), std::size_t(std::min(count, 320)));
    }
    for (int count : {39, 40, 41}) {
        SceneRig rig;
        BssScene file = roomWithGlass();
        file.lights[0].includeNames.assign(std::size_t(count), "instance candle");
        rig.build(file);
        EXPECT_EQ(rig.messages.size(), count > 39 ? 1u : 0u) << count;
        EXPECT_EQ(rig.scene.lights[0].includeNames.size(), std::size_t(std::min(count, 40)));
    }
}

TEST(SceneLoad, DamagedOrMissingFilesGiveAnEmptySceneWithAFixedView) {
    const Bytes bytes = encodeBss(roomWithGlass());
    for (std::size_t cut : {std::size_t(3), std::size_t(50), bytes.size() / 2, bytes.size() - 1}) {
        SceneRig rig;
        buildScene(rig.scene, rig.services, bytes.data(), cut);
        EXPECT_TRUE(rig.scene.objects.empty()) << cut;
        EXPECT_FALSE(updateCamera(rig.scene, rig.view, 1.0f));
    }
    BssScene badIndex = roomWithGlass();
    badIndex.roomMeshes[0].faces[1] = {0, 2, 4};
    SceneRig rig;
    rig.build(badIndex);
    EXPECT_TRUE(rig.scene.objects.empty());

    // No cameras: the view stands at the room's centre looking along x with z up, and stays.
    BssScene noCameras = roomWithGlass();
    noCameras.cameras.clear();
    noCameras.roomMeshes[0].positions[0].z = -40;
    SceneRig still;
    still.build(noCameras);
    EXPECT_FLOAT_EQ(still.view.pose.position.z, -20);
    EXPECT_FALSE(updateCamera(still.scene, still.view, 5.0f));
    EXPECT_FLOAT_EQ(still.view.pose.direction.x, 1);
    EXPECT_FLOAT_EQ(still.view.pose.up.z, 1);
}

// Face counts whose corner or normal totals leave the int range (a corrupt file from the fuzzer
// held −1195853640) are refused like any other bad count, not multiplied past the int range.
TEST(SceneLoad, FaceCountsBeyondTheIntRangeWhenScaledAreRefused) {
    for (std::int32_t faceCount : {-1195853640, 1000000000, 2147483647}) {
        ByteWriter w;
        w.putInt32(1);  // one room mesh
        w.putCountedString("room");
        w.putCountedString("Scene Root");
        w.putInt32(0);  // no material entries
        for (std::int32_t count : {0, faceCount, 0, 0, faceCount}) w.putInt32(count);
        w.putUint8(0);  // no light map
        for (int i = 0; i < 64; ++i) w.putFloat(0);
        const Bytes bytes = w.take();
        BssContents file;
        std::string error;
        EXPECT_FALSE(parseBss(bytes.data(), bytes.size(), file, error)) << faceCount;
        EXPECT_NE(error.find("faces count " + std::to_string(faceCount)), std::string::npos) << error;
        SceneRig rig;
        buildScene(rig.scene, rig.services, bytes.data(), bytes.size());
        EXPECT_TRUE(rig.scene.objects.empty()) << faceCount;
    }
}

TEST(SceneCameras, FiveCamerasNeverRepeatWithinARoundAndStartFromTheFirstFourAndOneAlwaysComesBack) {
    SceneRig one;
    BssScene single = roomWithGlass();
    single.cameras = {scenetest::camera(5)};
    one.build(single);
    for (int cut = 0; cut < 5; ++cut) EXPECT_EQ(chooseNextCamera(one.scene, one.view, true), 0);

    std::set<int> firsts;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        SceneRig rig;
        rig.services.seeded = true;
        rig.services.seed = seed;
        BssScene file = roomWithGlass();
        file.cameras.assign(5, scenetest::camera(300));
        rig.build(file);
        firsts.insert(rig.view.currentCamera);
        std::set<int> round{rig.view.currentCamera};
        for (int i = 0; i < 4; ++i) round.insert(chooseNextCamera(rig.scene, rig.view, true));
        EXPECT_EQ(round.size(), 5u);
        EXPECT_EQ(rig.view.cameraBag.size(), 5u);  // refilled after the last draw
    }
    EXPECT_EQ(firsts.count(4), 0u);
    EXPECT_GE(firsts.size(), 3u);

    SceneRig chosen;
    chosen.services.startCamera = 3;
    BssScene file = roomWithGlass();
    file.cameras.assign(5, scenetest::camera(300));
    file.cameras[3] = scenetest::camera(300, 1000);
    chosen.build(file);
    EXPECT_EQ(chosen.view.currentCamera, 3);
    EXPECT_FLOAT_EQ(chosen.view.pose.position.x, 1000);
    EXPECT_EQ(chosen.view.cameraBag.size(), 4u);
}

TEST(SceneCameras, StepInterpolatesRequestsTheCaptureOneKeyBeforeTheEndAndCuts) {
    SceneRig rig;
    BssScene file = roomWithGlass();
    file.cameras = {scenetest::camera(6)};
    file.cameras[0].fieldsOfView = {1, 1, 1, 1, 1, 1};
    rig.build(file);
    Scene& scene = rig.scene;
    // dt 5 moves the path value by 0.375 per frame.
    EXPECT_FALSE(updateCamera(scene, rig.view, 5.0f));
    EXPECT_FLOAT_EQ(rig.view.pose.position.x, 0);
    EXPECT_FLOAT_EQ(rig.view.pose.fieldOfView, 28.648735f);
    EXPECT_FALSE(updateCamera(scene, rig.view, 5.0f));
    EXPECT_FLOAT_EQ(rig.view.pose.position.x, 0.375f);
    // Direction and up from the orientation: (0, 0, −1) and (0, 1, 0) for the identity.
    EXPECT_FLOAT_EQ(rig.view.pose.direction.z, -1);
    EXPECT_FLOAT_EQ(rig.view.pose.up.y, 1);
    int captures = 0, frames = 0;
    while (rig.view.cameraKey < 3 && frames < 100) {
        captures += updateCamera(scene, rig.view, 5.0f) ? 1 : 0;
        ++frames;
        if (rig.view.cameraKey == 3) {
            EXPECT_EQ(captures, 1);  // set when key 3 (= 6 − 3) is reached
        }
    }
    EXPECT_EQ(captures, 1);
    // Key 4 = keyCount − 2 ends the path; the same camera restarts at key 0.
    while (rig.view.cameraKey != 0 && frames < 100) {
        updateCamera(scene, rig.view, 5.0f);
        ++frames;
    }
    EXPECT_LT(frames, 100);
    EXPECT_LT(rig.view.pose.position.x, 1.0f);
}

TEST(SceneCameras, StartKeyIsKeptWhereThePathStillRuns) {
    for (const auto& [asked, expected] :
         std::vector<std::pair<int, int>>{{0, 0}, {4, 4}, {7, 7}, {8, 7}, {500, 7}}) {
        SceneRig rig;
        rig.services.startCamera = 1;
        rig.services.startCameraKey = asked;
        BssScene file = roomWithGlass();
        file.cameras = {scenetest::camera(10), scenetest::camera(10, 100)};
        rig.build(file);
        EXPECT_EQ(rig.view.cameraKey, expected) << asked;
        EXPECT_FLOAT_EQ(rig.view.pose.position.x, 100.0f + float(expected)) << asked;
        // The first step stays on this camera (key 7 of 10 is the last that does not cut).
        updateCamera(rig.scene, rig.view, 1.0f);
        EXPECT_EQ(rig.view.currentCamera, 1) << asked;
        EXPECT_FLOAT_EQ(rig.view.pose.position.x, 100.0f + float(expected)) << asked;
    }
    SceneRig shortPath;
    shortPath.services.startCamera = 0;
    shortPath.services.startCameraKey = 3;
    BssScene file = roomWithGlass();
    file.cameras = {scenetest::camera(2)};
    shortPath.build(file);
    EXPECT_EQ(shortPath.view.cameraKey, 0);
}

TEST(SceneCameras, StillCameraStaysPutAndNeverAsksForACapture) {
    SceneRig rig;
    rig.services.fixedView = true;
    rig.services.lookFrom = {10, 20, 30};
    rig.services.lookAt = {10, 60, 0};
    rig.services.fixedFieldOfView = 30;
    BssScene file = roomWithGlass();
    file.cameras = {scenetest::camera(6), scenetest::camera(6, 50)};
    rig.build(file);
    Scene& scene = rig.scene;
    for (int frame = 0; frame < 200; ++frame) EXPECT_FALSE(updateCamera(scene, rig.view, 5.0f));
    EXPECT_FLOAT_EQ(rig.view.pose.position.x, 10);
    EXPECT_FLOAT_EQ(rig.view.pose.position.y, 20);
    EXPECT_FLOAT_EQ(rig.view.pose.position.z, 30);
    EXPECT_FLOAT_EQ(rig.view.pose.direction.x, 0);
    EXPECT_FLOAT_EQ(rig.view.pose.direction.y, 0.8f);
    EXPECT_FLOAT_EQ(rig.view.pose.direction.z, -0.6f);
    EXPECT_FLOAT_EQ(rig.view.pose.up.z, 1);
    EXPECT_FLOAT_EQ(rig.view.pose.fieldOfView, 30);

    // Looking straight down z cannot be "up"; y takes its place.
    SceneRig down;
    down.services.fixedView = true;
    down.services.lookFrom = {0, 0, 100};
    down.services.lookAt = {0, 0, 0};
    down.build(file);
    EXPECT_FLOAT_EQ(down.view.pose.direction.z, -1);
    EXPECT_FLOAT_EQ(down.view.pose.up.y, 1);
    EXPECT_FLOAT_EQ(down.view.pose.up.z, 0);

    // Built again without it, the paths run.
    rig.services.fixedView = false;
    rig.build(file);
    EXPECT_FALSE(rig.view.still);
    updateCamera(scene, rig.view, 5.0f);
    updateCamera(scene, rig.view, 5.0f);
    EXPECT_NE(rig.view.pose.position.y, 20);
}

TEST(SceneAnimation, KeysHoldThenRun) {
    SceneObject object;
    object.keyAnimated = true;
    object.keys.positions = {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}};
    object.keys.rotations.assign(4, Quat{});
    object.keys.hold = 1;
    int steps = 0;
    while (object.keys.current == 0 && steps < 100) {
        animateObject(object, 1.0f);
        ++steps;
        EXPECT_FLOAT_EQ(object.centre.x, 0);  // held at key 0
    }
    EXPECT_GE(steps, 20);  // t grows by 0.05 per frame unit
    EXPECT_LE(steps, 21);
    EXPECT_EQ(object.keys.hold, 0);
    animateObject(object, 1.0f);
    EXPECT_FLOAT_EQ(object.centre.x, 10);
    animateObject(object, 10.0f);  // t 0.05 -> 0.55
    animateObject(object, 1.0f);
    EXPECT_NEAR(object.centre.x, 15.5f, 1e-4f);
    for (int i = 0; i < 40; ++i) animateObject(object, 1.0f);
    EXPECT_EQ(object.keys.current, 0);  // passed keyCount − 2
    EXPECT_EQ(object.keys.hold, 0);

    // The most negative hold a file can give runs at once and is never counted further down.
    object.keys.hold = std::numeric_limits<int>::min();
    for (int i = 0; i < 21; ++i) animateObject(object, 1.0f);
    EXPECT_EQ(object.keys.current, 1);
    EXPECT_EQ(object.keys.hold, std::numeric_limits<int>::min());
}

ModelInstance instanceWithNodes(const std::vector<std::string>& names) {
    ModelInstance instance;
    for (const std::string& name : names) {
        ModelNode node;
        node.name = name;
        instance.nodes.push_back(node);
    }
    return instance;
}

TEST(ScenePlacedModels, ClockHandsAtHalfPastThreeAndTenSeconds) {
    SceneObject clock;
    clock.instance = std::make_unique<ModelInstance>(instanceWithNodes({"Arrow01", "Arrow02", "Arrow03"}));
    poseClock(clock, ClockTime{15, 30, 10});
    EXPECT_FLOAT_EQ(clock.instance->nodes[0].angleY, -180);
    EXPECT_FLOAT_EQ(clock.instance->nodes[1].angleY, -105);
    EXPECT_FLOAT_EQ(clock.instance->nodes[2].angleY, -60);
    poseClock(clock, ClockTime{0, 0, 0});
    EXPECT_FLOAT_EQ(clock.instance->nodes[1].angleY, 0);
}

TEST(ScenePlacedModels, TrainTurnsLocoAndWagonsAndCarriesTheSteam) {
    Scene scene;
    SceneObject railroad;
    railroad.name = "instance railroad";
    railroad.instance =
        std::make_unique<ModelInstance>(instanceWithNodes({"track", "loco", "wagon01", "wagon02"}));
    ModelHelper steam;
    steam.name = "emit locosteam";
    steam.position = {10, 0, 0};
    railroad.instance->nodes[0].helpers.push_back(steam);
    railroad.instance->nodes[0].worldPosition = {1, 1, 1};
    railroad.instance->position = {100, 0, 0};
    poseRailroad(scene, railroad, 1.0f);
    EXPECT_FLOAT_EQ(scene.trainAngle, 0.8f);
    EXPECT_FLOAT_EQ(railroad.instance->nodes[1].angleZ, 0);
    for (int i = 0; i < 374; ++i) poseRailroad(scene, railroad, 1.0f);
    EXPECT_NEAR(scene.trainAngle, 300.0f, 1e-2f);  // 375 steps of 0.8
    EXPECT_NEAR(railroad.instance->nodes[1].angleZ, 299.2f * 0.6f, 1e-2f);
    EXPECT_FLOAT_EQ(railroad.instance->nodes[2].angleZ, railroad.instance->nodes[3].angleZ);
    // Steam: turned by the same angle about z (3.14 convention), plus the node, plus 7 in z.
    const float a = 299.2f * 0.0052333335f;
    const Vec3 turned = rotate(Quat{0, 0, std::sin(a), std::cos(a)}, Vec3{10, 0, 0});
    const Vec3 at = railroad.instance->nodes[0].helpers[0].worldPosition;
    EXPECT_NEAR(at.x, turned.x + 1 + 100, 1e-2f);
    EXPECT_NEAR(at.y, turned.y + 1, 1e-2f);
    EXPECT_NEAR(at.z, 1 + 7, 1e-4f);
}

TEST(SceneHelpers, FiringSpawnsEffectsAndClearsTriggers) {
    SceneRig rig;
    EffectFile effect;
    EffectFileLayer layer;
    layer.spriteName = "spr.tga";
    layer.burstCount = 2;
    effect.layers = {layer};
    rig.media.files["Particles/candle.bin"] = encodeEffect(effect);
    rig.build(roomWithGlass());
    fireSceneHelpers(rig.scene, rig.view);
    EXPECT_EQ(rig.particles.emitterCount(), 0);  // not triggered
    rig.view.triggered[0] = 1;
    fireSceneHelpers(rig.scene, rig.view);
    EXPECT_EQ(rig.particles.emitterCount(), 1);
    EXPECT_FALSE(rig.view.triggered[0]);
    // Once a frame, however many views see it.
    rig.view.triggered[0] = 1;
    fireSceneHelpers(rig.scene, rig.view);
    EXPECT_EQ(rig.particles.emitterCount(), 1);
    EXPECT_FALSE(rig.view.triggered[0]);
    EXPECT_FLOAT_EQ(rig.particles.groups()[0].emitters[0]->position.z, 3);
}

// A room with a closet outside it (its own root, which the camera never enters) and a portal from
// the room's door helper to the closet; a second portal whose names match nothing; a third aimed at
// a helper that hangs below the attic it would open, so nothing ever triggers it.
BssScene roomWithPortals() {
    BssScene file;
    file.roomMeshes.push_back(scenetest::square("room", "Scene Root", 100, 0));
    file.roomMeshes.push_back(scenetest::square("closet", "Scene Root", 10, 500));
    file.roomMeshes.push_back(scenetest::square("shelf", "closet", 5, 505));
    file.roomMeshes.push_back(scenetest::square("attic", "Scene Root", 10, 900));
    file.helpers = {scenetest::helper("emit door", 2, "room"), scenetest::helper("emit dust", 2, "closet"),
                    scenetest::helper("emit hatch", 2, "attic")};
    BssPortal door;
    door.name = "closet";
    door.targetName = "emit door";
    door.points = {{0, 0, 0}, {2, 0, 0}, {2, 0, 4}, {0, 0, 4}};
    BssPortal nowhere;
    nowhere.name = "no such object";
    nowhere.targetName = "no such helper";
    nowhere.points = {{1, 1, 1}};
    BssPortal hatch;
    hatch.name = "attic";
    hatch.targetName = "emit hatch";
    file.portals = {door, nowhere, hatch};
    return file;
}

TEST(ScenePortals, LinkedAtLoadAndRevealOnlyWhileTheirHelperIsTriggered) {
    SceneRig rig;
    rig.build(roomWithPortals());
    Scene& scene = rig.scene;
    ASSERT_EQ(scene.portals.size(), 3u);
    const ScenePortal& door = scene.portals[0];
    EXPECT_EQ(door.triggerHelper, 0);
    EXPECT_EQ(door.revealedObjects, std::vector<int>{rig.objectIndex("closet")});
    EXPECT_FLOAT_EQ(door.centre.x, 1);
    EXPECT_FLOAT_EQ(door.centre.z, 2);
    EXPECT_EQ(scene.portals[1].triggerHelper, -1);
    EXPECT_TRUE(scene.portals[1].revealedObjects.empty());
    EXPECT_EQ(scene.portals[2].triggerHelper, 2);

    const int closet = rig.objectIndex("closet"), shelf = rig.objectIndex("shelf"),
              attic = rig.objectIndex("attic");
    View& view = rig.view;
    resetSight(scene, view);
    openPortals(scene, view);  // nothing triggered: everything stays hidden
    for (const ObjectSight& sight : view.sight) EXPECT_FALSE(sight.visible);

    view.triggered[0] = 1;  // the room passed its flag to the door helper
    openPortals(scene, view);
    EXPECT_TRUE(view.sight[std::size_t(closet)].visible);
    EXPECT_TRUE(view.sight[std::size_t(shelf)].visible);  // hangs below the closet
    EXPECT_TRUE(view.triggered[1]);                       // so does the dust
    EXPECT_FALSE(view.triggered[2]);
    EXPECT_FALSE(view.sight[std::size_t(attic)].visible);
    fireSceneHelpers(scene, view);
    for (unsigned char triggered : view.triggered) EXPECT_FALSE(triggered);
}

TEST(SceneFrustum, PlanesOfAnIdentityViewAndTheCubeTest) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const Frustum planes = frustumFromMatrices(identity, identity);
    // Right: row 4 − row 1 = (−1, 0, 0, 1); near: row 4 + row 3 = (0, 0, 1, 1).
    EXPECT_FLOAT_EQ(planes[0][0], -1);
    EXPECT_FLOAT_EQ(planes[0][3], 1);
    EXPECT_FLOAT_EQ(planes[1][0], 1);
    EXPECT_FLOAT_EQ(planes[3][1], -1);
    EXPECT_FLOAT_EQ(planes[5][2], 1);

    // A perspective of 90 degrees, aspect 1, near 1, far 100 (column-major), camera at the origin
    // looking down −z.
    const float n = 1, f = 100;
    const float projection[16] = {
        1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0};
    const Frustum view = frustumFromMatrices(projection, identity);
    EXPECT_FALSE(cubeOutsideFrustum(view, {0, 0, -50}, 1));
    EXPECT_TRUE(cubeOutsideFrustum(view, {0, 0, 50}, 1));      // behind
    EXPECT_TRUE(cubeOutsideFrustum(view, {0, 0, -500}, 10));   // beyond the far plane
    EXPECT_TRUE(cubeOutsideFrustum(view, {200, 0, -50}, 10));  // off to the right
    EXPECT_FALSE(cubeOutsideFrustum(view, {0, 0, 50}, 1000));  // a big cube reaches into view
    // Normalised planes: the side planes of a 90-degree view lean at 45 degrees.
    EXPECT_NEAR(view[0][0], -std::sqrt(0.5f), 1e-5f);
}

TEST(SceneDrawOrder, RoomContentsNearestFirstThenWallsThenWhatLiesBeyondWithBlendersKeptInPlace) {
    Scene scene;
    View view;
    view.pose.position = {0, 0, 0};
    view.pose.direction = {1, 0, 0};
    const auto add = [&scene](const char* name, SceneObjectKind kind, Vec3 low, Vec3 high,
                              bool opaque = true) {
        SceneObject object;
        object.name = name;
        object.kind = kind;
        object.parent = scene.objects.empty() ? -1 : 0;
        object.root = scene.objects.empty();
        object.boxMin = low;
        object.boxMax = high;
        object.centre = (low + high) * 0.5f;
        object.extent = high - low;
        object.radius = std::sqrt(dot(object.extent, object.extent)) * 0.5f;
        if (kind == SceneObjectKind::RoomMesh) {
            object.batches.resize(2);
            object.batches[0].opaque = true;
            object.batches[1].opaque = opaque;
        }
        scene.objects.push_back(std::move(object));
        return int(scene.objects.size()) - 1;
    };
    const int walls = add("walls", SceneObjectKind::RoomMesh, {-500, -500, -500}, {500, 500, 500});
    const int garden = add("garden", SceneObjectKind::RoomMesh, {600, -10, -10}, {700, 10, 10});
    const int tree = add("tree", SceneObjectKind::PlacedModel, {150, -50, -50}, {250, 50, 50});  // 113 away
    const int chair = add("chair", SceneObjectKind::PlacedModel, {40, -10, -10}, {60, 10, 10});  // 33 away
    const int window = add("window", SceneObjectKind::RoomMesh, {20, -5, -5}, {21, 5, 5}, false);
    const int lamp = add("lamp", SceneObjectKind::PlacedModel, {8, -2, -2}, {12, 2, 2});
    const int rug = add("rug", SceneObjectKind::RoomMesh, {-50, -10, -1}, {-40, 10, 1});  // 40 away
    const int fire = add("fire", SceneObjectKind::AnimatedModel, {1, -1, -1}, {2, 1, 1});
    const auto drawnNames = [&scene, &view] {
        std::string names;
        for (int index : view.drawOrder) names += scene.objects[std::size_t(index)].name + " ";
        return names;
    };
    orderNearestFirst(scene, view, {walls, garden, tree, chair, window, lamp, rug, fire});
    EXPECT_EQ(drawnNames(), "chair tree walls garden window lamp rug fire ");

    // An object waits for what it touches earlier in the list (where they meet at one depth the
    // first drawn shows).
    orderNearestFirst(scene, view, {walls, rug, chair});
    EXPECT_EQ(drawnNames(), "chair rug walls ");
    scene.objects[std::size_t(rug)].touching = {walls};
    orderNearestFirst(scene, view, {walls, rug, chair});
    EXPECT_EQ(drawnNames(), "chair walls rug ");

    // The camera outside the room: nothing is in it, so the nearest comes first.
    view.pose.position = {650, 0, 100};
    orderNearestFirst(scene, view, {walls, garden, tree});
    EXPECT_EQ(drawnNames(), "garden walls tree ");
}

TEST(SceneDrawOrder, ObjectsTouchWhereTheyShareSpaceAndTheShellWhereFacesShareAPlaneAndASide) {
    SharedVertexPool pool;
    Scene scene;
    // One square of two triangles per object, at height z, facing up (or down).
    const auto addSquare = [&](float x, float z, bool up, bool twoSided) {
        SceneObject object;
        object.kind = SceneObjectKind::RoomMesh;
        MeshBatch batch;
        batch.firstCorner = int(pool.append(6));
        batch.cornerCount = 6;
        batch.twoSided = twoSided;
        const float corners[6][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 0}, {10, 10}, {0, 10}};
        for (int k = 0; k < 6; ++k) {
            const int from = up ? k : 5 - k;
            float* p = pool[std::size_t(batch.firstCorner + k)].position;
            p[0] = x + corners[from][0];
            p[1] = corners[from][1];
            p[2] = z;
        }
        object.boxMin = {x, 0, z};
        object.boxMax = {x + 10, 10, z};
        object.batches.push_back(batch);
        scene.objects.push_back(std::move(object));
    };
    addSquare(0, 0, true, false);  // 0: the room's shell: meets only faces in its planes on its side
    scene.objects[0].root = true;
    addSquare(5, 0, true, false);     // 1: overlaps the shell in its plane, same side
    addSquare(5, 0.5f, true, false);  // 2: half a unit above
    addSquare(5, 0, false, false);    // 3: facing down: never shows where the shell's face does
    addSquare(5, 0, false, true);     // 4: facing down but two-sided
    addSquare(30, 0, true, false);    // 5: same plane, elsewhere
    findTouchingObjects(scene, pool);
    EXPECT_EQ(scene.objects[0].touching, (std::vector<int>{1, 4}));
    // Below the shell, whatever shares space meets.
    EXPECT_EQ(scene.objects[1].touching, (std::vector<int>{0, 3, 4}));
    EXPECT_TRUE(scene.objects[2].touching.empty());
    EXPECT_EQ(scene.objects[3].touching, (std::vector<int>{1, 4}));
    EXPECT_TRUE(scene.objects[5].touching.empty());
}

TEST(SceneDrawOrder, LightMappedBatchesWithTrianglesOverEarlierOnesInTheirPlaneAreFound) {
    SharedVertexPool pool;
    Scene scene;
    // One batch of triangles given as (x, y, z) corners.
    const auto addBatch = [&](const std::vector<Vec3>& corners, bool lightMap) {
        MeshBatch batch;
        batch.firstCorner = int(pool.append(corners.size()));
        batch.cornerCount = int(corners.size());
        batch.hasLightMap = lightMap;
        for (std::size_t k = 0; k < corners.size(); ++k) {
            float* p = pool[std::size_t(batch.firstCorner) + k].position;
            p[0] = corners[k].x;
            p[1] = corners[k].y;
            p[2] = corners[k].z;
        }
        SceneObject object;
        object.batches.push_back(batch);
        scene.objects.push_back(std::move(object));
    };
    const std::vector<Vec3> square = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    const auto withSecond = [&square](Vec3 a, Vec3 b, Vec3 c) {
        std::vector<Vec3> corners(square.begin(), square.begin() + 3);
        corners.insert(corners.end(), {a, b, c});
        return corners;
    };
    addBatch(square, true);                                                // 0: halves meet along an edge
    addBatch(withSecond({2, 1, 0}, {9, 1, 0}, {9, 8, 0}), true);           // 1: the second lies on the first
    addBatch(withSecond({2, 1, 0.5f}, {9, 1, 0.5f}, {9, 8, 0.5f}), true);  // 2: half a unit above
    addBatch(withSecond({2, 1, 0}, {9, 8, 0}, {9, 1, 0}), true);           // 3: facing away, culled
    addBatch(withSecond({2, 1, 0}, {9, 1, 0}, {9, 8, 0}), false);          // 4: no light map to lay twice
    addBatch(withSecond({10, 0, 0}, {20, 0, 0}, {10, 10, 0}), true);       // 5: beside it, sharing an edge
    findBatchesOverlappingThemselves(scene, pool);
    const std::vector<bool> expected = {false, true, false, false, false, false};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(scene.objects[i].batches[0].overlapsItself, expected[i]) << "batch " << i;
    }
}

}  // namespace
