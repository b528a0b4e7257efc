// The BSS and particle effect writers, read back through a reader written here from the file
// layouts, field by field, with the offsets of the fixed-size parts checked.

#include <gtest/gtest.h>

#include "scene/bss_file.h"
#include "scene/effect_file.h"
#include "support/test_reader.h"

using testsupport::expectVec3;
using testsupport::TestReader;

namespace {

TEST(BssWriter, FiveSectionsInOrder) {
    BssScene scene;
    BssRoomMesh room;
    room.name = "room";
    BssMaterial wall;
    wall.diffuseTexture = "tex_wallpaper.tga";
    wall.twoSided = true;
    wall.cornerCount = 3;
    BssMaterial glow;
    glow.hasIllumination = true;
    glow.illuminationTexture = "tex_glow.tga";
    glow.firstCorner = 3;
    glow.cornerCount = 3;
    glow.materialRef = 1;
    room.materials = {wall, glow};
    room.hasLightMap = true;
    room.lightMapName = "lm_room.tga";
    room.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    room.faces = {{0, 1, 2}, {0, 2, 3}};
    room.uvs = {{0, 0, 0}, {1, 1, 0}};
    room.lightUvs = {{0.5f, 0.5f, 0}};
    room.uvFaces = {{0, 1, 0}, {1, 1, 1}};
    room.lightUvFaces = {{0, 0, 0}, {0, 0, 0}};
    room.normals.assign(6, Vec3{0, 0, 1});
    BssRoomMesh glass;
    glass.name = "glass";
    glass.parentName = "room";
    glass.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    glass.faces = {{0, 1, 2}};
    glass.uvs = {{0, 0, 0}};
    glass.uvFaces = {{0, 0, 0}};
    glass.normals.assign(3, Vec3{0, 1, 0});
    scene.roomMeshes = {room, glass};
    BssPortal portal;
    portal.name = "door";
    portal.targetName = "hall";
    portal.points = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    portal.triangles = {{0, 1, 2}};
    portal.trailing = {7, 8, 9};
    scene.portals = {portal};
    BssCamera camera;
    camera.positions = {{1, 2, 3}, {4, 5, 6}};
    camera.rotations = {Quat{}, Quat{0, 0, 1, 0}};
    camera.fieldsOfView = {1.309f, 1.134f};
    scene.cameras = {camera};
    BssHelper helper;
    helper.name = "instance fir";
    helper.kind = 3;
    helper.hold = 5;
    helper.positions = {{10, 20, 30}};
    helper.rotations = {Quat{0.5f, 0.5f, 0.5f, 0.5f}};
    scene.helpers = {helper};
    BssLight light;
    light.position = {100, 200, 150};
    light.includeNames = {"instance fir", "instance candle"};
    scene.lights = {light};
    const Bytes bytes = encodeBss(scene);

    TestReader in(bytes);
    ASSERT_EQ(in.i32(), 2);
    EXPECT_EQ(in.counted(), "room");
    EXPECT_EQ(in.counted(), "Scene Root");
    ASSERT_EQ(in.i32(), 2);
    EXPECT_EQ(in.counted(), "tex_wallpaper.tga");
    EXPECT_EQ(in.u8(), 1);  // two-sided
    EXPECT_EQ(in.u8(), 0);  // no reflection, so no name
    EXPECT_EQ(in.u8(), 0);  // no illumination
    EXPECT_EQ(in.i32(), 0);
    EXPECT_EQ(in.i32(), 3);
    EXPECT_EQ(in.i32(), 0);
    EXPECT_EQ(in.counted(), "None");
    EXPECT_EQ(in.u8(), 0);
    EXPECT_EQ(in.u8(), 0);
    EXPECT_EQ(in.u8(), 1);
    EXPECT_EQ(in.counted(), "tex_glow.tga");
    EXPECT_EQ(in.i32(), 3);
    EXPECT_EQ(in.i32(), 3);
    EXPECT_EQ(in.i32(), 1);
    EXPECT_EQ(in.i32(), 4);  // vertices
    EXPECT_EQ(in.i32(), 2);  // faces
    EXPECT_EQ(in.i32(), 2);  // uvs
    EXPECT_EQ(in.i32(), 1);  // light uvs
    EXPECT_EQ(in.i32(), 2);  // uv faces
    EXPECT_EQ(in.u8(), 1);
    EXPECT_EQ(in.counted(), "lm_room.tga");
    const std::size_t arraysAt = in.offset();
    in.seek(arraysAt + 12 * 4);
    expectVec3(in, 0, 1, 2);
    expectVec3(in, 0, 2, 3);
    in.seek(arraysAt + 12 * (4 + 2 + 2 + 1));
    expectVec3(in, 0, 1, 0);  // uv faces
    expectVec3(in, 1, 1, 1);
    in.seek(arraysAt + 12 * (4 + 2 + 2 + 1 + 2 + 2 + 6));
    // The glass: no light map, so its light uv faces are written as zeros.
    EXPECT_EQ(in.counted(), "glass");
    EXPECT_EQ(in.counted(), "room");
    EXPECT_EQ(in.i32(), 0);
    EXPECT_EQ(in.i32(), 3);
    EXPECT_EQ(in.i32(), 1);
    EXPECT_EQ(in.i32(), 1);
    EXPECT_EQ(in.i32(), 0);
    EXPECT_EQ(in.i32(), 1);
    EXPECT_EQ(in.u8(), 0);
    in.seek(in.offset() + 12 * (3 + 1 + 1 + 0 + 1));
    expectVec3(in, 0, 0, 0);  // light uv face
    for (int i = 0; i < 3; ++i) expectVec3(in, 0, 1, 0);

    ASSERT_EQ(in.i32(), 1);  // portals
    EXPECT_EQ(in.counted(), "door");
    EXPECT_EQ(in.counted(), "hall");
    EXPECT_EQ(in.i32(), 3);
    in.seek(in.offset() + 36);
    EXPECT_EQ(in.i32(), 1);
    expectVec3(in, 0, 1, 2);
    EXPECT_EQ(in.i32(), 7);
    EXPECT_EQ(in.i32(), 8);
    EXPECT_EQ(in.i32(), 9);

    ASSERT_EQ(in.i32(), 1);  // cameras: positions, then rotations, then fields of view
    EXPECT_EQ(in.i32(), 2);
    expectVec3(in, 1, 2, 3);
    expectVec3(in, 4, 5, 6);
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 1.f, 0.f}) EXPECT_FLOAT_EQ(in.f32(), v);
    EXPECT_FLOAT_EQ(in.f32(), 1.309f);
    EXPECT_FLOAT_EQ(in.f32(), 1.134f);

    ASSERT_EQ(in.i32(), 1);  // helpers
    EXPECT_EQ(in.counted(), "instance fir");
    EXPECT_EQ(in.counted(), "room");
    EXPECT_EQ(in.i32(), 3);
    EXPECT_EQ(in.i32(), 5);
    EXPECT_EQ(in.i32(), 1);
    expectVec3(in, 10, 20, 30);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(in.f32(), 0.5f);

    ASSERT_EQ(in.i32(), 1);  // lights: 10 floats, then the include list
    const std::size_t lightAt = in.offset();
    expectVec3(in, 100, 200, 150);
    expectVec3(in, 1, 1, 1);
    EXPECT_FLOAT_EQ(in.f32(), 40);
    EXPECT_FLOAT_EQ(in.f32(), 1);
    EXPECT_FLOAT_EQ(in.f32(), 1);
    EXPECT_FLOAT_EQ(in.f32(), 552.8f);
    EXPECT_EQ(in.offset() - lightAt, 40u);
    EXPECT_EQ(in.i32(), 2);
    EXPECT_EQ(in.counted(), "instance fir");
    EXPECT_EQ(in.counted(), "instance candle");
    EXPECT_TRUE(in.atEnd());
}

