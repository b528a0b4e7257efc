// The scene passes on real GL: the layers of a room batch (read back), the glass pass after the
// opaque pass, visibility from outside every root, particles drawn; every pass leaves the GL
// baseline (gl/gl_state.h), every batch the pass's state as it found it.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "gl/gl_state.h"
#include "scene/effect_file.h"
#include "scene/scene_fixtures.h"
#include "support/test_gl_context.h"

using scenetest::SceneRig;

namespace {

constexpr int kSize = 64;

GLuint solidTexture(float r, float g, float b, float a = 1.0f) {
    const std::uint8_t pixel[4] = {std::uint8_t(r * 255 + 0.5f), std::uint8_t(g * 255 + 0.5f),
                                   std::uint8_t(b * 255 + 0.5f), std::uint8_t(a * 255 + 0.5f)};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return texture;
}

std::array<int, 3> centrePixel() {
    std::uint8_t rgba[4] = {};
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

struct SceneGL : ::testing::Test {
    platform::TestGLContext gl;
    void SetUp() override {
        ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
        applyGLBaseline();
        glViewport(0, 0, kSize, kSize);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // Tests that draw batches or particles directly give their corners in clip coordinates.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // What a pass sets up for its batches (scene_internal.h): the pool bound, blending and the alpha
    // test on.
    static void beginBatches(SceneRig& rig) {
        rig.pool.bindPool();
        glEnable(GL_BLEND);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.001f);
    }
    static void expectBaseline() {
        const GLRectangle viewport{0, 0, kSize, kSize};
        EXPECT_EQ(glStateDifferences(&viewport), std::vector<std::string>{});
    }
};

// A room box (a floor square at z = 0, camera 50 above it looking down) with one batch, and a small
// glass pane at z = 10.
BssScene lookingDown() {
    BssScene file;
    BssRoomMesh room = scenetest::roomBox();
    room.materials[0].diffuseTexture = "diffuse.tga";
    file.roomMeshes.push_back(room);
    BssRoomMesh glass = scenetest::square("glass", "room", 10, 10);
    glass.materials[0].diffuseTexture = "redglass.tga";
    file.roomMeshes.push_back(glass);
    file.cameras.push_back(scenetest::stillCameraLookingDown({0, 0, 50}));
    file.helpers.push_back(scenetest::helper("emit sparks", 2));
    return file;
}

TEST_F(SceneGL, BatchWithIlluminationAndLightMapAddsThenMultiplies) {
    SceneRig rig;
    rig.media.textureNames["Textures/diffuse.tga"] = solidTexture(0.5f, 0.5f, 0.5f);
    rig.media.textureNames["Textures/glow.tga"] = solidTexture(0.5f, 0.0f, 0.0f);
    rig.media.textureNames["Textures/lightmap.tga"] = solidTexture(0.5f, 1.0f, 0.25f);
    BssScene file;
    BssRoomMesh room = scenetest::square("room", "Scene Root", 100, 0);
    room.materials[0].diffuseTexture = "diffuse.tga";
    room.materials[0].hasIllumination = true;
    room.materials[0].illuminationTexture = "glow.tga";
    room.hasLightMap = true;
    room.lightMapName = "lightmap.tga";
    room.lightUvs = {{0.5f, 0.5f, 0}};
    room.lightUvFaces = {{0, 0, 0}, {0, 0, 0}};
    file.roomMeshes.push_back(room);
    rig.build(file);
    const MeshBatch& batch = rig.scene.objects[0].batches.at(0);
    ASSERT_TRUE(batch.hasIllumination && batch.hasLightMap);

    beginBatches(rig);
    const std::vector<std::string> passState = glStateDifferences();
    drawMeshBatch(rig.scene, batch);
    // Base 0.5; plus the illumination's square (source colour × source colour): red 0.75; then
    // times the light map: (0.375, 0.5, 0.125).
    const std::array<int, 3> pixel = centrePixel();
    EXPECT_NEAR(pixel[0], 96, 3);
    EXPECT_NEAR(pixel[1], 128, 3);
    EXPECT_NEAR(pixel[2], 32, 3);

    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LESS);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    void* pointer = nullptr;
    glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, reinterpret_cast<const char*>(rig.pool.data()) + kPoolUv0Offset);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(glStateDifferences(), passState);
    rig.pool.unbindPool();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Two light-mapped squares in one plane, the second drawn over the first: where they tie, the first
// keeps its colour and the second's map darkens it too, in one pass as in layers; a batch without a
// map afterwards leaves the second unit off.
TEST_F(SceneGL, OpaqueBatchDarkensWhatItTiesWithByItsLightMapAsTheLayersDo) {
    SceneRig rig;
    rig.media.textureNames["Textures/diffuse.tga"] = solidTexture(0.5f, 0.5f, 0.5f);
    rig.media.textureNames["Textures/white.tga"] = solidTexture(1, 1, 1);
    rig.media.textureNames["Textures/lightmap.tga"] = solidTexture(0.5f, 1.0f, 0.25f);
    rig.media.textureNames["Textures/lightmap2.tga"] = solidTexture(1.0f, 0.5f, 0.5f);
    BssScene file;
    const auto addSquare = [&file](const char* name, const char* parent, const char* diffuse,
                                   const char* lightMap) {
        BssRoomMesh mesh = scenetest::square(name, parent, 100, 0);
        mesh.materials[0].diffuseTexture = diffuse;
        mesh.hasLightMap = true;
        mesh.lightMapName = lightMap;
        mesh.lightUvs = {{0.5f, 0.5f, 0}};
        mesh.lightUvFaces = {{0, 0, 0}, {0, 0, 0}};
        file.roomMeshes.push_back(mesh);
    };
    addSquare("room", "Scene Root", "diffuse.tga", "lightmap.tga");
    addSquare("panel", "room", "white.tga", "lightmap2.tga");
    rig.build(file);
    const MeshBatch& first = rig.scene.objects[0].batches.at(0);
    const MeshBatch& second = rig.scene.objects[1].batches.at(0);
    ASSERT_TRUE(first.hasLightMap && second.hasLightMap);

    beginBatches(rig);
    const std::vector<std::string> passState = glStateDifferences();
    const auto draw = [&](void (*drawBatch)(const Scene&, const MeshBatch&)) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawBatch(rig.scene, first);
        drawBatch(rig.scene, second);
        EXPECT_EQ(glStateDifferences(), passState);
        return centrePixel();
    };
    const std::array<int, 3> layered = draw(drawMeshBatch);
    const std::array<int, 3> combined = draw(drawOpaqueBatch);
    // 0.5 × (0.5, 1, 0.25) × (1, 0.5, 0.5).
    EXPECT_NEAR(layered[0], 64, 3);
    EXPECT_NEAR(layered[1], 64, 3);
    EXPECT_NEAR(layered[2], 16, 3);
    for (int channel = 0; channel < 3; ++channel) EXPECT_NEAR(combined[channel], layered[channel], 2);

