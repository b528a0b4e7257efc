// Particle system: effect files, spawning and its gate, particle initialisation, the update cadence,
// fading, sprite animation, emitter removal and the vertex pool's bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/random.h"
#include "scene/effect_file.h"
#include "model/fake_media.h"
#include "scene/particles.h"

namespace {

EffectFileLayer lightLayer() {
    EffectFileLayer layer;
    layer.spriteName = "spr_light.tga";
    layer.burstCount = 4;
    layer.spawnBox = {100, 100, 100};
    layer.size = {2, 0, 0};
    layer.alphaStart = 19;
    layer.alphaPeak = 100;
    layer.fadeRate = 5.3824f;
    return layer;
}

// A layer whose particles neither fade nor shrink, so only what a test sets ends them.
EffectFileLayer steadyLayer() {
    EffectFileLayer layer;
    layer.spriteName = "spr_steady.tga";
    layer.burstCount = 1;
    layer.size = {1, 0, 0};
    layer.alphaStart = 50;
    layer.alphaPeak = 1000;
    layer.fadeRate = 0;
    return layer;
}

struct ParticleFixture : ::testing::Test {
    FakeMedia media;
    std::unique_ptr<ParticleSystem> system;
    RandomSequence random;

    void SetUp() override { system = std::make_unique<ParticleSystem>(media.sources()); }
    void addEffect(const std::string& name, const std::vector<EffectFileLayer>& layers) {
        EffectFile effect;
        effect.layers = layers;
        media.files["Particles/" + name + ".bin"] = encodeEffect(effect);
    }
    const ParticleEmitter& onlyEmitter() const {
        EXPECT_EQ(system->emitterCount(), 1);
        return *system->groups().at(0).emitters.at(0);
    }
    void spawn(const std::string& name, Vec3 position = {}, Quat orientation = {}, Vec3 camera = {}) {
        system->spawnEffect(name, position, orientation, random, camera);
    }
    float alphaOfVertex(int vertex) const { return system->vertices()[vertex * kParticleVertexFloats + 6]; }
    float uOfVertex(int vertex) const { return system->vertices()[vertex * kParticleVertexFloats + 7]; }
    // Of the vertices a render would submit (every group's range), those whose colour is not white.
    int submittedVerticesNotWhite() const {
        int notWhite = 0;
        for (const ParticleGroup& group : system->groups()) {
            for (int v = group.firstVertex; v < group.firstVertex + group.vertexCount; ++v) {
                const float* colour = system->vertices() + v * kParticleVertexFloats + 3;
                if (colour[0] != 1.0f || colour[1] != 1.0f || colour[2] != 1.0f) ++notWhite;
            }
        }
        return notWhite;
    }
};

TEST_F(ParticleFixture, LayerCountAboveFiveIsClampedAndSpritesComeFromTheSpritesFolder) {
    std::vector<EffectFileLayer> layers;
    for (int i = 0; i < 7; ++i) {
        EffectFileLayer layer = steadyLayer();
        layer.spriteName = "s" + std::to_string(i) + ".tga";
        layers.push_back(layer);
    }
    addEffect("many", layers);
    const ParticleEffect& effect = system->loadEffect("many");
    EXPECT_EQ(effect.layerCount, 5);
    ASSERT_EQ(media.textureRequests.size(), 5u);
    EXPECT_EQ(media.textureRequests[0], "Sprites/s0.tga");
    EXPECT_EQ(media.textureRequests[4], "Sprites/s4.tga");
    spawn("many");
    EXPECT_EQ(system->emitterCount(), 5);
    EXPECT_EQ(system->groups().size(), 5u);  // one group per sprite texture
}

TEST_F(ParticleFixture, BlockFieldsAreReadAtTheirOffsets) {
    EffectFileLayer layer = lightLayer();
    layer.speed = {1, 2, 3};
    layer.gravity = 0.25f;
    layer.radial = true;
    layer.blendSource = 1;
    layer.blendDest = 771;
    layer.alphaJitter = 7;
    layer.tailFromHead = true;
    layer.aimed = true;
    layer.towardCamera = 4.5f;
    layer.frameCount = 3;
    layer.frameRate = 2.5f;
    layer.endWithAnimation = true;
    layer.spin = true;
    layer.spinSpeed = 10;
    layer.kind = EffectKind::Streak;
    EffectFile file;
    file.layers = {layer};
    const Bytes bytes = encodeEffect(file);
    ParticleEffect effect;
    std::string error;
    ASSERT_TRUE(parseEffect(bytes.data(), bytes.size(), effect, error)) << error;
    const EffectParameters& p = effect.layers[0].parameters;
    EXPECT_EQ(effect.layers[0].spriteName, "spr_light.tga");
    EXPECT_FLOAT_EQ(p.speed.z, 3);
    EXPECT_EQ(p.burstCount, 4);
    EXPECT_FLOAT_EQ(p.gravity, 0.25f);
    EXPECT_TRUE(p.radial);
    EXPECT_EQ(p.blendSource, 1);
    EXPECT_EQ(p.blendDest, 771);
    EXPECT_FLOAT_EQ(p.alphaStart, 19);
    EXPECT_FLOAT_EQ(p.fadeRate, 5.3824f);
    EXPECT_FLOAT_EQ(p.alphaJitter, 7);
    EXPECT_TRUE(p.tailFromHead && p.aimed && p.endWithAnimation && p.spin);
    EXPECT_FLOAT_EQ(p.towardCamera, 4.5f);
    EXPECT_EQ(p.frameCount, 3);
    EXPECT_FLOAT_EQ(p.frameRate, 2.5f);
    EXPECT_FLOAT_EQ(p.spinSpeed, 10);
    EXPECT_EQ(p.kind, 1);

    // Every truncation of the file is refused without reading past it.
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        ParticleEffect partial;
        EXPECT_FALSE(parseEffect(bytes.data(), cut, partial, error)) << cut;
        EXPECT_EQ(partial.layerCount, 0);
    }
}

