#pragma once
// The particle effect files ("Particles/<name>.bin"): an int32 layer count, then per layer a counted
// sprite name and a packed 133-byte parameter block (speeds, spawn box, burst, sizes, shrink, fade,
// blend factors, sprite animation, spin, kind). Little-endian. Parsing is pure: the sprite textures
// are the particle system's business.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/maths.h"

// The most layers an effect file may give; larger counts are clamped.
constexpr int kMaxEffectLayers = 5;
// Size in bytes of one layer's parameter block.
constexpr std::size_t kEffectBlockBytes = 133;
// The largest burst one emitter keeps: the particle pool holds this many quads, and more particles
// than that could never be drawn.
constexpr int kMaxBurstCount = 25000;

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
    std::int32_t kind = 0;  // 0: billboard sprites, 1: streaks
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
