// Particle sprites and effect files as the generator writes them: every effect file read back
// field by field at its offsets by an independent reader, checked against what the effects must
// do (snow sheet and fall speed, upward flames, rising steam), cross-checked with the engine's own
// parser; the fir's lights run through the engine's firing rule and particle system; every sprite
// fades to nothing at its border.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "mediagen/effects.h"
#include "mediagen/model.h"
#include "model/bsm_file.h"
#include "model/fake_media.h"
#include "model/model_instance.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "scene/particles.h"
#include "support/test_reader.h"

namespace fs = std::filesystem;
using testsupport::TestReader;

namespace {

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One layer as read from the file at the documented offsets.
struct ReadLayer {
    std::string sprite;
    float speed[3], speedJitter[3], box[3];
    std::int32_t burst;
    float size[3], sizeJitter[3], shrink[3];
    float fadeCopy, gravity;
    std::uint8_t radial;
    std::int32_t blendSource, blendDest;
    float alphaStart, alphaPeak, fadeRate, alphaJitter;
    std::uint8_t tailFromHead, aimed;
    float towardCamera;
    std::int32_t frameCount;
    float frameRate;
    std::uint8_t endWithAnimation, spin;
    float spinSpeed;
    std::int32_t kind;
};

ReadLayer readSingleLayerFile(const std::vector<std::uint8_t>& bytes) {
    TestReader in(bytes);
    EXPECT_EQ(in.i32(), 1);
    ReadLayer l{};
    l.sprite = in.counted();
    const std::size_t block = in.offset();
    auto at = [&](std::size_t offset) { in.seek(block + offset); };
    auto vec = [&](std::size_t offset, float* out) {
        at(offset);
        for (int i = 0; i < 3; ++i) out[i] = in.f32();
    };
    vec(0, l.speed);
    vec(12, l.speedJitter);
    vec(24, l.box);
    at(36), l.burst = in.i32();
    vec(40, l.size);
    vec(52, l.sizeJitter);
    vec(64, l.shrink);
    at(76), l.fadeCopy = in.f32();
    at(80), l.gravity = in.f32();
    at(84), l.radial = in.u8();
    at(85), l.blendSource = in.i32();
    at(89), l.blendDest = in.i32();
    at(93), l.alphaStart = in.f32();
    at(97), l.alphaPeak = in.f32();
    at(101), l.fadeRate = in.f32();
    at(105), l.alphaJitter = in.f32();
    at(109), l.tailFromHead = in.u8();
    at(110), l.aimed = in.u8();
    at(111), l.towardCamera = in.f32();
    at(115), l.frameCount = in.i32();
    at(119), l.frameRate = in.f32();
    at(123), l.endWithAnimation = in.u8();
    at(124), l.spin = in.u8();
    at(125), l.spinSpeed = in.f32();
    at(129), l.kind = in.i32();
    EXPECT_TRUE(in.atEnd()) << "the file holds more than one 133-byte block";
    return l;
}

// Frame units from spawn until the particle's alpha falls below 0, stepping as the engine does at
// high frame rates (1.5 per step), from the lowest and the highest start alpha.
float lifetime(const ReadLayer& l, float startAlpha) {
    float alpha = startAlpha * 0.01f, peak = l.alphaPeak * 0.01f, rate = l.fadeRate * 0.01f;
    int direction = 1;
    float time = 0;
    while (alpha >= 0 && time < 100000) {
        if (alpha >= peak) direction = -1;
        alpha += 1.5f * direction * rate;
        time += 1.5f;
    }
    return time;
}

class EffectFiles : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ =
            new fs::path(fs::temp_directory_path() / ("effects_" + std::to_string(std::random_device{}())));
        mediagen::MediaTree tree;
        tree.begin(root_->string());
        mediagen::makeSprites(tree);
        mediagen::makeParticleEffects(tree);
    }
    static void TearDownTestSuite() {
        fs::remove_all(*root_);
        delete root_;
    }
    static std::vector<std::uint8_t> file(const std::string& relative) {
        return readBytes(*root_ / "main" / relative);
    }
    static ReadLayer effect(const std::string& name) {
        return readSingleLayerFile(file("Particles/" + name + ".bin"));
    }
    static fs::path* root_;
};
fs::path* EffectFiles::root_ = nullptr;

