// The skinned fireplace flames: the skin's weights and bone numbers, the bone tree, key 0 against
// the bind pose, a loop without a jump, and the files loaded and played by the engine's own loader.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

#include "mediagen/effects.h"
#include "model/animated_model.h"
#include "model/bsa_file.h"

namespace {

float largestDifference(const Transform4x3& a, const Transform4x3& b) {
    float largest = 0;
    for (int i = 0; i < 12; ++i) largest = std::max(largest, std::fabs(a[i] - b[i]));
    return largest;
}

TEST(FireplaceFire, SkinHasThreeNormalisedWeightsOnValidBonesPerVertex) {
    const BsaMesh mesh = mediagen::fireplaceFireMesh();
    EXPECT_NEAR(double(mesh.positions.size()), 250, 10);
    EXPECT_NEAR(double(mesh.faces.size()), 430, 10);
    ASSERT_EQ(mesh.weights.size(), mesh.positions.size());
    ASSERT_EQ(mesh.boneIndices.size(), mesh.positions.size());
    EXPECT_EQ(mesh.uvFaces.size(), mesh.faces.size());
    EXPECT_EQ(mesh.normals.size(), 3 * mesh.faces.size());
    EXPECT_EQ(mesh.texture, "add_flame.tga");
    EXPECT_EQ(mesh.scrollU, 0.0f);
    EXPECT_EQ(mesh.scrollV, 0.5f);
    for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
        const ::Vec3& w = mesh.weights[v];
        ASSERT_NEAR(w.x + w.y + w.z, 1.0f, 1e-5f) << "vertex " << v;
        ASSERT_GE(std::min({w.x, w.y, w.z}), 0.0f) << "vertex " << v;
        for (int b : mesh.boneIndices[v]) ASSERT_TRUE(b >= 0 && b < int(mesh.bones.size())) << "vertex " << v;
        // The bed does not move: vertices at the foot hang almost wholly on the root.
        if (mesh.positions[v].z < 0.5f) {
            EXPECT_GT(w.x, 0.95f);
        }
    }
    for (const IndexTriple& face : mesh.faces)
        for (int i : face) ASSERT_TRUE(i >= 0 && i < int(mesh.positions.size()));
    for (const IndexTriple& face : mesh.uvFaces)
        for (int i : face) ASSERT_TRUE(i >= 0 && i < int(mesh.uvs.size()));

    ASSERT_EQ(mesh.bones.size(), 3u);
    std::map<std::string, std::string> parent;
    for (const BsaBone& bone : mesh.bones) parent[bone.name] = bone.parentName;
    EXPECT_EQ(parent["Bone03"], "Scene Root");
    EXPECT_EQ(parent["Bone01"], "Bone03");
    EXPECT_EQ(parent["Bone02"], "Bone03");
}

TEST(FireplaceFire, AnimationStartsAtTheBindPoseAndLoopsWithoutAJump) {
    const BsaMesh mesh = mediagen::fireplaceFireMesh();
    const BsaAnimation animation = mediagen::fireplaceFireAnimation();
    ASSERT_EQ(animation.frameCount(), 100);
    ASSERT_EQ(animation.tracks.size(), mesh.bones.size());
    std::vector<bool> seen(mesh.bones.size(), false);
    bool anyMotion = false;
    for (const BsaTrack& track : animation.tracks) {
        SCOPED_TRACE(track.boneNumber);
        ASSERT_TRUE(track.boneNumber >= 0 && track.boneNumber < int(mesh.bones.size()));
        EXPECT_FALSE(seen[std::size_t(track.boneNumber)]) << "two tracks for one bone";
        seen[std::size_t(track.boneNumber)] = true;
        ASSERT_EQ(track.keys.size(), 100u);
        EXPECT_LT(largestDifference(track.keys[0], mesh.bones[std::size_t(track.boneNumber)].bindLocal),
                  1e-5f);
        float largestStep = 0;
        for (std::size_t f = 1; f < track.keys.size(); ++f)
            largestStep = std::max(largestStep, largestDifference(track.keys[f - 1], track.keys[f]));
        EXPECT_LE(largestDifference(track.keys.back(), track.keys.front()), largestStep + 1e-6f);
        anyMotion = anyMotion || largestStep > 0.01f;
        // Every key is a rotation (orthonormal axes), which is all the skinning can follow.
        for (const Transform4x3& key : track.keys) {
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) {
                    float dot = 0;
                    for (int r = 0; r < 3; ++r) dot += key[3 * a + r] * key[3 * b + r];
                    ASSERT_NEAR(dot, a == b ? 1.0f : 0.0f, 1e-4f);
                }
        }
    }
    EXPECT_TRUE(anyMotion) << "the flames never move";
}

// Serves the two files from memory, as the media pack would.
MediaSources sourcesFor(const std::map<std::string, Bytes>& files) {
    MediaSources sources;
    sources.readFile = [&files](const char* path) {
        FileBuffer buffer{};
        const auto found = files.find(path);
        if (found == files.end()) return buffer;
        buffer.data = static_cast<std::uint8_t*>(std::malloc(found->second.size()));
        std::memcpy(buffer.data, found->second.data(), found->second.size());
        buffer.size = decltype(buffer.size)(found->second.size());
        return buffer;
    };
    sources.getTexture = [](const std::string&) { return 1u; };
    return sources;
}

