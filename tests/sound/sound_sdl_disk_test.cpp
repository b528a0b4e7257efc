// The sound system over the real SDL audio output, with SDL's disk driver writing what the device
// would play into a file: the file shows that the samples flow, loop without a gap and carry the
// volume.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ogg_test_file.h"
#include "sound/sound.h"
#include "support/file_buffer.h"

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

long fileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long>(in.tellg()) : -1;
}

std::vector<std::int16_t> readSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

TEST(SoundOverSdlDisk, MusicFlowsAndLoopsWithoutAGapAtTheChosenVolume) {
    const std::string outPath = ::testing::TempDir() + "glimmerdale_disk_audio.raw";
    std::remove(outPath.c_str());
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", outPath);
    ScopedEnv delay("SDL_DISKAUDIODELAY", "1");  // a block per millisecond: far faster than real time

    constexpr int kFrames = 5000;  // 50 periods of the left tone
    const auto ogg = makeOggTone(kFrames);
    std::vector<std::int16_t> expected;
    ASSERT_TRUE(decodeVorbisFromMemory(ogg.data(), std::uint32_t(ogg.size()), 44100, 1u << 20, expected));
    ASSERT_EQ(expected.size(), std::size_t(kFrames) * 2);
    const auto readMusic = [&ogg](const char*) { return testsupport::copyToFileBuffer(ogg); };
    // The music as Run mode plays it, decoded on the device's thread as it plays.
    SoundSystem sound;  // the system's output
    sound.startMusic(true, 50.0f, readMusic);
    ASSERT_TRUE(sound.enabled()) << "the disk audio driver did not open";

    // Wait (bounded) until the device has written well over five loops.
    const long wanted = 6L * kFrames * 4 + 3 * 2048 * 4;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (fileSize(outPath) < wanted && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    sound.stopMusic();

    const auto written = readSamples(outPath);
    // Silence comes first (the device runs before anything plays); the music starts at the first
    // place that matches its opening at half volume.
    const std::size_t opening = 400;
    std::size_t start = written.size();
    for (std::size_t at = 0; at + opening < written.size() && start == written.size(); at += 2) {
        bool matches = true;
        for (std::size_t k = 0; k < opening && matches; ++k)
            matches = written[at + k] == expected[k] * 50 / 100;
        if (matches) start = at;
    }
    ASSERT_LT(start, written.size()) << "the music did not flow";
    ASSERT_GE(written.size() - start, static_cast<std::size_t>(5 * kFrames * 2)) << "too little was written";
    // From there every sample is the decoded one at (position mod length) at half volume: no gap,
    // no repeat, no jump at the loop point.
    for (std::size_t i = 0; i < static_cast<std::size_t>(5 * kFrames * 2); ++i)
        ASSERT_EQ(written[start + i], expected[i % expected.size()] * 50 / 100) << "sample " << i;

    // The tone is made of whole periods, so the step across the loop point is no bigger than the
    // steps inside the loop: no click.
    int largestStep = 0;
    for (std::size_t i = 2; i < expected.size(); i += 2)
        largestStep = std::max(largestStep, std::abs(expected[i] - expected[i - 2]));
    const int seamStep = std::abs(expected[0] - expected[expected.size() - 2]);
    EXPECT_LE(seamStep, largestStep + largestStep / 4);
    std::remove(outPath.c_str());
}

}  // namespace