const char* const kEffects[] = {"Fire",         "candle",       "locosteam",    "snowfall",
                                "red_firlight", "yel_firlight", "gre_firlight", "blu_firlight",
                                "vio_firlight", "redfirglow",   "yelfirglow",   "grefirglow"};

TEST_F(EffectFiles, EveryEffectIsOneLayerWithAnExistingSpriteAndAdditiveBlend) {
    for (const char* name : kEffects) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = file(std::string("Particles/") + name + ".bin");
        ASSERT_FALSE(bytes.empty());
        const ReadLayer l = readSingleLayerFile(bytes);
        EXPECT_EQ(bytes.size(), 4 + 4 + l.sprite.size() + 133);
        EXPECT_TRUE(fs::exists(*root_ / "main" / "Sprites" / l.sprite)) << l.sprite;
        EXPECT_EQ(l.blendSource, 770);
        EXPECT_EQ(l.blendDest, 1);
        EXPECT_EQ(l.fadeCopy, l.fadeRate);
        EXPECT_GT(l.burst, 0);
        EXPECT_GE(l.frameCount, 1);
        EXPECT_TRUE(l.kind == 0 || l.kind == 1);
        // Every particle dies: the fade turns at the peak and falls below zero in bounded time.
        EXPECT_LT(lifetime(l, l.alphaStart + l.alphaJitter), 400.0f);

        // The engine's parser reads the same values.
        ParticleEffect parsed;
        std::string error;
        ASSERT_TRUE(parseEffect(bytes.data(), bytes.size(), parsed, error)) << error;
        ASSERT_EQ(parsed.layerCount, 1);
        const EffectParameters& p = parsed.layers[0].parameters;
        EXPECT_EQ(parsed.layers[0].spriteName, l.sprite);
        EXPECT_EQ(p.burstCount, l.burst);
        EXPECT_EQ(p.spawnBox.z, l.box[2]);
        EXPECT_EQ(p.alphaPeak, l.alphaPeak);
        EXPECT_EQ(p.spinSpeed, l.spinSpeed);
        EXPECT_EQ(p.kind, l.kind);
    }
}

TEST_F(EffectFiles, TreeLightsAreBurstsOfGlowsStayingOnTheirBranchInOneColourEach) {
    std::set<std::string> sprites;
    for (const char* name :
         {"red_firlight", "yel_firlight", "gre_firlight", "blu_firlight", "vio_firlight"}) {
        SCOPED_TRACE(name);
        const ReadLayer l = effect(name);
        EXPECT_EQ(l.kind, 0);
        EXPECT_GT(l.burst, 1);
        for (float s : l.speed) EXPECT_EQ(s, 0.0f);  // a light stays on its branch
        sprites.insert(l.sprite);
    }
    EXPECT_EQ(sprites.size(), 5u) << "each light colour needs its own sprite (the vertex colour is white)";
}