    // Lit or not, a batch is drawn unlit and leaves lighting as the object's lights set it.
    MeshBatch unmapped = second;
    unmapped.hasLightMap = false;
    glEnable(GL_LIGHTING);
    drawOpaqueBatch(rig.scene, unmapped);
    drawMeshBatch(rig.scene, unmapped);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
    EXPECT_EQ(glStateDifferences(), passState);
    rig.pool.unbindPool();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneGL, GlassIsLeftForTheGlassPassWhichDrawsItOverTheRoom) {
    SceneRig rig;
    rig.media.textureNames["Textures/diffuse.tga"] = solidTexture(0, 0, 1);
    rig.media.textureNames["Textures/redglass.tga"] = solidTexture(1, 0, 0);
    rig.build(lookingDown());
    rig.pool.setBufferObjectsAvailable(true);
    rig.pool.uploadPool();
    rig.drawFrame(1.0f);
    EXPECT_EQ(rig.view.opaqueList, std::vector<int>{0});
    EXPECT_EQ(rig.view.glassList, std::vector<int>{1});
    EXPECT_EQ(rig.view.drawnObjects, 1);
    EXPECT_EQ(centrePixel(), (std::array<int, 3>{0, 0, 255}));
    expectBaseline();

    drawGlassPass(rig.scene, rig.view);
    EXPECT_EQ(centrePixel(), (std::array<int, 3>{255, 0, 0}));
    expectBaseline();
    EXPECT_EQ(rig.view.drawnObjects, 2);

    drawCapturePass(rig.scene, rig.view, 1.0f);
    expectBaseline();
    rig.pool.releaseGL();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A closet with a root of its own far away, opened by the room's "emit sparks" helper. With the
// camera in the room: the room, the closet and the sparks; outside every root: nothing drawn, nothing
// fired, whatever the portal.
TEST_F(SceneGL, WhatTheCameraIsInsideIsDrawnAndFiresAndAPortalShowsItsObjectWhileItsHelperIsTriggered) {
    BssScene file = lookingDown();
    file.roomMeshes.push_back(scenetest::square("closet", "Scene Root", 5, 2000));
    BssPortal door;
    door.name = "closet";
    door.targetName = "emit sparks";
    BssPortal nowhere;
    nowhere.name = "no such object";
    nowhere.targetName = "no such helper";
    file.portals = {nowhere, door};
    EffectFile sparks;
    sparks.layers = {EffectFileLayer{}};
    sparks.layers[0].spriteName = "spark.tga";
    for (const bool inside : {true, false}) {
        SceneRig rig;
        rig.media.files["Particles/sparks.bin"] = encodeEffect(sparks);
        BssScene variant = file;
        if (!inside) {
            for (::Vec3& p : variant.cameras[0].positions) p.x = 500;
        }
        rig.build(variant);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const int closet = rig.objectIndex("closet");
        for (int frame = 0; frame < 2; ++frame) {
            rig.drawFrame(1.0f);
            EXPECT_EQ(rig.view.sight[std::size_t(closet)].visible, inside) << inside;
            const auto& list = rig.view.opaqueList;
            EXPECT_EQ(std::find(list.begin(), list.end(), closet) != list.end(), inside) << inside;
            EXPECT_EQ(list.empty() && rig.view.glassList.empty(), !inside) << inside;
        }
        EXPECT_EQ(rig.particles.emitterCount() > 0, inside);
        if (!inside) {
            EXPECT_EQ(centrePixel(), (std::array<int, 3>{0, 0, 0}));
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneGL, OcclusionVariantMakesQueriesAndKeepsTheRoomVisible) {
    if (!GLEW_ARB_occlusion_query) GTEST_SKIP() << "no occlusion queries";
    SceneRig rig;
    rig.services.occlusionQueries = true;
    BssScene file = lookingDown();
    file.helpers.push_back(scenetest::helper("instance box", 3));
    rig.build(file);
    ASSERT_EQ(rig.scene.objects.size(), 3u);
    EXPECT_EQ(rig.view.sight[0].query, 0u);  // the root has none
    EXPECT_NE(rig.view.sight[1].query, 0u);
    EXPECT_NE(rig.view.sight[2].query, 0u);
    for (int frame = 0; frame < 3; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        rig.drawFrame(1.0f, true);
        EXPECT_TRUE(rig.view.sight[0].visible);
        EXPECT_TRUE(rig.view.sight[2].queryIssued);
        // The queries' boxes change depth writes, colour writes and culling: all back afterwards.
        expectBaseline();
    }
    releaseView(rig.view);
    releaseScene(rig.scene);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneGL, ParticlesDrawOneQuadPerParticleAndLeaveTheirState) {
    FakeMedia media;
    media.textureNames["Sprites/white.tga"] = solidTexture(1, 1, 1);
    EffectFile effect;
    EffectFileLayer layer;
    layer.spriteName = "white.tga";
    layer.size = {0.5f, 0, 0};
    layer.alphaStart = 100;
    layer.alphaPeak = 1000;
    layer.fadeRate = 0;
    layer.blendSource = GL_ONE;
    layer.blendDest = GL_ZERO;
    effect.layers = {layer};
    media.files["Particles/dot.bin"] = encodeEffect(effect);
    ParticleSystem particles(media.sources());
    RandomSequence random;
    particles.spawnEffect("dot", {0, 0, 0}, {}, random, {});
    particles.update(1.0f);
    particles.render();  // camera vectors from this matrix; the next update uses them
    particles.update(2.0f);
    particles.render();
    EXPECT_EQ(centrePixel(), (std::array<int, 3>{255, 255, 255}));
    std::uint8_t corner[4] = {};
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[0], 0);  // a quad of half size 0.5 covers the middle half only
    expectBaseline();
    // Turned to another camera: the same quads, the same state left.
    const float modelView[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    glClear(GL_COLOR_BUFFER_BIT);
    particles.renderFacing(modelView);
    EXPECT_EQ(centrePixel(), (std::array<int, 3>{255, 255, 255}));
    expectBaseline();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