TEST_F(ParticleFixture, MissingOrDamagedEffectsSpawnNothingAndAnEmptyOneIsDiscardedAtTheNextUpdate) {
    addEffect("light", {lightLayer()});
    spawn("light");
    EXPECT_EQ(system->emitterCount(), 1);
    spawn("nothing");
    EXPECT_EQ(system->emitterCount(), 1);
    // A missing effect is looked for again on the next spawn.
    media.fileRequests.clear();
    spawn("nothing");
    EXPECT_EQ(media.fileRequests.size(), 1u);
    Bytes damaged = encodeEffect(EffectFile{{lightLayer()}});
    damaged.resize(damaged.size() - 10);
    media.files["Particles/damaged.bin"] = damaged;
    spawn("damaged");
    EXPECT_EQ(system->emitterCount(), 1);
    // No particles: an emitter, discarded with the rest at the next update.
    EffectFileLayer layer = steadyLayer();
    layer.burstCount = 0;
    addEffect("empty", {layer});
    spawn("empty");
    EXPECT_EQ(system->emitterCount(), 2);
    system->step(1.0f);
    EXPECT_EQ(system->emitterCount(), 1);
    EXPECT_EQ(system->lastVertexCount(), 4 * lightLayer().burstCount);
}

TEST_F(ParticleFixture, DiscardedEmittersGoToTheBurstTheirStorageFitsBest) {
    EffectFileLayer large = steadyLayer();
    large.alphaStart = -10;  // dead after one step
    large.burstCount = 300;
    EffectFileLayer small = large;
    small.burstCount = 20;
    small.spriteName = "spr_small.tga";
    addEffect("large", {large});
    addEffect("small", {small});
    auto storageOf = [&](const char* sprite) -> const Particle* {
        for (const ParticleGroup& group : system->groups()) {
            if (group.texture == media.textureNames.at("Sprites/" + std::string(sprite)) &&
                !group.emitters.empty()) {
                return group.emitters[0]->particles.data();
            }
        }
        return nullptr;
    };
    spawn("large");
    spawn("small");
    const Particle* largeStorage = storageOf("spr_steady.tga");
    const Particle* smallStorage = storageOf("spr_small.tga");
    system->step(1.0f);
    system->step(1.0f);
    ASSERT_EQ(system->emitterCount(), 0);
    // The large burst first, while the small storage lies on top: each still gets the storage that fits.
    spawn("large");
    spawn("small");
    EXPECT_EQ(storageOf("spr_small.tga"), smallStorage);
    EXPECT_EQ(storageOf("spr_steady.tga"), largeStorage);
}