TEST(TreeLights, AboutAThirdOfTheFirsLightsGlowAtAnyMoment) {
    // The fir and the effects go through the engine's own firing rule and particle system, at 55
    // frames a second.
    FakeMedia media;
    for (const auto& [name, effect] : mediagen::particleEffects())
        media.files["Particles/" + name + ".bin"] = encodeEffect(effect);
    for (const mediagen::PlacedModel& model : mediagen::buildPlacedModels(0))
        if (model.name == "fir") media.files["Models/fir.BSM"] = encodeBsm(model.builder.model());
    SharedVertexPool pool;
    ModelManager manager{pool, media.sources()};
    ModelInstance fir;
    manager.createInstance(fir, "fir");
    ParticleSystem particles{media.sources()};
    std::set<std::tuple<float, float, float>> helpers;  // where the fir's lights (not glows) hang
    RandomSequence random;
    const EmitterHook fire = [&](const ModelHelper& helper) {
        if (helper.name.find("firlight") != std::string::npos)
            helpers.insert({helper.worldPosition.x, helper.worldPosition.y, helper.worldPosition.z});
        particles.spawnEffect(helper.shortName, helper.worldPosition, helper.rotation, random, {});
    };
    int fewest = 1000, most = 0, total = 0, banded = 0;
    const int warmUp = 400, frames = 200;
    for (int frame = 0; frame < warmUp + frames; ++frame) {
        updateInstance(fir, 1, fire);
        particles.update(1);
        if (frame < warmUp) continue;
        float lowest = 1e9f, highest = -1e9f;  // of every light, and of those glowing now
        for (const auto& [x, y, z] : helpers) {
            lowest = std::min(lowest, z);
            highest = std::max(highest, z);
        }
        const float third = (highest - lowest) / 3;
        // A light glows while its particles are at half strength or more; the lights are the
        // billboards (the glows are streaks), and a light spawned twice still counts once.
        std::set<std::tuple<float, float, float>> glowing;
        for (const ParticleGroup& group : particles.groups())
            for (const ParticleEmitter* emitter : group.emitters) {
                if (emitter->kind != EmitterKind::Billboard) continue;
                for (const Particle& particle : emitter->particles)
                    if (particle.alive && particle.alpha >= 0.5f)
                        glowing.insert({emitter->position.x, emitter->position.y, emitter->position.z});
            }
        // The lit lights spread over the crown; helpers fired in the tree's order would light one
        // band sweeping up it, leaving a close-up dark.
        float low = 1e9f, high = -1e9f;
        for (const auto& [x, y, z] : glowing) {
            low = std::min(low, z);
            high = std::max(high, z);
        }
        banded += !(low < lowest + third && high > highest - third);
        fewest = std::min(fewest, int(glowing.size()));
        most = std::max(most, int(glowing.size()));
        total += int(glowing.size());
    }
    ASSERT_GE(helpers.size(), 50u);
    const float share = float(total) / float(frames) / float(helpers.size());
    EXPECT_GT(share, 0.25f);
    EXPECT_LT(share, 0.45f);
    EXPECT_GT(fewest, 0) << "the tree goes dark";
    EXPECT_LT(most, int(helpers.size())) << "every light on at once: the blinking is lost";
    EXPECT_EQ(banded, 0) << "frames whose lit lights keep to one band of the tree";
}

TEST_F(EffectFiles, GlowsAreRadialAimedStreaksDriftingInward) {
    for (const char* name : {"redfirglow", "yelfirglow", "grefirglow"}) {
        SCOPED_TRACE(name);
        const ReadLayer l = effect(name);
        EXPECT_EQ(l.kind, 1);
        EXPECT_EQ(l.radial, 1);
        EXPECT_EQ(l.aimed, 1);
        EXPECT_FLOAT_EQ(l.speed[0], -0.1f);
        // Aimed radial rays need a box with extent on every axis, or they all point one way.
        for (float b : l.box) EXPECT_GE(b, 2.0f);
        EXPECT_GT(l.size[0], 0.0f);
        EXPECT_GT(l.size[1], 0.0f);
    }
}

