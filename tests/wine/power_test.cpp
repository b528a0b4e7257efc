// Run mode of the Windows build under Wine while nobody can see it. Wine never reports the system's
// sleep or the displays' power, so power_broadcast sends what Windows would. The music (played into a
// file, as in sound_test.cpp) stops before the system sleeps and goes on after it woke from where it
// was, not from the beginning; dimmed displays stop it again, and a key still ends the run.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "wine/wine_support.h"

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

// True when nothing more reaches the file for a second.
bool standsStill(const std::string& path) {
    const std::uintmax_t before = sizeOf(path);
    std::this_thread::sleep_for(1s);
    return sizeOf(path) == before;
}

TEST(WinePower, MusicRestsWhileNobodyCanSeeItAndGoesOnFromWhereItWas) {
    winetest::storeDefaultSettings();
    winetest::setSetting("Sound volume:", 100);
    testsupport::TempDir home("gdalsa");
    const std::string played = home.file("played.raw");
    // Each opening of the device starts the file again.
    std::ofstream(home.file(".asoundrc")) << "pcm.!default {\n type file\n slave.pcm \"null\"\n file \""
                                          << played << "\"\n format \"raw\"\n}\n";
    winetest::WineSandbox sandbox;
    testsupport::ProcessRequest request = sandbox.request({"--windowed", "--size", "320x240", "/s"});
    request.env["HOME"] = home.path();
    testsupport::BackgroundProcess process;
    ASSERT_TRUE(process.start(request));
    ASSERT_TRUE(testsupport::waitUntil([&] { return audibleSamples(played).size() >= kSecond; }, 180s))
        << sandbox.log();
    const std::vector<std::int16_t> fromTheStart = audibleSamples(played);
    // Sends `what`, then waits for the frame loop to take it up: the log line that starts with `logged`.
    const auto say = [&](const std::string& what, const std::string& logged) {
        const auto result = testsupport::runProcess(
            winetest::wineRequest(winetest::requiredPath("GLIMMERDALE_POWER_BROADCAST"), {what},
                                  sandbox.path()),
            60s);
        EXPECT_EQ(result.exitCode, 0) << what << ": " << result.errorOutput;
        EXPECT_TRUE(testsupport::waitUntil(
            [&] { return winetest::prefixesInOrder(sandbox.logLines(), {logged}); }, 10s))
            << sandbox.log();
    };

    say("suspend", "Paused: system going to sleep, music at ");
    EXPECT_TRUE(standsStill(played));
    const std::uintmax_t asleep = sizeOf(played);
    say("resume", "Resumed: system awake, music at ");
    std::vector<std::int16_t> resumed;
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return sizeOf(played) != asleep && (resumed = audibleSamples(played)).size() >= kSecond; },
        30s));
    double difference = 0;  // from the music's first second, had it started again
    for (std::size_t i = 0; i < kSecond; ++i) difference += std::fabs(double(resumed[i]) - fromTheStart[i]);
    EXPECT_GT(difference / kSecond, 100.0);
    say("displays-dimmed", "Paused: displays off, music at ");
    EXPECT_TRUE(standsStill(played));
    winetest::xdotool("key --window " + winetest::windowNamed("Glimmerdale") + " q");
    testsupport::ProcessResult result;
    ASSERT_TRUE(process.waitForExit(result, 20s)) << sandbox.log();

    const auto lines = sandbox.logLines();
    EXPECT_TRUE(winetest::prefixesInOrder(
        lines, {"Sound initialized", "Paused: ", "Resumed: ", "Paused: ", "Set old Gamma: "}))
        << sandbox.log();
    EXPECT_EQ(lines.back().rfind("Fps: ", 0), 0u) << sandbox.log();
}

}  // namespace