TEST_F(ParticleFixture, LightEffectRisesToFullAlphaThenDies) {
    addEffect("light", {lightLayer()});
    spawn("light");
    const ParticleEmitter& emitter = onlyEmitter();
    EXPECT_NEAR(emitter.particles[0].alpha, 0.19f, 1e-6f);
    float highest = 0;
    int steps = 0;
    while (system->emitterCount() > 0 && steps < 1000) {
        if (!system->groups()[0].emitters.empty()) {
            highest = std::max(highest, system->groups()[0].emitters[0]->particles[0].alpha);
        }
        system->step(1.0f);
        ++steps;
    }
    EXPECT_GE(highest, 1.0f);
    EXPECT_LT(highest, 1.0f + 0.053824f + 1e-4f);
    // Up by 0.81 and down by about 1.05 at 0.053824 per frame unit: about 35 frame units.
    EXPECT_GE(steps, 33);
    EXPECT_LE(steps, 38);
}

TEST_F(ParticleFixture, FourFrameAnimationAdvancesEveryHundredUnitsAndLoopsOrEnds) {
    EffectFileLayer layer = steadyLayer();
    layer.frameCount = 4;
    layer.frameRate = 1;
    addEffect("looping", {layer});
    layer.endWithAnimation = true;
    layer.spriteName = "spr_other.tga";
    addEffect("ending", {layer});
    spawn("looping");
    spawn("ending");
    std::vector<float> u;
    for (int unit = 0; unit < 500; ++unit) {
        system->step(1.0f);
        if (unit % 100 == 50) u.push_back(uOfVertex(0));
        if (unit == 398) {
            EXPECT_EQ(system->emitterCount(), 2);
        }
    }
    ASSERT_EQ(u.size(), 5u);
    EXPECT_FLOAT_EQ(u[0], 0.0f);
    EXPECT_FLOAT_EQ(u[1], 0.25f);
    EXPECT_FLOAT_EQ(u[2], 0.5f);
    EXPECT_FLOAT_EQ(u[3], 0.75f);
    EXPECT_FLOAT_EQ(u[4], 0.0f);           // looped
    EXPECT_EQ(system->emitterCount(), 1);  // the ending one died after its fourth frame
}

TEST_F(ParticleFixture, CadenceRunsEveryThirdFrameAt100FpsAndEveryFrameAt20Fps) {
    EffectFileLayer layer = steadyLayer();
    layer.speed = {100, 0, 0};  // one unit per frame unit along x
    addEffect("mover", {layer});
    spawn("mover");
    const Particle& p = onlyEmitter().particles[0];
    std::vector<float> accumulators, xs;
    for (int frame = 0; frame < 6; ++frame) {
        accumulators.push_back(system->accumulator());
        system->update(0.55f);
        xs.push_back(p.position.x);
    }
    EXPECT_FLOAT_EQ(accumulators[1], 0.55f);
    EXPECT_FLOAT_EQ(accumulators[2], 1.10f);
    EXPECT_FLOAT_EQ(accumulators[3], 0.0f);
    EXPECT_FLOAT_EQ(xs[0], 1.5f);
    EXPECT_FLOAT_EQ(xs[1], 1.5f);
    EXPECT_FLOAT_EQ(xs[2], 1.5f);
    EXPECT_FLOAT_EQ(xs[3], 3.0f);

    // Spawning happens only on frames whose accumulator is 0.
    system->update(0.55f);
    spawn("mover");
    EXPECT_EQ(system->emitterCount(), 1);

    ParticleSystem slow(media.sources());
    slow.spawnEffect("mover", {}, {}, random, {});
    const Particle& q = slow.groups()[0].emitters[0]->particles[0];
    for (int frame = 1; frame <= 3; ++frame) {
        slow.update(2.75f);
        EXPECT_FLOAT_EQ(q.position.x, 2.75f * float(frame));
        EXPECT_FLOAT_EQ(slow.accumulator(), 0.0f);
    }
}

