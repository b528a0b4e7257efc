#pragma once
// The particle effect format: the files "Particles/<name>.bin" that describe what a model's or the
// scene's emitter spawns. An int32 layer count, then per layer a counted sprite name (the texture
// "Sprites/<name>") and a 133-byte parameter block packed without padding. Little-endian,
// single-precision floats:
//
//     0 speed (3 floats)        12 speedJitter (3)      24 spawnBox (3)        36 burstCount (int32)
//    40 size (3)                52 sizeJitter (3)       64 shrink (3)          76 fadeRateCopy (float)
//    80 gravity (float)         84 radial (uint8)       85 blendSource (int32) 89 blendDest (int32)
//    93 alphaStart (float)      97 alphaPeak (float)   101 fadeRate (float)   105 alphaJitter (float)
//   109 tailFromHead (uint8)   110 aimed (uint8)       111 towardCamera (float)
//   115 frameCount (int32)     119 frameRate (float)   123 endWithAnimation (uint8)
//   124 spin (uint8)           125 spinSpeed (float)   129 kind (int32)       133 end
//
// Reading (the particle system) is pure: the sprite textures are the particle system's business.
// Writing (the media generator, the tests' fixtures) takes the layers as authored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_writer.h"
#include "core/maths.h"

// The most layers an effect file may give; larger counts are clamped.
constexpr int kMaxEffectLayers = 5;
// Size in bytes of one layer's parameter block.
constexpr std::size_t kEffectBlockBytes = 133;
// The largest burst one emitter keeps: the particle pool holds this many quads, and more particles
// than that could never be drawn.
constexpr int kMaxBurstCount = 25000;

// What a layer draws: the parameter block's kind.
enum class EffectKind : std::int32_t { Billboard = 0, Streak = 1 };

// --- Reading --------------------------------------------------------------------------------------

// The 133-byte parameter block of one layer, field by field.
struct EffectParameters {
    Vec3 speed, speedJitter, spawnBox;
    std::int32_t burstCount = 0;
    Vec3 size, sizeJitter, shrink;
    float fadeRateCopy = 0, gravity = 0;
    bool radial = false;
    std::int32_t blendSource = 0, blendDest = 0;
    float alphaStart = 0, alphaPeak = 0, fadeRate = 0, alphaJitter = 0;
    bool tailFromHead = false, aimed = false;
    float towardCamera = 0;
    std::int32_t frameCount = 0;
    float frameRate = 0;
    bool endWithAnimation = false, spin = false;
    float spinSpeed = 0;
    std::int32_t kind = 0;  // EffectKind: 0 billboard sprites, 1 streaks
};

struct EffectLayer {
    std::string spriteName;
    unsigned texture = 0;  // GL name of "Sprites/" + spriteName
    EffectParameters parameters;
};

struct ParticleEffect {
    int layerCount = 0;
    std::array<EffectLayer, kMaxEffectLayers> layers;
    // A cached effect counts as loaded when its first layer names a sprite.
    bool loaded() const { return layerCount > 0 && !layers[0].spriteName.empty(); }
};

// Reads an effect file: int32 layerCount (6 or more clamped to 5), then per layer a counted sprite
// name and the parameter block. Returns false, with the reason in `error` and `effect` left with
// no layers, when the file ends early or a count is negative. burstCount is kept within
// 0 … kMaxBurstCount and frameCount at 1 or more. Textures are not requested here.
bool parseEffect(const std::uint8_t* data, std::size_t size, ParticleEffect& effect, std::string& error);

// --- Writing --------------------------------------------------------------------------------------

// One layer as authored, with the defaults the media generator starts from.
struct EffectFileLayer {
    std::string spriteName;  // texture "Sprites/" + name
    Vec3 speed;              // hundredths of a unit per frame unit
    Vec3 speedJitter;
    Vec3 spawnBox;  // hundredths of a unit
    std::int32_t burstCount = 1;
    Vec3 size;  // x: half size / head length, y: streak half width
    Vec3 sizeJitter;
    Vec3 shrink;
    std::optional<float> fadeRateCopy;  // empty: the same value as fadeRate, as in every shipped file
    float gravity = 0;
    bool radial = false;
    std::int32_t blendSource = 770;  // GL_SRC_ALPHA
    std::int32_t blendDest = 1;      // GL_ONE
    float alphaStart = 100;          // percent
    float alphaPeak = 100;           // percent
    float fadeRate = 1;              // percent per frame unit
    float alphaJitter = 0;
    bool tailFromHead = false;
    bool aimed = false;
    float towardCamera = 0;
    std::int32_t frameCount = 1;
    float frameRate = 0;  // percent of a frame per frame unit
    bool endWithAnimation = false;
    bool spin = false;
    float spinSpeed = 0;  // thousandths of a radian per frame unit
    EffectKind kind = EffectKind::Billboard;
};

struct EffectFile {
    std::vector<EffectFileLayer> layers;
};

// The kEffectBlockBytes parameter block of one layer (without the sprite name).
Bytes encodeEffectBlock(const EffectFileLayer& layer);
// The whole file; the layer count is layers.size(), written as it is (the reader clamps above 5).
Bytes encodeEffect(const EffectFile& effect);