TEST(BssWriter, EmptySceneAndInconsistentRecords) {
    EXPECT_EQ(encodeBss(BssScene{}), Bytes(20, 0));
    BssScene scene;
    scene.cameras.push_back(BssCamera{{{0, 0, 0}}, {}, {1.309f}});
    EXPECT_THROW(encodeBss(scene), std::invalid_argument);
    scene.cameras.clear();
    BssRoomMesh mesh;
    mesh.faces = {{0, 0, 0}};
    mesh.uvFaces = {{0, 0, 0}};
    mesh.normals.assign(3, Vec3{});
    mesh.lightUvFaces = {{0, 0, 0}, {0, 0, 0}};
    scene.roomMeshes.push_back(mesh);
    EXPECT_THROW(encodeBss(scene), std::invalid_argument);
}

TEST(EffectWriter, EveryFieldAtItsOffset) {
    EffectFileLayer layer;
    layer.spriteName = "flame.tga";
    layer.speed = {1, 2, 3};
    layer.speedJitter = {4, 5, 6};
    layer.spawnBox = {7, 8, 9};
    layer.burstCount = 10;
    layer.size = {11, 12, 13};
    layer.sizeJitter = {14, 15, 16};
    layer.shrink = {17, 18, 19};
    layer.gravity = 21;
    layer.radial = true;
    layer.blendSource = 770;
    layer.blendDest = 1;
    layer.alphaStart = 19;
    layer.alphaPeak = 100;
    layer.fadeRate = 5.3824f;
    layer.alphaJitter = 22;
    layer.tailFromHead = true;
    layer.aimed = true;
    layer.towardCamera = 23;
    layer.frameCount = 4;
    layer.frameRate = 1;
    layer.endWithAnimation = true;
    layer.spin = true;
    layer.spinSpeed = 10;
    layer.kind = EffectKind::Streak;
    const Bytes block = encodeEffectBlock(layer);
    ASSERT_EQ(block.size(), 133u);
    TestReader in(block);
    auto floatAt = [&](std::size_t offset) {
        in.seek(offset);
        return in.f32();
    };
    auto intAt = [&](std::size_t offset) {
        in.seek(offset);
        return in.i32();
    };
    auto byteAt = [&](std::size_t offset) {
        in.seek(offset);
        return in.u8();
    };
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(floatAt(std::size_t(i) * 4), float(i + 1)) << i;
    EXPECT_EQ(intAt(36), 10);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(floatAt(40 + std::size_t(i) * 4), float(i + 11)) << i;
    EXPECT_FLOAT_EQ(floatAt(76), 5.3824f);  // the copy holds the fade rate unless set
    EXPECT_FLOAT_EQ(floatAt(80), 21);
    EXPECT_EQ(byteAt(84), 1);
    EXPECT_EQ(intAt(85), 770);
    EXPECT_EQ(intAt(89), 1);
    EXPECT_FLOAT_EQ(floatAt(93), 19);
    EXPECT_FLOAT_EQ(floatAt(97), 100);
    EXPECT_FLOAT_EQ(floatAt(101), 5.3824f);
    EXPECT_FLOAT_EQ(floatAt(105), 22);
    EXPECT_EQ(byteAt(109), 1);
    EXPECT_EQ(byteAt(110), 1);
    EXPECT_FLOAT_EQ(floatAt(111), 23);
    EXPECT_EQ(intAt(115), 4);
    EXPECT_FLOAT_EQ(floatAt(119), 1);
    EXPECT_EQ(byteAt(123), 1);
    EXPECT_EQ(byteAt(124), 1);
    EXPECT_FLOAT_EQ(floatAt(125), 10);
    EXPECT_EQ(intAt(129), 1);
    EXPECT_TRUE(in.atEnd());

    layer.fadeRateCopy = 2.5f;
    EXPECT_FLOAT_EQ(TestReader(encodeEffectBlock(layer)).f32(), 1);  // offset 0 unchanged
    const Bytes withCopy = encodeEffectBlock(layer);
    TestReader copy(withCopy);
    copy.seek(76);
    EXPECT_FLOAT_EQ(copy.f32(), 2.5f);
    copy.seek(101);
    EXPECT_FLOAT_EQ(copy.f32(), 5.3824f);
}

TEST(EffectWriter, LayersFollowTheCount) {
    EffectFile effect;
    for (const char* sprite : {"a.tga", "snowflake.tga"}) {
        EffectFileLayer layer;
        layer.spriteName = sprite;
        layer.burstCount = 3;
        effect.layers.push_back(layer);
    }
    const Bytes bytes = encodeEffect(effect);
    ASSERT_EQ(bytes.size(), 4u + (4 + 5 + 133) + (4 + 13 + 133));
    TestReader in(bytes);
    EXPECT_EQ(in.i32(), 2);
    EXPECT_EQ(in.counted(), "a.tga");
    in.seek(in.offset() + 36);
    EXPECT_EQ(in.i32(), 3);
    in.seek(4 + 4 + 5 + 133);
    EXPECT_EQ(in.counted(), "snowflake.tga");
    EXPECT_EQ(encodeEffect(EffectFile{}), (Bytes{0, 0, 0, 0}));
}

}  // namespace