TEST(FireplaceFire, EngineLoadsPlaysAndSkinsItWithinTheFireplace) {
    const std::map<std::string, Bytes> files = {
        {"Models/fireplace_fire.BSA", encodeBsaMesh(mediagen::fireplaceFireMesh())},
        {"Models/fireplace_fire_anim.BSA", encodeBsaAnimation(mediagen::fireplaceFireAnimation())},
    };
    const BsaMesh written = mediagen::fireplaceFireMesh();
    BsaMeshContents parsed;
    std::string error;
    const Bytes& meshBytes = files.at("Models/fireplace_fire.BSA");
    ASSERT_TRUE(parseBsaMesh(meshBytes.data(), meshBytes.size(), parsed, error)) << error;
    EXPECT_EQ(parsed.vertexCount, int(written.positions.size()));
    EXPECT_EQ(parsed.faceCount, int(written.faces.size()));
    ASSERT_EQ(parsed.roots.size(), 1u);
    EXPECT_EQ(parsed.bones[std::size_t(parsed.roots[0])].name, "Bone03");

    AnimatedModel model;
    ASSERT_TRUE(loadAnimatedModel(model, "fireplace_fire", sourcesFor(files)));
    ASSERT_EQ(model.animations.size(), 1u);
    EXPECT_EQ(model.animations[0].frameCount, 100);
    EXPECT_EQ(model.animations[0].trackCount, 3);
    EXPECT_EQ(model.scrollV, 0.5f);
    model.playing = true;
    model.playbackSpeed = 0.2f;
    model.targetAnimation = 0;
    model.crossFading = true;
    model.crossFadeRate = 0.2f;

    // The first skinned frame is the bind pose (placed at the loader's (0, 10, 0)).
    updateAnimatedModel(model, 1);
    for (int v = 0; v < model.vertexCount(); ++v) {
        const ::Vec3& p = written.positions[std::size_t(v)];
        ASSERT_NEAR(model.skinnedPositions[std::size_t(3 * v)], p.x, 1e-3f);
        ASSERT_NEAR(model.skinnedPositions[std::size_t(3 * v + 1)], p.y + 10, 1e-3f);
        ASSERT_NEAR(model.skinnedPositions[std::size_t(3 * v + 2)], p.z, 1e-3f);
    }
    // Through more than a whole loop (100 keys at 0.2 keys per frame unit) the flames move but stay
    // on their bed, and nothing turns into NaN.
    float largestMove = 0;
    for (int frame = 0; frame < 600; ++frame) {
        updateAnimatedModel(model, 1);
        for (int v = 0; v < model.vertexCount(); ++v) {
            const float x = model.skinnedPositions[std::size_t(3 * v)];
            const float z = model.skinnedPositions[std::size_t(3 * v + 2)];
            ASSERT_TRUE(std::isfinite(x) && std::isfinite(z));
            ASSERT_GT(z, -3.0f);
            ASSERT_LT(z, 45.0f);
            ASSERT_LT(std::fabs(x), 40.0f);
            largestMove = std::max(largestMove, std::fabs(x - written.positions[std::size_t(v)].x));
        }
    }
    EXPECT_GT(largestMove, 1.0f);
    EXPECT_LT(largestMove, 12.0f);
}

}  // namespace

namespace {

// The largest change in any channel between two pixels.
float pixelStep(const mediagen::Color& a, const mediagen::Color& b) {
    return std::max({std::fabs(a.r - b.r), std::fabs(a.g - b.g), std::fabs(a.b - b.b), std::fabs(a.a - b.a)});
}

}  // namespace

TEST(FireplaceFire, FlameTextureWrapsWithoutASeamAndLeavesGapsBetweenLicks) {
    const mediagen::Picture texture = mediagen::flameTexture();
    const int w = texture.width(), h = texture.height();
    // The texture scrolls in v and wraps round each tongue in u: the last row must run into the
    // first (and the last column into the first) no harder than neighbours inside the picture do.
    float insideV = 0, acrossV = 0, insideU = 0, acrossU = 0;
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y + 1 < h; ++y)
            insideV = std::max(insideV, pixelStep(texture.at(x, y), texture.at(x, y + 1)));
        acrossV = std::max(acrossV, pixelStep(texture.at(x, h - 1), texture.at(x, 0)));
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x + 1 < w; ++x)
            insideU = std::max(insideU, pixelStep(texture.at(x, y), texture.at(x + 1, y)));
        acrossU = std::max(acrossU, pixelStep(texture.at(w - 1, y), texture.at(0, y)));
    }
    EXPECT_LE(acrossV, insideV + 1e-4f);
    EXPECT_LE(acrossU, insideU + 1e-4f);

    // Drawn additively, a texture without clear texels makes each tongue a solid cone.
    int clear = 0, bright = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            clear += texture.at(x, y).a < 0.08f;
            bright += texture.at(x, y).a > 0.6f;
        }
    EXPECT_GT(clear, w * h / 5);
    EXPECT_LT(clear, w * h * 3 / 4);
    EXPECT_GT(bright, w * h / 20);
}
