// Fuzzes the particle effect reader: arbitrary bytes as an effect file, spawned and simulated
// for a few steps. The layer count must stay within 0..5 and the pool must never be overrun.
// Each input gets a budget: simulating bursts of tens of thousands of particles takes most of a
// millisecond each, so only effects within a particle budget are simulated (larger ones are parsed
// and checked only; the unit tests fill the pool with the largest burst), and one particle system
// (whose vertex pool takes megabytes to set up) serves every input, its effects forgotten between
// them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scene/effect_file.h"
#include "scene/particles.h"

namespace {

constexpr long kSimulatedParticleBudget = 2000;
const std::uint8_t* g_input = nullptr;
std::size_t g_inputSize = 0;

MediaSources inputSources() {
    MediaSources sources;
    sources.readFile = [](const char*) {
        FileBuffer file;
        file.data = static_cast<std::uint8_t*>(std::malloc(g_inputSize + 1));
        if (g_inputSize) std::memcpy(file.data, g_input, g_inputSize);
        file.size = std::uint32_t(g_inputSize);
        return file;
    };
    sources.getTexture = [](const std::string&) { return 1u; };
    return sources;
}

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

    static ParticleSystem particles(inputSources());
    const std::string name = "fuzz";
    g_input = data;
    g_inputSize = size;
    particles.release();
    particles.forgetEffects();
    const ParticleEffect& effect = particles.loadEffect(name);
    if (effect.layerCount > kMaxEffectLayers) std::abort();
    RandomSequence random;
    particles.spawnEffect(name, {0, 0, 0}, {0, 0, 0.6f, 0.8f}, random, {1, 2, 3});
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
