// The audio side of the music: the mixer's cost per device block, and the CPU the real audio thread
// uses while music plays (SDL's dummy driver, which pulls blocks at the real-time pace).
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "sound/ogg_test_file.h"  // tests/sound/
#include "sound/sound.h"
#include "support/file_buffer.h"

namespace {

// An output that never pulls: the benchmark calls the mixer itself.
class SilentOutput final : public platform::AudioOutput {
public:
    bool open(int, int, platform::AudioFillCallback, void*) override { return open_ = true; }
    void start() override {}
    void stop() override {}
    void lock() override {}
    void unlock() override {}
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

private:
    bool open_ = false;
};

const std::vector<std::uint8_t>& tenSecondTone() {
    static const std::vector<std::uint8_t> file = makeOggTone(10 * 44100);
    return file;
}

// The tone as the pack hands out the music: a copy the sound system takes over.
FileBuffer readTone(const char*) { return testsupport::copyToFileBuffer(tenSecondTone()); }

// Mixes one 2048-frame block (about 46 ms of sound) per iteration.
void mixBlocks(benchmark::State& state, SoundSystem& sound) {
    std::vector<std::int16_t> block(2048 * 2);
    for (auto _ : state) {
        sound.mix(block.data(), 2048);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * 2048);
}

// One block of looping music at volume 40, decoded as it plays (as Run mode plays the music).
void BM_MixOneBlockOfStreamedMusic(benchmark::State& state) {
    SoundSystem sound([] { return std::make_unique<SilentOutput>(); });
    sound.startMusic(true, 40.0f, &readTone);
    mixBlocks(state, sound);
}
BENCHMARK(BM_MixOneBlockOfStreamedMusic);

// The same block from a sample decoded whole beforehand.
void BM_MixOneBlock(benchmark::State& state) {
    SoundSystem sound([] { return std::make_unique<SilentOutput>(); });
    sound.initSound();
    const auto& ogg = tenSecondTone();
    const int music = sound.loadSampleFromMemory(ogg.data(), static_cast<std::uint32_t>(ogg.size()), 0);
    sound.playSample(music, true);
    sound.setMasterVolume(40);
    mixBlocks(state, sound);
}
BENCHMARK(BM_MixOneBlock);

// Decoding the whole ten-second file (what loading a sample does once).
void BM_DecodeTenSeconds(benchmark::State& state) {
    const auto& ogg = tenSecondTone();
    std::vector<std::int16_t> pcm;
    for (auto _ : state) {
        decodeVorbisFromMemory(ogg.data(), static_cast<std::uint32_t>(ogg.size()), 44100, 1u << 24, pcm);
        benchmark::DoNotOptimize(pcm.data());
    }
}
BENCHMARK(BM_DecodeTenSeconds)->Unit(benchmark::kMillisecond);

// Nanoseconds on a CPU of every thread of this process but the main one (the scheduler's account).
std::map<std::string, long long> threadCpuNanoseconds() {
    std::map<std::string, long long> used;
    const std::string self = std::to_string(getpid());
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr) return used;
    while (dirent* entry = readdir(dir)) {
        const std::string tid = entry->d_name;
        if (tid == "." || tid == ".." || tid == self) continue;
        std::ifstream in("/proc/self/task/" + tid + "/schedstat");
        long long onCpu = 0;
        if (in >> onCpu) used[tid] = onCpu;
    }
    closedir(dir);
    return used;
}

// Plays the looping music on the real audio thread for a few seconds and reports that thread's CPU
// share (percent of one core) as a counter.
void BM_AudioThreadCpuWhilePlaying(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "dummy", 1);
    const double seconds = 4.0;
    double percent = 0.0;
    for (auto _ : state) {
        SoundSystem sound;
        sound.startMusic(true, 40.0f, &readTone);
        if (!sound.enabled()) {
            state.SkipWithError("no audio device");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto before = threadCpuNanoseconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const auto after = threadCpuNanoseconds();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        long long used = 0;
        for (const auto& [tid, nanoseconds] : after) {
            const auto old = before.find(tid);
            used += nanoseconds - (old != before.end() ? old->second : 0);
        }
        percent = 100.0 * (static_cast<double>(used) * 1e-9) / wall;
        sound.shutdownSound();
    }
    state.counters["audio_threads_cpu_percent"] = percent;
}
BENCHMARK(BM_AudioThreadCpuWhilePlaying)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