TEST_F(ParticleFixture, NoSpawnAfterAnUpdateThatWrote80000Vertices) {
    EffectFileLayer layer = steadyLayer();
    layer.burstCount = 20000;
    addEffect("big", {layer});
    layer.burstCount = 19999;
    layer.spriteName = "spr_b.tga";
    addEffect("almost", {layer});
    spawn("almost");
    system->step(1.0f);
    EXPECT_EQ(system->lastVertexCount(), 79996);
    spawn("big");
    EXPECT_EQ(system->emitterCount(), 2);
    system->step(1.0f);
    EXPECT_EQ(system->lastVertexCount(), 159996);
    spawn("big");
    EXPECT_EQ(system->emitterCount(), 2);
    // Only what fits in the pool is drawn.
    int drawn = 0;
    for (const ParticleGroup& group : system->groups()) drawn += group.vertexCount;
    EXPECT_EQ(drawn, kParticlePoolVertices);
    EXPECT_EQ(submittedVerticesNotWhite(), 0);
}

TEST_F(ParticleFixture, VerticesReachedForTheFirstTimeAreWhiteWhenDrawn) {
    EffectFileLayer layer = steadyLayer();
    layer.burstCount = 3;
    addEffect("few", {layer});
    layer.kind = EffectKind::Streak;
    layer.burstCount = 700;
    layer.spriteName = "spr_streak.tga";
    addEffect("many", {layer});
    spawn("few");
    system->step(1.0f);
    EXPECT_EQ(system->lastVertexCount(), 12);
    EXPECT_EQ(submittedVerticesNotWhite(), 0);
    // More vertices than any update before: the new ones start white too, behind the ones in use.
    spawn("many");
    spawn("few");
    system->step(1.0f);
    EXPECT_EQ(system->lastVertexCount(), 24 + 2800);
    EXPECT_EQ(submittedVerticesNotWhite(), 0);
    EXPECT_FLOAT_EQ(alphaOfVertex(24 + 2799), 0.5f);
}

TEST_F(ParticleFixture, BillboardInitialisationDrawsRandomNumbersInTheDefinedOrder) {
    EffectFileLayer layer = steadyLayer();
    layer.spawnBox = {300, 500, 700};
    layer.speed = {10, 20, 30};
    layer.speedJitter = {40, 50, 60};
    layer.sizeJitter = {90, 0, 0};
    layer.alphaJitter = 30;
    layer.spinSpeed = 12;
    addEffect("random", {layer});
    system->loadEffect("random");

    random.seed(1234);
    const float ox = (float(random.next() % 300) - 150) * 0.01f;
    const float oy = (float(random.next() % 500) - 250) * 0.01f;
    const float oz = (float(random.next() % 700) - 350) * 0.01f;
    const float vx = (10 + float(random.next() % 40)) * 0.01f;
    const float vy = (20 + float(random.next() % 50)) * 0.01f;
    const float vz = (30 + float(random.next() % 60)) * 0.01f;
    const float half = float(random.next() % 90) * 0.01f + 1;
    const float alpha = (float(random.next() % 30) + 50) * 0.01f;
    const float angle = float(random.next() % 360) * 0.0174444f;
    const float spin = random.next() % 100 > 50 ? -12.0f : 12.0f;

    random.seed(1234);
    spawn("random", {10, 20, 30});
    const Particle& p = onlyEmitter().particles[0];
    EXPECT_FLOAT_EQ(p.position.x, 10 + ox);
    EXPECT_FLOAT_EQ(p.position.y, 20 + oy);
    EXPECT_FLOAT_EQ(p.position.z, 30 + oz);
    EXPECT_FLOAT_EQ(p.velocity.x, vx);
    EXPECT_FLOAT_EQ(p.velocity.y, vy);
    EXPECT_FLOAT_EQ(p.velocity.z, vz);
    EXPECT_FLOAT_EQ(p.halfSize, half);
    EXPECT_FLOAT_EQ(p.alpha, alpha);
    EXPECT_FLOAT_EQ(p.angle, angle);
    EXPECT_FLOAT_EQ(p.spinSpeed, spin);

    EXPECT_EQ(randomBelow(0.9f, random), 0.0f);
    EXPECT_EQ(randomBelow(1e20f, random), 0.0f);
}