TEST_F(EffectFiles, SnowfallIsASpinningAnimatedSheetFallingAboutAThirdOfAUnit) {
    const ReadLayer l = effect("snowfall");
    EXPECT_EQ(l.kind, 0);
    EXPECT_EQ(l.burst, 3);
    EXPECT_EQ(l.box[0], 20000.0f);  // 200 units wide
    EXPECT_EQ(l.box[2], 40000.0f);  // 400 units high
    EXPECT_EQ(l.frameCount, 4);
    EXPECT_EQ(l.frameRate, 1.0f);
    EXPECT_EQ(l.spin, 1);
    EXPECT_EQ(l.spinSpeed, 10.0f);
    EXPECT_EQ(l.endWithAnimation, 0);
    // rnd(j) adds 0 … j − 1, on average (j − 1) / 2.
    const float meanFall = (l.speed[2] + (std::trunc(l.speedJitter[2]) - 1) / 2) * 0.01f;
    EXPECT_NEAR(meanFall, -0.3f, 0.02f);
    for (int axis = 0; axis < 2; ++axis)  // sideways drift is symmetric
        EXPECT_NEAR(l.speed[axis] + (std::trunc(l.speedJitter[axis]) - 1) / 2, 0.0f, 0.01f);
    EXPECT_EQ(l.gravity, 0.0f);
}

TEST_F(EffectFiles, FlamesRiseStraightUpAndSteamRisesAndSpreads) {
    for (const char* name : {"Fire", "candle"}) {
        SCOPED_TRACE(name);
        const ReadLayer l = effect(name);
        EXPECT_EQ(l.kind, 1);
        EXPECT_EQ(l.radial, 1);
        EXPECT_EQ(l.aimed, 0);
        // Not aimed: speedJitter is the fixed direction, straight up, and y (the speed jitter) is 0.
        EXPECT_EQ(l.speedJitter[0], 0.0f);
        EXPECT_EQ(l.speedJitter[1], 0.0f);
        EXPECT_GT(l.speedJitter[2], 0.0f);
        EXPECT_GT(l.speed[0], 0.0f);
        EXPECT_GT(l.sizeJitter[0], 0.0f) << "flicker comes from differing tongue heights";
        EXPECT_EQ(l.box[2] >= 0, true);
    }
    const ReadLayer steam = effect("locosteam");
    EXPECT_EQ(steam.kind, 0);
    EXPECT_GT(steam.speed[2], 0.0f);
    EXPECT_LT(steam.shrink[0], 0.0f) << "puffs grow as they rise";
    for (int axis = 0; axis < 2; ++axis) {
        EXPECT_LT(steam.speed[axis], 0.0f);
        EXPECT_GT(steam.speed[axis] + std::trunc(steam.speedJitter[axis]) - 1, 0.0f);
    }
}

TEST(Sprites, SoftEdgesForTheAdditiveBlendAndAFourFrameSnowflakeStrip) {
    for (const auto& [name, picture] : mediagen::spritePictures()) {
        SCOPED_TRACE(name);
        const pictures::Image image = picture.toImage();
        float borderLight = 0, peakAlpha = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const pictures::Rgba px = image.at(x, y);
                peakAlpha = std::max(peakAlpha, px.a / 255.0f);
                const bool border = x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1;
                // What the additive blend adds is colour × alpha.
                if (border)
                    borderLight =
                        std::max(borderLight, px.a / 255.0f * std::max({px.r, px.g, px.b}) / 255.0f);
            }
        }
        EXPECT_LT(borderLight, 0.03f) << "a visible quad edge";
        EXPECT_GT(peakAlpha, 0.3f) << "an invisible sprite";
    }
    for (const auto& [name, picture] : mediagen::spritePictures()) {
        if (name != "snowflake.tga") continue;
        ASSERT_EQ(picture.width(), 4 * picture.height());
        const int cell = picture.height();
        for (int frame = 0; frame < 4; ++frame) {
            SCOPED_TRACE(frame);
            // Each frame's own border is dark too (the frames sit side by side) and its centre lit.
            for (int y = 0; y < cell; ++y) {
                EXPECT_LT(picture.at(frame * cell, y).a, 0.03f);
                EXPECT_LT(picture.at(frame * cell + cell - 1, y).a, 0.03f);
            }
            EXPECT_GT(picture.at(frame * cell + cell / 2, cell / 2).a, 0.5f);
        }
    }
}

}  // namespace
