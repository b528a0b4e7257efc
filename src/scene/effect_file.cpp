#include "scene/effect_file.h"

#include "core/byte_reader.h"

bool parseEffect(const std::uint8_t* data, std::size_t size, ParticleEffect& effect, std::string& error) {
    effect = ParticleEffect{};
    ByteReader reader(data, size);
    std::int32_t layerCount = reader.readInt32();
    if (reader.ok() && layerCount < 0) reader.fail("negative layer count " + std::to_string(layerCount));
    if (layerCount > kMaxEffectLayers) layerCount = kMaxEffectLayers;
    for (int i = 0; reader.ok() && i < layerCount; ++i) {
        EffectLayer& layer = effect.layers[i];
        layer.spriteName = reader.readCountedString();
        if (!reader.expectRecords(1, kEffectBlockBytes, "a layer's parameter block")) break;
        EffectParameters& p = layer.parameters;
        p.speed = reader.readVec3();
        p.speedJitter = reader.readVec3();
        p.spawnBox = reader.readVec3();
        p.burstCount = reader.readInt32();
        p.size = reader.readVec3();
        p.sizeJitter = reader.readVec3();
        p.shrink = reader.readVec3();
        p.fadeRateCopy = reader.readFloat();
        p.gravity = reader.readFloat();
        p.radial = reader.readUint8() != 0;
        p.blendSource = reader.readInt32();
        p.blendDest = reader.readInt32();
        p.alphaStart = reader.readFloat();
        p.alphaPeak = reader.readFloat();
        p.fadeRate = reader.readFloat();
        p.alphaJitter = reader.readFloat();
        p.tailFromHead = reader.readUint8() != 0;
        p.aimed = reader.readUint8() != 0;
        p.towardCamera = reader.readFloat();
        p.frameCount = reader.readInt32();
        p.frameRate = reader.readFloat();
        p.endWithAnimation = reader.readUint8() != 0;
        p.spin = reader.readUint8() != 0;
        p.spinSpeed = reader.readFloat();
        p.kind = reader.readInt32();
        if (p.burstCount < 0) p.burstCount = 0;
        if (p.burstCount > kMaxBurstCount) p.burstCount = kMaxBurstCount;
        // A frame count of 0 would make the frame width infinite.
        if (p.frameCount < 1) p.frameCount = 1;
    }
    if (!reader.ok()) {
        error = reader.failure();
        effect = ParticleEffect{};
        return false;
    }
    effect.layerCount = layerCount;
    return true;
}