TEST_F(ParticleFixture, RadialStreaksPointAwayFromTheirCentreAndPullTowardTheCamera) {
    EffectFileLayer layer = steadyLayer();
    layer.kind = EffectKind::Streak;
    layer.radial = true;
    layer.aimed = true;
    layer.spawnBox = {1000, 1000, 1000};
    layer.speed = {-10, 0, 0};
    layer.size = {3, 1, 0};
    layer.burstCount = 20;
    layer.towardCamera = 2;
    addEffect("glow", {layer});
    spawn("glow", {0, 0, 0}, {}, {0, 0, 100});
    for (const Particle& p : onlyEmitter().particles) {
        const Vec3 fromCentre = p.position - Vec3{0, 0, 2};
        const float along =
            fromCentre.x * p.direction.x + fromCentre.y * p.direction.y + fromCentre.z * p.direction.z;
        EXPECT_GE(along, 0.0f);
        // Speed −0.1 along the direction: drifting back toward the centre.
        EXPECT_NEAR(p.velocity.x, p.direction.x * -0.1f, 1e-6f);
        EXPECT_FLOAT_EQ(p.tailLength, 0);
        EXPECT_FLOAT_EQ(p.halfWidth, 1);
    }
}

TEST_F(ParticleFixture, DeadEmittersAreSwapRemovedAndCameraVectorsComeFromTheMatrix) {
    EffectFileLayer layer = steadyLayer();
    addEffect("a", {layer});
    layer.fadeRate = 1000;  // turns negative in the first step, dies in the second
    layer.alphaStart = 0;
    layer.alphaPeak = 0;
    addEffect("dying", {layer});
    spawn("dying", {1, 0, 0});
    spawn("a", {2, 0, 0});
    spawn("a", {3, 0, 0});
    system->step(1.0f);
    system->step(1.0f);
    system->step(1.0f);  // removes "dying": the last emitter takes its slot
    const ParticleGroup& group = system->groups()[0];
    ASSERT_EQ(group.emitters.size(), 2u);
    EXPECT_FLOAT_EQ(group.emitters[0]->position.x, 3);
    EXPECT_FLOAT_EQ(group.emitters[1]->position.x, 2);

    const float m[16] = {0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    system->setCameraVectors(m);
    EXPECT_FLOAT_EQ(system->right().y, 1);
    EXPECT_FLOAT_EQ(system->up().z, 1);
    // V = normalise(U × R) = z × y = −x.
    EXPECT_FLOAT_EQ(system->viewAxis().x, -1);
}

}  // namespace

namespace {

TEST_F(ParticleFixture, SpinTurnsTheCornersByTwiceTheAngleAboutTheViewingAxis) {
    EffectFileLayer layer = steadyLayer();
    layer.spin = true;
    layer.spinSpeed = 100;
    layer.size = {2, 0, 0};
    addEffect("spin", {layer});
    const float m[16] = {1, 0,  0, 0, 0, 0, 1, 0,
                         0, -1, 0, 0, 0, 0, 0, 1};  // a camera turned to look along −y
    system->setCameraVectors(m);
    spawn("spin", {5, 6, 7});
    const Particle& p = onlyEmitter().particles[0];
    const float angle = p.angle;
    const float magnitude = std::abs(p.spinSpeed);
    system->step(1.0f);
    const Vec3 v = system->viewAxis();
    const Quat turn{v.x * std::sin(angle), v.y * std::sin(angle), v.z * std::sin(angle), std::cos(angle)};
    const Vec3 right = rotate(turn, system->right()), up = rotate(turn, system->up());
    const float* vertex = system->vertices();
    EXPECT_NEAR(vertex[0], 5 - 2 * (right.x + up.x), 1e-4f);
    EXPECT_NEAR(vertex[1], 6 - 2 * (right.y + up.y), 1e-4f);
    EXPECT_NEAR(vertex[2], 7 - 2 * (right.z + up.z), 1e-4f);
    EXPECT_NEAR(std::abs(p.angle - angle), magnitude * 0.001f, 1e-6f);
}

}  // namespace
