// The music through waveOut under Wine. Wine plays into ALSA, which the test points at a file: the
// samples that reach the output are on disk, so the test hears what a listener would. The volume
// is the mixer's own: four times the volume option gives four times the amplitude.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <thread>

#include "wine/wine_support.h"

namespace {

using namespace std::chrono_literals;
using winetest::WineSandbox;

// Samples from the first one that is not silent on (16-bit, interleaved, as Wine hands them to ALSA).
std::vector<std::int16_t> audibleSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::int16_t> samples;
    std::int16_t sample = 0;
    bool heard = false;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) {
        heard = heard || sample != 0;
        if (heard) samples.push_back(sample);
    }
    return samples;
}

double rootMeanSquare(const std::vector<std::int16_t>& samples, std::size_t count) {
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(count));
}

class WineSound : public ::testing::Test {
protected:
    // Runs Run mode with music at this volume until `seconds` of music reached the output (16-bit
    // stereo at 44.1 kHz); returns what was played.
    std::vector<std::int16_t> play(unsigned long volume, double seconds) {
        winetest::storeDefaultSettings();
        winetest::setSetting("Sound volume:", volume);
        winetest::setSetting("ExitMM:", 0);
        testsupport::TempDir home("gdalsa");
        const std::string output = home.file("played.raw");
        std::ofstream(home.file(".asoundrc"))
            << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"" << output
            << "\"\n  format \"raw\"\n}\n";
        WineSandbox sandbox;
        testsupport::ProcessRequest request = sandbox.request({"--windowed", "--size", "320x240", "/s"});
        request.env["HOME"] = home.path();
        testsupport::BackgroundProcess process;
        EXPECT_TRUE(process.start(request));
        const auto wanted = static_cast<std::size_t>(seconds * 44100 * 2);
        std::vector<std::int16_t> played;
        for (int poll = 0; poll < 600 && played.size() < wanted && process.running(); ++poll) {
            std::this_thread::sleep_for(200ms);
            played = audibleSamples(output);
        }
        const bool heard = played.size() >= wanted;
        const std::string window = winetest::windowNamed("Glimmerdale");
        winetest::xdotool("key --window " + window + " q");
        testsupport::ProcessResult result;
        EXPECT_TRUE(process.waitForExit(result, 60s));
        EXPECT_TRUE(heard) << sandbox.log();
        EXPECT_TRUE(sandbox.logHas("Sound initialized")) << sandbox.log();
        return played;
    }
};

TEST_F(WineSound, MusicReachesTheOutputAtTheMixersVolume) {
    const auto quiet = play(20, 4.0);
    const auto loud = play(80, 4.0);
    const std::size_t compared = 44100 * 2 * 3;  // the first three seconds of the music in both runs
    ASSERT_GE(quiet.size(), compared);
    ASSERT_GE(loud.size(), compared);
    const double quietLevel = rootMeanSquare(quiet, compared);
    const double loudLevel = rootMeanSquare(loud, compared);
    EXPECT_GT(quietLevel, 100.0) << "the music is silent";
    EXPECT_NEAR(loudLevel / quietLevel, 4.0, 0.4);
}

}  // namespace
