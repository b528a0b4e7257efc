// Run mode of the Windows build under Wine while nobody can see it. Wine never reports the system's
// sleep or the displays' power itself, so power_broadcast sends what Windows would. The music (into
// a file, as in sound_test.cpp) stops before the system sleeps and comes back after it woke, from
// where it was, not from the beginning; dimmed displays stop it again; a key still ends the run.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "wine/wine_support.h"

namespace {

using namespace std::chrono_literals;
using winetest::WineSandbox;

constexpr std::size_t kSecond = 44100 * 2;  // 16-bit stereo samples

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

std::uintmax_t sizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// True when nothing more reaches the output file for a second.
bool outputStandsStill(const std::string& path) {
    const std::uintmax_t before = sizeOf(path);
    std::this_thread::sleep_for(1s);
    return sizeOf(path) == before;
}

// The seconds in the first log line that starts with `prefix` and ends in "music at S s"; -1 without.
double musicSecondsIn(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& line : lines) {
        const std::size_t at = line.find(", music at ");
        if (line.rfind(prefix, 0) == 0 && at != std::string::npos) return std::atof(line.c_str() + at + 11);
    }
    return -1.0;
}

void say(const std::string& what, const std::string& folder) {
    const auto result = testsupport::runProcess(
        winetest::wineRequest(winetest::requiredPath("GLIMMERDALE_POWER_BROADCAST"), {what}, folder), 60s);
    EXPECT_EQ(result.exitCode, 0) << what << ": " << result.errorOutput;
}

TEST(WinePower, MusicRestsWhileNobodyCanSeeItAndGoesOnFromWhereItWas) {
    winetest::storeDefaultSettings();
    winetest::setSetting("Sound volume:", 100);
    winetest::setSetting("ExitMM:", 0);
    testsupport::TempDir home("gdalsa");
    const std::string played = home.file("played.raw");
    // Each opening of the device starts the file again.
    std::ofstream(home.file(".asoundrc")) << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \""
                                          << played << "\"\n  format \"raw\"\n}\n";
    WineSandbox sandbox;
    testsupport::ProcessRequest request = sandbox.request({"--windowed", "--size", "320x240", "/s"});
    request.env["HOME"] = home.path();
    testsupport::BackgroundProcess process;
    ASSERT_TRUE(process.start(request));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return audibleSamples(played).size() >= 2 * kSecond || !process.running(); }, 180s))
        << sandbox.log();
    const std::vector<std::int16_t> fromTheStart = audibleSamples(played);

    say("suspend", sandbox.path());
    EXPECT_TRUE(outputStandsStill(played));
    const std::uintmax_t asleep = sizeOf(played);
    say("resume", sandbox.path());
    std::vector<std::int16_t> resumed;
    EXPECT_TRUE(testsupport::waitUntil(
        [&] {
            resumed = audibleSamples(played);
            return sizeOf(played) != asleep && resumed.size() >= kSecond;
        },
        30s));
    // Not the music's beginning again: the first second after waking differs from the first heard.
    ASSERT_GE(resumed.size(), kSecond);
    double difference = 0;
    for (std::size_t i = 0; i < kSecond; ++i) difference += std::fabs(double(resumed[i]) - fromTheStart[i]);
    EXPECT_GT(difference / kSecond, 100.0);

    say("displays-dimmed", sandbox.path());
    EXPECT_TRUE(outputStandsStill(played));
    winetest::xdotool("key --window " + winetest::windowNamed("Glimmerdale") + " q");
    testsupport::ProcessResult result;
    ASSERT_TRUE(process.waitForExit(result, 20s)) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1);

    const auto lines = sandbox.logLines();
    EXPECT_TRUE(winetest::prefixesInOrder(
        lines, {"Sound initialized", "Paused: system going to sleep, music at ",
                "Resumed: system awake, music at ", "Paused: displays off, music at ", "Set old Gamma: "}))
        << sandbox.log();
    EXPECT_EQ(lines.back().rfind("Fps: ", 0), 0u) << sandbox.log();
    // The place kept over the sleep: between the two lies no more than the output's few buffers,
    // filled when it opened again.
    const double paused = musicSecondsIn(lines, "Paused: system going to sleep");
    const double awake = musicSecondsIn(lines, "Resumed: system awake");
    EXPECT_GT(paused, 1.0);
    EXPECT_GE(awake, paused);
    EXPECT_LT(awake - paused, 0.5);
}

}  // namespace
