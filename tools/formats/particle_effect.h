#pragma once
// Particle effect files ("Particles/<effect>.bin"): int32 layerCount, then per layer the sprite name
// (counted string) and a 133-byte parameter block packed without padding:
//
//     0 speed (3 floats)        12 speedJitter (3)      24 spawnBox (3)        36 burstCount (int32)
//    40 size (3)                52 sizeJitter (3)       64 shrink (3)          76 fadeRateCopy (float)
//    80 gravity (float)         84 radial (uint8)       85 blendSource (int32) 89 blendDest (int32)
//    93 alphaStart (float)      97 alphaPeak (float)   101 fadeRate (float)   105 alphaJitter (float)
//   109 tailFromHead (uint8)   110 aimed (uint8)       111 towardCamera (float)
//   115 frameCount (int32)     119 frameRate (float)   123 endWithAnimation (uint8)
//   124 spin (uint8)           125 spinSpeed (float)   129 kind (int32)       133 end

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/byte_writer.h"
#include "formats/geometry.h"

namespace formats {

constexpr std::size_t kParticleBlockSize = 133;

enum class ParticleKind : std::int32_t { Billboard = 0, Streak = 1 };

struct ParticleLayer {
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
    ParticleKind kind = ParticleKind::Billboard;
};

struct ParticleEffect {
    std::vector<ParticleLayer> layers;
};

// The 133-byte parameter block of one layer (without the sprite name).
Bytes encodeParticleBlock(const ParticleLayer& layer);
// The whole file; layerCount is layers.size(), written as it is (the reader clamps above 5).
Bytes encodeParticleEffect(const ParticleEffect& effect);

}  // namespace formats
