// The BSM and BSA writers, read back through a reader written here from the file layouts, field by
// field, with the offsets of the fixed-size parts checked.

#include <gtest/gtest.h>

#include "model/bsa_file.h"
#include "model/bsm_file.h"
#include "support/test_reader.h"

using testsupport::expectVec3;
using testsupport::TestReader;

namespace {

BsmMesh texturedTriangle() {
    BsmMesh mesh;
    mesh.diffuseTexture = "C:\\art\\Textures\\tex_candle.tga";
    mesh.scrollU = 0.25f;
    mesh.scrollV = -0.5f;
    mesh.hasReflection = true;
    mesh.reflectionTexture = "tex_reflection2.tga";
    mesh.hasIllumination = true;
    mesh.illuminationTexture = "tex_candle_i.tga";
    mesh.nodeName = "Arrow01";
    mesh.parentName = "Hull";
    mesh.pivot = {0, 4.747f, 6.032f};
    mesh.positions = {{0, 4.747f, 6.032f}, {1, 2, 3}, {-1, -2, -3}};
    mesh.faces = {{0, 1, 2}};
    mesh.uvs = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f, 0.5f, 0}};
    mesh.uvFaces = {{3, 2, 1}};
    mesh.normals = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    return mesh;
}

TEST(BsmWriter, MeshesWithAndWithoutTexturesAndHelpers) {
    BsmModel model;
    model.meshes.push_back(texturedTriangle());
    BsmMesh plain;
    plain.diffuseTexture = "tex_wood.tga";
    plain.nodeName = "CollMesh";
    model.meshes.push_back(plain);
    BsmHelper helper;
    helper.position = {1, 2, 3};
    helper.name = "emit candle";
    helper.parentName = "Hull";
    helper.rotation = {0, 0, 0.7071f, 0.7071f};
    model.helpers.push_back(helper);
    const Bytes bytes = encodeBsm(model);

    TestReader in(bytes);
    ASSERT_EQ(in.i32(), 2);
    EXPECT_EQ(in.counted(), "C:\\art\\Textures\\tex_candle.tga");
    EXPECT_FLOAT_EQ(in.f32(), 0.25f);
    EXPECT_FLOAT_EQ(in.f32(), -0.5f);
    EXPECT_EQ(in.u8(), 1);
    EXPECT_EQ(in.counted(), "tex_reflection2.tga");
    EXPECT_EQ(in.u8(), 1);
    EXPECT_EQ(in.counted(), "tex_candle_i.tga");
    EXPECT_EQ(in.counted(), "Arrow01");
    EXPECT_EQ(in.counted(), "Hull");
    EXPECT_EQ(in.i32(), 3);  // V
    EXPECT_EQ(in.i32(), 1);  // F
    EXPECT_EQ(in.i32(), 4);  // T
    EXPECT_EQ(in.i32(), 1);  // TF
    // From the pivot on, the record is fixed-size: pivot, V, F, T, TF, 3F normals, all 3 floats each.
    const std::size_t pivotAt = in.offset();
    expectVec3(in, 0, 4.747f, 6.032f);
    expectVec3(in, 0, 4.747f, 6.032f);
    expectVec3(in, 1, 2, 3);
    expectVec3(in, -1, -2, -3);
    expectVec3(in, 0, 1, 2);  // face indices as floats
    expectVec3(in, 0, 0, 0);
    expectVec3(in, 1, 0, 0);
    expectVec3(in, 1, 1, 0);
    expectVec3(in, 0.5f, 0.5f, 0);
    expectVec3(in, 3, 2, 1);
    expectVec3(in, 0, 0, 1);
    expectVec3(in, 0, 1, 0);
    expectVec3(in, 1, 0, 0);
    EXPECT_EQ(in.offset() - pivotAt, std::size_t(12 * (1 + 3 + 1 + 4 + 1 + 3)));

    // Without texture flags the two zero bytes follow scrollV directly, then the node name.
    EXPECT_EQ(in.counted(), "tex_wood.tga");
    EXPECT_FLOAT_EQ(in.f32(), 0);
    EXPECT_FLOAT_EQ(in.f32(), 0);
    EXPECT_EQ(in.u8(), 0);
    EXPECT_EQ(in.u8(), 0);
    EXPECT_EQ(in.counted(), "CollMesh");
    EXPECT_EQ(in.counted(), "Scene Root");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(in.i32(), 0);
    expectVec3(in, 0, 0, 0);

    ASSERT_EQ(in.i32(), 1);
    expectVec3(in, 1, 2, 3);
    EXPECT_EQ(in.counted(), "emit candle");
    EXPECT_EQ(in.counted(), "Hull");
    EXPECT_FLOAT_EQ(in.f32(), 0);
    EXPECT_FLOAT_EQ(in.f32(), 0);
    EXPECT_FLOAT_EQ(in.f32(), 0.7071f);
    EXPECT_FLOAT_EQ(in.f32(), 0.7071f);
    EXPECT_EQ(in.i32(), 2);
    EXPECT_TRUE(in.atEnd());
}

