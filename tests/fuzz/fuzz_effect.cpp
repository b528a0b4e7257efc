// Fuzzes the particle effect reader: arbitrary bytes as an effect file, spawned and simulated
// for a few steps. The layer count must stay within 0..5 and the pool must never be overrun.
// Simulating bursts of tens of thousands of particles takes most of a millisecond each, so only
// effects within a particle budget are simulated; larger ones are parsed and checked only (the
// unit tests fill the pool with the largest burst).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scene/effect_file.h"
#include "scene/particles.h"

namespace {

constexpr long kSimulatedParticleBudget = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParticleEffect parsed;
    std::string error;
    if (parseEffect(data, size, parsed, error)) {
        if (parsed.layerCount > kMaxEffectLayers) std::abort();
        long particles = 0;
        for (int i = 0; i < parsed.layerCount; ++i) particles += parsed.layers[i].parameters.burstCount;
        if (particles > kSimulatedParticleBudget) return 0;
    }
    MediaSources sources;
    sources.readFile = [data, size](const char*) {
        FileBuffer file;
        file.data = static_cast<std::uint8_t*>(std::malloc(size + 1));
        if (size) std::memcpy(file.data, data, size);
        file.size = std::uint32_t(size);
        return file;
    };
    sources.getTexture = [](const std::string&) { return 1u; };
    ParticleSystem particles(sources);
    const ParticleEffect& effect = particles.loadEffect("fuzz");
    if (effect.layerCount > kMaxEffectLayers) std::abort();
    particles.setCameraPosition({1, 2, 3});
    particles.spawnEffect("fuzz", {0, 0, 0}, {0, 0, 0.6f, 0.8f});
    for (int step = 0; step < 3; ++step) {
        particles.step(step == 0 ? 0.5f : 30.0f);
        int drawn = 0;
        for (const ParticleGroup& group : particles.groups()) {
            if (group.vertexCount < 0 || group.firstVertex < 0) std::abort();
            drawn += group.vertexCount;
        }
        if (drawn > kParticlePoolVertices) std::abort();
    }
    return 0;
}
