#include "scene/effect_file.h"

#include <stdexcept>

Bytes encodeEffectBlock(const EffectFileLayer& layer) {
    ByteWriter out;
    out.putVec3(layer.speed);                                   // 0
    out.putVec3(layer.speedJitter);                             // 12
    out.putVec3(layer.spawnBox);                                // 24
    out.putInt32(layer.burstCount);                             // 36
    out.putVec3(layer.size);                                    // 40
    out.putVec3(layer.sizeJitter);                              // 52
    out.putVec3(layer.shrink);                                  // 64
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
    if (out.size() != kEffectBlockBytes) throw std::logic_error("effect parameter block is not 133 bytes");
    return out.take();
}

Bytes encodeEffect(const EffectFile& effect) {
    ByteWriter out;
    out.putInt32(static_cast<std::int32_t>(effect.layers.size()));
    for (const EffectFileLayer& layer : effect.layers) {
        out.putCountedString(layer.spriteName);
        const Bytes block = encodeEffectBlock(layer);
        out.putBytes(block.data(), block.size());
    }
    return out.take();
}
