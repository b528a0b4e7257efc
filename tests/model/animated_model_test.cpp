#include "model/animated_model.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bsa_fixtures.h"
#include "fake_media.h"
#include "test_log.h"

namespace {

struct AnimatedTest : ::testing::Test {
    FakeMedia media;
    TestLog log;
    AnimatedModel model;

    void put(const BsaMesh& mesh, const BsaAnimation& animation, const std::string& name = "fire") {
        media.files["Models/" + name + ".BSA"] = encodeBsaMesh(mesh);
        media.files["Models/" + name + "_anim.BSA"] = encodeBsaAnimation(animation);
    }
    void load(const std::string& name = "fire") { loadAnimatedModel(model, name, media.sources()); }
    // The scene's playback set-up, without the opening cross-fade.
    void play(float speed) {
        model.playing = true;
        model.playbackSpeed = speed;
        model.targetAnimation = 0;
        model.crossFading = false;
    }
    Vec3 skinned(int vertex) const {
        return {model.skinnedPositions[vertex * 3], model.skinnedPositions[vertex * 3 + 1],
                model.skinnedPositions[vertex * 3 + 2]};
    }
};

void expectNear(Vec3 a, Vec3 b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST_F(AnimatedTest, LoadsSkinBonesBindPoseAndLogs) {
    put(fixtures::flameMesh(), fixtures::flameAnimation());
    load();
    EXPECT_EQ(media.textureRequests, (std::vector<std::string>{"Textures/add_flame.tga"}));
    EXPECT_EQ(model.texture, media.textureNames["Textures/add_flame.tga"]);
    EXPECT_EQ(model.vertexCount(), 3);
    EXPECT_EQ(model.faceCount(), 1);
    EXPECT_EQ(model.boneCount, 3);
    EXPECT_EQ(model.roots, (std::vector<int>{0}));
    EXPECT_EQ(model.bones[0].children, (std::vector<int>{1, 2}));
    // Weights (2, 1, 1) become (0.5, 0.25, 0.25).
    EXPECT_FLOAT_EQ(model.skin.weights[3], 0.5f);
    EXPECT_FLOAT_EQ(model.skin.weights[4], 0.25f);
    EXPECT_FLOAT_EQ(model.skin.weights[5], 0.25f);
    expectNear(model.bones[1].bindPosition, {0, 0, 15});
    expectNear(model.bones[2].bindPosition, {5, 0, 5});
    // The root's bind translation moves into modelPosition; the model matrix starts at (0, 10, 0).
    expectNear(model.modelPosition, {0, 0, 5});
    expectNear(model.bones[0].local.translation(), {0, 0, 0});
    expectNear(model.modelMatrix.translation(), {0, 10, 0});
    ASSERT_EQ(model.animations.size(), 1u);
    const BoneAnimation& a = model.animations[0];
    EXPECT_EQ(a.name, "fire_anim.BSA");
    EXPECT_EQ(a.frameCount, 100);
    EXPECT_EQ(a.trackCount, 3);
    EXPECT_FLOAT_EQ(a.speed, 1);
    // The root's keys are re-centred by modelPosition.
    expectNear(a.entry(0, 0).translation(), {0, 0, 0});
    expectNear(a.entry(0, 99).translation(), {0, 0, 0});
    expectNear(a.entry(1, 50).translation(), {0, 0, 10});
    // Preallocated drawing arrays.
    EXPECT_EQ(model.skinnedPositions.size(), 9u);
    EXPECT_EQ(model.skinnedNormals.size(), 9u);
    EXPECT_EQ(model.corners.size(), 3u);
    EXPECT_EQ(log.text(), "Animated model fire.BSA mesh file loaded\nNum of Anims: 1\n");
}

TEST_F(AnimatedTest, RigidVertexFollowsItsBoneAndCornersAreBuilt) {
    BsaAnimation animation = fixtures::flameAnimation();
    animation.tracks[1].keys[0] = fixtures::turnedZ(0, 0, 10);
    put(fixtures::flameMesh(), animation);
    load();
    play(0);
    updateAnimatedModel(model, 1);
    // Vertex 0 (weights 1, 0, 0 on Bone01): its offset (1, 0, 0) from the bone turns to (0, 1, 0);
    // the bone sits at (0, 0, 10) above the model matrix's (0, 10, 0).
    expectNear(skinned(0), {0, 11, 10});
    // Vertex 2 on the unturned root: the bind position less modelPosition, plus (0, 10, 0).
    expectNear(skinned(2), {0, 10, 0});
    // Normals follow the first bone of the corner's vertex.
    expectNear({model.skinnedNormals[0], model.skinnedNormals[1], model.skinnedNormals[2]}, {0, 1, 0});
    expectNear({model.skinnedNormals[6], model.skinnedNormals[7], model.skinnedNormals[8]}, {1, 0, 0});
    // Corner c of face 0 = skinned[faces[c]], uv = uvs[uvFaces[c]].
    EXPECT_FLOAT_EQ(model.corners[0].position[1], skinned(0).y);
    EXPECT_FLOAT_EQ(model.corners[0].u, 0.5f);
    EXPECT_FLOAT_EQ(model.corners[0].v, 1);
    EXPECT_FLOAT_EQ(model.corners[2].u, 0);
}

TEST_F(AnimatedTest, FractionMustExceedOneAndTheRemainderIsDropped) {
    put(fixtures::flameMesh(), fixtures::flameAnimation());
    load();
    play(0.2f);
    BoneAnimation& a = model.animations[0];
    for (int i = 0; i < 5; ++i) updateAnimatedModel(model, 1);
    EXPECT_EQ(a.frame, 0);
    EXPECT_EQ(a.fraction, 1.0f);
    updateAnimatedModel(model, 1);
    EXPECT_EQ(a.frame, 1);
    EXPECT_EQ(a.advance, 1);
    EXPECT_EQ(a.fraction, 0.0f) << "restarts at 0, not 0.2";
    // A step of 2.6 at speed 1 advances two keys and drops the 0.6.
    play(1);
    updateAnimatedModel(model, 2.6f);
    EXPECT_EQ(a.frame, 3);
    EXPECT_EQ(a.advance, 2);
    EXPECT_EQ(a.fraction, 0.0f);
    // Past the last frame: back to 0.
    a.frame = 99;
    updateAnimatedModel(model, 2.0f);
    EXPECT_EQ(a.frame, 0);
    // A huge step loops instead of overflowing.
    updateAnimatedModel(model, 1e30f);
    EXPECT_EQ(a.frame, 0);
}

TEST_F(AnimatedTest, LastFrameBlendsIntoTheFirst) {
    BsaAnimation animation = fixtures::flameAnimation();
    animation.tracks[1].keys[0] = fixtures::turnedZ(0, 0, 11);
    put(fixtures::flameMesh(), animation);
    load();
    play(0);
    BoneAnimation& a = model.animations[0];
    a.frame = 99;
    a.advance = 1;
    a.fraction = 0.5f;
    updateAnimatedModel(model, 0);
    // Halfway from frame 99 (unturned) to frame 0 (90 degrees): 45 degrees, translation of frame 0.
    const Quat q = quatFromMatrix(model.bones[1].local);
    EXPECT_NEAR(q.z, std::sin(0.125f * kPi), 1e-3f);
    EXPECT_NEAR(q.w, std::cos(0.125f * kPi), 1e-3f);
    expectNear(model.bones[1].local.translation(), {0, 0, 11});
}

TEST_F(AnimatedTest, RootTranslationNeverMovesTheMesh) {
    BsaAnimation animation = fixtures::flameAnimation();
    for (int f = 0; f < 100; ++f)
        animation.tracks[0].keys[std::size_t(f)] = translationTransform(f * 3.0f, 2, 5);
    put(fixtures::flameMesh(), animation);
    load();
    play(1);
    updateAnimatedModel(model, 0);
    const Vec3 start = skinned(1);
    for (int i = 0; i < 10; ++i) updateAnimatedModel(model, 1);
    EXPECT_GT(model.animations[0].frame, 3);
    expectNear(skinned(1), start);
    // Only the model matrix places it.
    model.modelMatrix.setTranslation({1, 12, 3});
    updateAnimatedModel(model, 0);
    expectNear(skinned(1), start + Vec3{1, 2, 3});
}

TEST_F(AnimatedTest, OpeningCrossFadeEndsOnTheTargetAtFrameZero) {
    put(fixtures::flameMesh(), fixtures::flameAnimation());
    load();
    model.playing = true;
    model.playbackSpeed = 0.2f;
    model.targetAnimation = 0;
    model.crossFading = true;
    model.crossFadeRate = 0.2f;
    int frames = 0;
    while (model.crossFading && frames < 10) {
        updateAnimatedModel(model, 1);
        ++frames;
    }
    EXPECT_FALSE(model.crossFading);
    EXPECT_GE(frames, 5);
    EXPECT_LE(frames, 6);
    EXPECT_EQ(model.crossFadeTime, 0);
    EXPECT_EQ(model.animations[0].frame, 0);
    expectNear(skinned(0), {1, 10, 10});
}

TEST_F(AnimatedTest, MissingFilesGiveAnEmptyModelAndAnEmptyAnimation) {
    // No files at all.
    load("none");
    EXPECT_EQ(model.vertexCount(), 0);
    EXPECT_EQ(model.boneCount, 0);
    ASSERT_EQ(model.animations.size(), 1u);
    EXPECT_EQ(model.animations[0].frameCount, 0);
    play(0.2f);
    for (int i = 0; i < 10; ++i) updateAnimatedModel(model, 1);
    EXPECT_EQ(model.animations[0].frame, 0);
    EXPECT_NE(log.text().find("Animated model none.BSA mesh file not found"), std::string::npos);
    EXPECT_EQ(log.text().find("mesh file loaded"), std::string::npos);

    // Mesh without animation: the keys are filled with the bind pose, so the mesh holds still.
    media.files["Models/still.BSA"] = encodeBsaMesh(fixtures::flameMesh());
    load("still");
    play(0.2f);
    for (int i = 0; i < 7; ++i) updateAnimatedModel(model, 1);
    EXPECT_EQ(model.animations[0].frameCount, 0);
    expectNear(skinned(0), {1, 10, 10});
    expectNear(skinned(1), {5, 10, 0});
}

TEST_F(AnimatedTest, FilesBeyondTheLimitsOrDamagedAreRefusedWithALogLine) {
    BsaMesh many = fixtures::flameMesh();
    for (int b = 3; b < 41; ++b) {
        BsaBone extra;
        extra.name = "Extra" + std::to_string(b);
        many.bones.push_back(extra);
    }
    put(many, fixtures::flameAnimation(), "many");
    load("many");
    EXPECT_EQ(model.boneCount, 0);
    EXPECT_EQ(model.vertexCount(), 0);
    EXPECT_NE(log.text().find("Animated model many.BSA mesh file not loaded: 41 bones, more than 40"),
              std::string::npos)
        << log.text();

    log.clear();
    put(fixtures::flameMesh(), fixtures::flameAnimation(501), "long");
    load("long");
    EXPECT_EQ(model.boneCount, 3);
    EXPECT_EQ(model.animations[0].frameCount, 0);
    EXPECT_EQ(model.animations[0].trackCount, 0);
    EXPECT_NE(log.text().find("Animation file long_anim.BSA not loaded: 501 frames, more than 500"),
              std::string::npos)
        << log.text();

    BsaMesh badBone = fixtures::flameMesh();
    badBone.boneIndices[1][2] = 3;
    BsaMesh badFace = fixtures::flameMesh();
    badFace.faces[0][1] = 3;
    BsaMesh loop = fixtures::flameMesh();
    // A second "Bone03" under Bone01: Bone01 is reached from both, and the walk would never end.
    loop.bones[2].name = "Bone03";
    loop.bones[2].parentName = "Bone01";
    BsaMesh zeroWeights = fixtures::flameMesh();
    zeroWeights.weights[1] = {0, 0, 0};
    for (const auto& mesh : {badBone, badFace, loop}) {
        put(mesh, fixtures::flameAnimation(), "bad");
        load("bad");
        EXPECT_EQ(model.vertexCount(), 0);
        EXPECT_EQ(model.boneCount, 0);
        updateAnimatedModel(model, 1);
    }
    BsaAnimation badTrack = fixtures::flameAnimation();
    badTrack.tracks[2].boneNumber = 60;
    put(fixtures::flameMesh(), badTrack, "bad");
    load("bad");
    EXPECT_EQ(model.animations[0].trackCount, 0);

    // Weights that sum to zero bind the vertex to its first bone instead of becoming NaN.
    put(zeroWeights, fixtures::flameAnimation(), "zero");
    load("zero");
    EXPECT_EQ(model.skin.weights[3], 1);
    EXPECT_EQ(model.skin.weights[4], 0);
    updateAnimatedModel(model, 1);
    EXPECT_FALSE(std::isnan(skinned(1).x));
}

TEST_F(AnimatedTest, LoadingKeepsTheRotationTheSceneSet) {
    put(fixtures::flameMesh(), fixtures::flameAnimation());
    model.modelMatrix.setRotation(axisZ(90));
    model.modelMatrix.setTranslation({50, 50, 50});
    load();
    EXPECT_NEAR(model.modelMatrix.m[4], std::sin(90 * 3.14f / 180), 1e-6f);
    expectNear(model.modelMatrix.translation(), {0, 10, 0});
    play(0);
    updateAnimatedModel(model, 0);
    // Vertex 2 sits on the root at the model origin: (0, 10, 0) whatever the rotation.
    expectNear(skinned(2), {0, 10, 0});
    // Vertex 1 at (5, 0, 0) from the root turns with the model: about (0, 5, 0) + (0, 10, 0).
    expectNear(skinned(1), {0, 15, 0}, 0.01f);
}

}  // namespace
