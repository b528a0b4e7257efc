#include "formats/particle_effect.h"

#include <stdexcept>

namespace formats {

Bytes encodeParticleBlock(const ParticleLayer& layer) {
    ByteWriter out;
    putVec3(out, layer.speed);                                  // 0
    putVec3(out, layer.speedJitter);                            // 12
    putVec3(out, layer.spawnBox);                               // 24
    out.putInt32(layer.burstCount);                             // 36
    putVec3(out, layer.size);                                   // 40
    putVec3(out, layer.sizeJitter);                             // 52
    putVec3(out, layer.shrink);                                 // 64
    out.putFloat(layer.fadeRateCopy.value_or(layer.fadeRate));  // 76
    out.putFloat(layer.gravity);                                // 80
    out.putBool(layer.radial);                                  // 84
    out.putInt32(layer.blendSource);                            // 85
    out.putInt32(layer.blendDest);                              // 89
    out.putFloat(layer.alphaStart);                             // 93
    out.putFloat(layer.alphaPeak);                              // 97
    out.putFloat(layer.fadeRate);                               // 101
    out.putFloat(layer.alphaJitter);                            // 105
    out.putBool(layer.tailFromHead);                            // 109
    out.putBool(layer.aimed);                                   // 110
    out.putFloat(layer.towardCamera);                           // 111
    out.putInt32(layer.frameCount);                             // 115
    out.putFloat(layer.frameRate);                              // 119
    out.putBool(layer.endWithAnimation);                        // 123
    out.putBool(layer.spin);                                    // 124
    out.putFloat(layer.spinSpeed);                              // 125
    out.putInt32(static_cast<std::int32_t>(layer.kind));        // 129
    if (out.size() != kParticleBlockSize) throw std::logic_error("particle block is not 133 bytes");
    return out.take();
}

Bytes encodeParticleEffect(const ParticleEffect& effect) {
    ByteWriter out;
    out.putInt32(static_cast<std::int32_t>(effect.layers.size()));
    for (const ParticleLayer& layer : effect.layers) {
        out.putCountedString(layer.spriteName);
        const Bytes block = encodeParticleBlock(layer);
        out.putBytes(block.data(), block.size());
    }
    return out.take();
}

}  // namespace formats