TEST(BsmWriter, EmptyModelAndBadNormals) {
    // No meshes and no helpers: two int32 zeros.
    EXPECT_EQ(encodeBsm(BsmModel{}), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
    BsmModel model;
    model.meshes.push_back(texturedTriangle());
    model.meshes[0].normals.pop_back();
    EXPECT_THROW(encodeBsm(model), std::invalid_argument);
    // A mismatched uv face count is written as it is, so loaders can be tested against it.
    model.meshes[0] = texturedTriangle();
    model.meshes[0].uvFaces.push_back({0, 0, 0});
    const Bytes bytes = encodeBsm(model);
    TestReader in(bytes);
    in.i32();
    in.counted();
    in.seek(in.offset() + 8);
    in.u8(), in.counted(), in.u8(), in.counted(), in.counted(), in.counted();
    in.i32(), in.i32(), in.i32();
    EXPECT_EQ(in.i32(), 2);
}

TEST(BsaWriter, MeshAndAnimationFiles) {
    BsaMesh mesh;
    mesh.texture = "add_flame.tga";
    mesh.scrollU = 0;
    mesh.scrollV = 0.5f;
    mesh.positions = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    mesh.weights = {{2, 1, 1}, {1, 0, 0}, {0.5f, 0.5f, 0}};
    mesh.boneIndices = {{0, 1, 2}, {2, 2, 2}, {1, 0, 0}};
    mesh.faces = {{0, 1, 2}};
    mesh.uvs = {{0, 0, 0}, {1, 1, 0}};
    mesh.uvFaces = {{0, 1, 1}};
    mesh.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    BsaBone root;
    root.name = "Bone03";
    root.bindLocal = translationTransform(10, 20, 30);
    BsaBone child;
    child.name = "Bone01";
    child.parentName = "Bone03";
    mesh.bones = {root, child};
    const Bytes bytes = encodeBsaMesh(mesh);

    TestReader in(bytes);
    EXPECT_EQ(in.counted(), "add_flame.tga");
    EXPECT_FLOAT_EQ(in.f32(), 0);
    EXPECT_FLOAT_EQ(in.f32(), 0.5f);
    EXPECT_EQ(in.i32(), 3);
    EXPECT_EQ(in.i32(), 1);
    EXPECT_EQ(in.i32(), 2);
    EXPECT_EQ(in.i32(), 1);
    expectVec3(in, 0, 0, 0);  // unused
    expectVec3(in, 1, 2, 3);
    in.seek(in.offset() + 24);
    expectVec3(in, 2, 1, 1);  // weights as given; the reader normalises them
    in.seek(in.offset() + 24);
    expectVec3(in, 0, 1, 2);  // bone numbers as floats
    expectVec3(in, 2, 2, 2);
    expectVec3(in, 1, 0, 0);
    expectVec3(in, 0, 1, 2);  // face
    expectVec3(in, 0, 0, 0);
    expectVec3(in, 1, 1, 0);
    expectVec3(in, 0, 1, 1);  // uv face
    for (int i = 0; i < 3; ++i) expectVec3(in, 0, 0, 1);
    ASSERT_EQ(in.i32(), 2);
    // Bind local: three axis rows, then the translation row.
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(in.f32(), (i % 4 == 0) ? 1.0f : 0.0f) << i;
    expectVec3(in, 10, 20, 30);
    EXPECT_EQ(in.counted(), "Bone03");
    EXPECT_EQ(in.counted(), "Scene Root");
    in.seek(in.offset() + 48);
    EXPECT_EQ(in.counted(), "Bone01");
    EXPECT_EQ(in.counted(), "Bone03");
    EXPECT_TRUE(in.atEnd());

    BsaAnimation animation;
    animation.boneCountField = 3;
    for (int bone : {2, 0}) {
        BsaTrack track;
        track.boneNumber = bone;
        for (int frame = 0; frame < 4; ++frame)
            track.keys.push_back(translationTransform(float(frame), float(bone), 0));
        animation.tracks.push_back(track);
    }
    const Bytes anim = encodeBsaAnimation(animation);
    ASSERT_EQ(anim.size(), 12u + 2 * (4 + 4 * 48));
    TestReader a(anim);
    EXPECT_EQ(a.i32(), 3);
    EXPECT_EQ(a.i32(), 4);
    EXPECT_EQ(a.i32(), 2);
    EXPECT_EQ(a.i32(), 2);
    a.seek(16 + 2 * 48 + 36);  // bone 2, frame 2, translation row
    expectVec3(a, 2, 2, 0);
    a.seek(16 + 4 * 48);
    EXPECT_EQ(a.i32(), 0);

    animation.tracks[1].keys.pop_back();
    EXPECT_THROW(encodeBsaAnimation(animation), std::invalid_argument);
    mesh.weights.pop_back();
    EXPECT_THROW(encodeBsaMesh(mesh), std::invalid_argument);
}

}  // namespace
