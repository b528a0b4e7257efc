// The music through waveOut under Wine. Wine plays into ALSA, which the test points at a file: the
// samples that reach the output are on disk, so the test hears what a listener would. The volume
// is the mixer's own: four times the volume option gives four times the amplitude.
//
// While nobody can see the room the music rests. Wine never reports the system's sleep or the
// displays' power, so power_broadcast sends what Windows would: the music stops before the system
// sleeps and goes on after it woke from where it was, not from the beginning; dimmed displays stop
// it again, and a key still ends the run.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/screensaver.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kSecond = 44100 * 2;  // 16-bit stereo samples

// The samples from the first one that is not silent on.
std::vector<std::int16_t> audibleSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::int16_t> samples;
    for (std::int16_t sample = 0; in.read(reinterpret_cast<char*>(&sample), sizeof sample);)
        if (sample != 0 || !samples.empty()) samples.push_back(sample);
    return samples;
}

std::uintmax_t sizeOf(const std::string& path) {
    std::error_code error;
    return std::filesystem::file_size(path, error);
}

double rootMeanSquare(const std::vector<std::int16_t>& samples, std::size_t count) {
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(count));
}

class WineMusic : public ::testing::Test {
protected:
    // Starts Run mode with the music at this volume, played into the file `played`.
    void start(unsigned long volume) {
        sandbox = std::make_unique<testsupport::ScreensaverSandbox>();
        sandbox->storeSettings(testsupport::settingsWith({{"Sound volume:", volume}, {"ExitMM:", 0}}));
        // Each opening of the device starts the file again.
        std::ofstream(home.file(".asoundrc"))
            << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"" << played
            << "\"\n  format \"raw\"\n}\n";
        std::filesystem::remove(played);
        testsupport::ProcessRequest request = sandbox->request({"--windowed", "--size", "320x240", "/s"});
        request.env["HOME"] = home.path();
        ASSERT_TRUE(process.start(request));
    }
    // What reached the output once `seconds` of music did (less when the run ends first, or after
    // three minutes).
    std::vector<std::int16_t> music(double seconds) {
        std::vector<std::int16_t> samples;
        testsupport::waitUntil(
            [&] {
                samples = audibleSamples(played);
                return samples.size() >= seconds * kSecond || !process.running();
            },
            180s, 200ms);
        return samples;
    }
    // Sends `what`, then waits for the frame loop to take it up: the log line that starts with `logged`.
    void say(const std::string& what, const std::string& logged) {
        const auto result = testsupport::runProcess(
            testsupport::wineRequest(testsupport::requiredPath("GLIMMERDALE_POWER_BROADCAST"), {what},
                                     sandbox->path()),
            60s);
        EXPECT_EQ(result.exitCode, 0) << what << ": " << result.errorOutput;
        EXPECT_TRUE(testsupport::waitUntil(
            [&] { return testsupport::prefixesInOrder(sandbox->logLines(), {logged}); }, 10s))
            << sandbox->log();
    }
    // True when nothing more reaches the file for a second.
    bool standsStill() {
        const std::uintmax_t before = sizeOf(played);
        std::this_thread::sleep_for(1s);
        return sizeOf(played) == before;
    }
    void endWithAKey() {
        testsupport::xdotool("key --window " + testsupport::windowNamed("Glimmerdale") + " q");
        testsupport::ProcessResult result;
        EXPECT_TRUE(process.waitForExit(result, 60s)) << sandbox->log();
        EXPECT_EQ(sandbox->logLines().back().rfind("Fps: ", 0), 0u) << sandbox->log();
    }

    testsupport::TempDir home{"gdalsa"};
    const std::string played = home.file("played.raw");
    std::unique_ptr<testsupport::ScreensaverSandbox> sandbox;
    testsupport::BackgroundProcess process;
};

TEST_F(WineMusic, PlaysAtTheMixersVolumeAndRestsWhileNobodyCanSeeTheRoom) {
    const std::size_t compared = 3 * kSecond;  // the first three seconds of the music in both runs
    start(20);
    const std::vector<std::int16_t> quiet = music(3);
    endWithAKey();
    EXPECT_TRUE(sandbox->logHas("Sound initialized")) << sandbox->log();

    start(80);
    const std::vector<std::int16_t> loud = music(3);
    ASSERT_GE(quiet.size(), compared);
    ASSERT_GE(loud.size(), compared) << sandbox->log();
    const double quietLevel = rootMeanSquare(quiet, compared);
    const double loudLevel = rootMeanSquare(loud, compared);
    EXPECT_GT(quietLevel, 100.0) << "the music is silent";
    EXPECT_NEAR(loudLevel / quietLevel, 4.0, 0.4);

    say("suspend", "Paused: system going to sleep, music at ");
    EXPECT_TRUE(standsStill());
    const std::uintmax_t asleep = sizeOf(played);
    say("resume", "Resumed: system awake, music at ");
    std::vector<std::int16_t> resumed;
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return sizeOf(played) != asleep && (resumed = audibleSamples(played)).size() >= kSecond; },
        30s));
    double difference = 0;  // from the music's first second, had it started again
    for (std::size_t i = 0; i < kSecond; ++i) difference += std::fabs(double(resumed[i]) - loud[i]);
    EXPECT_GT(difference / kSecond, 100.0);
    say("displays-dimmed", "Paused: displays off, music at ");
    EXPECT_TRUE(standsStill());
    endWithAKey();
    EXPECT_TRUE(testsupport::prefixesInOrder(
        sandbox->logLines(), {"Sound initialized", "Paused: ", "Resumed: ", "Paused: ", "Set old Gamma: "}))
        << sandbox->log();
}

}  // namespace
