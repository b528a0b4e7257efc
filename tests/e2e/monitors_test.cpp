// Run mode on two monitors of a private Xorg dummy server: the room on both from cameras of their
// own, the overlay on the primary only (also when the other monitor lies left of it), the other
// monitor black with --monitors primary, a monitor unplugged and plugged back during the run, a key
// ending it, the gamma ramps of both monitors back as they were, and mirrored monitors of different
// sizes covered by one window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/dummy_x_server.h"
#include "support/screensaver.h"

namespace {

using testsupport::BackgroundProcess;
using testsupport::DummyXServer;
using testsupport::ProcessResult;
using testsupport::ScreensaverSandbox;
using testsupport::waitUntil;
using namespace std::chrono_literals;

// The x .. x + 1023 part of a picture of the whole screen: one monitor.
std::string monitorPart(const std::string& shot, int x, const std::string& name) {
    return testsupport::pictureCrop(shot, "1024x768+" + std::to_string(x) + "+0", name);
}

double difference(const std::string& a, const std::string& b, const std::string& region = "1024x768+0+0") {
    return testsupport::pictureDifference(a, b, region);
}

// Whether a picture holds a drawn picture of some kind rather than the server's black root window:
// not dark, not flat. (A camera may look at a dark corner for a while; showsTheRoom wants warmth.)
bool showsAPicture(const std::string& path) {
    const std::string out = testsupport::commandOutput(
        "convert '" + path + "' -format '%[fx:mean] %[fx:standard_deviation]' info: 2>/dev/null");
    double mean = 0, spread = 0;
    return std::sscanf(out.c_str(), "%lf %lf", &mean, &spread) == 2 && mean > 0.03 && spread > 0.05;
}

// The "Gamma:" line of each output in `xrandr --verbose`, in output order.
std::string gammaLines(const DummyXServer& x) { return x.run("xrandr --verbose | grep -E '^DUMMY|Gamma:'"); }

bool sawLine(const ScreensaverSandbox& sandbox, const std::string& line, int times = 1) {
    int seen = 0;
    for (const std::string& l : sandbox.logLines()) seen += l == line ? 1 : 0;
    return seen >= times;
}

TEST(TwoMonitors, BothShowTheRoomFromTheirOwnCamerasWhileAMonitorGoesAndComesBack) {
    DummyXServer x;
    if (!x.start()) GTEST_SKIP() << "no Xorg dummy server here (needs root and xserver-xorg-video-dummy)";
    ASSERT_TRUE(x.layOut("--output DUMMY0 --gamma 0.8:0.9:1.1 --output DUMMY1 --gamma 1.2:1.0:0.7"));
    const std::string calibrated = gammaLines(x);
    ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings({{"Gamma:", 1}}));  // the exponent 3
    testsupport::RunningScreensaver copy;
    ASSERT_TRUE(copy.start(sandbox, {"--seed", "3", "/s"}, x.display()));
    BackgroundProcess& run = copy.process();
    EXPECT_TRUE(sawLine(sandbox, "Monitors: 2")) << sandbox.log();
    ASSERT_TRUE(run.running()) << sandbox.log() << run.errorOutput();

    const std::string shot = sandbox.file("both.png");
    std::string left, right;
    EXPECT_TRUE(waitUntil(
        [&] {
            x.run("import -window root '" + shot + "'");
            left = monitorPart(shot, 0, "left.png");
            right = monitorPart(shot, 1024, "right.png");
            return testsupport::showsTheRoom(left) && testsupport::showsTheRoom(right);
        },
        60s, 500ms))
        << "left " << testsupport::meanBrightness(left) << ", right " << testsupport::meanBrightness(right);
    EXPECT_GT(difference(left, right), 0.1) << "both monitors show the same picture";
    EXPECT_NE(gammaLines(x), calibrated) << "the gamma option reached no monitor";

    // Unplugged: the screen shrinks to the primary, which the room still fills.
    ASSERT_TRUE(x.unplugSecond());
    EXPECT_TRUE(waitUntil([&] { return sawLine(sandbox, "Monitors: 1"); }, 5s)) << sandbox.log();
    x.run("import -window root '" + shot + "'");
    EXPECT_EQ(testsupport::commandOutput("identify -format '%w %h' '" + shot + "'"), "1024 768");
    EXPECT_TRUE(testsupport::showsTheRoom(shot));
    EXPECT_TRUE(run.running()) << run.errorOutput();

    // Plugged back: laid out anew within a second (a loaded machine gets some slack), then seen
    // covered (the screenshots themselves take seconds while the renderer keeps both cores busy).
    ASSERT_TRUE(x.plugSecondBack());
    const auto plugged = std::chrono::steady_clock::now();
    const auto since = [&plugged] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                     plugged)
            .count();
    };
    EXPECT_TRUE(waitUntil([&] { return sawLine(sandbox, "Monitors: 2", 2); }, 10s)) << sandbox.log();
    const long relaidOut = since();
    EXPECT_TRUE(waitUntil(
        [&] {
            x.run("import -window root '" + shot + "'");
            return showsAPicture(monitorPart(shot, 1024, "again.png"));
        },
        10s, 100ms));
    const long covered = since();
    EXPECT_LT(relaidOut, 2000) << "laid out " << relaidOut << " ms after the monitor came back";
    std::printf("plugged back: laid out after %ld ms, seen covered after %ld ms\n", relaidOut, covered);

    // A key ends the run, and both monitors get their ramps back.
    x.run("xdotool key Escape");
    ProcessResult result;
    ASSERT_TRUE(run.waitForExit(result, 20s)) << "still running after the key";
    EXPECT_EQ(result.exitCode, 1) << result.errorOutput;
    EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u) << sandbox.log();
    EXPECT_EQ(gammaLines(x), calibrated);
}

TEST(TwoMonitors, TheOverlayStaysOnThePrimaryLeftOrRightAndPrimaryOnlyLeavesTheOtherBlack) {
    DummyXServer x;
    if (!x.start()) GTEST_SKIP() << "no Xorg dummy server here (needs root and xserver-xorg-video-dummy)";
    ASSERT_TRUE(x.otherLeftOfPrimary());
    // A still camera: both monitors show one picture, so whatever differs is the overlay.
    const std::vector<std::string> still = {
        "--look-from", "-200,-200,180", "--look-at",          "100,200,60", "--fov",
        "60",          "--time",        "2025-12-20 18:00:00"};
    // Runs until the monitors `shown` (0: the left, 1024: the right) show the room, keeps that
    // picture of the whole screen in `shot`, and ends the run with a key.
    const auto runAndShoot = [&](std::vector<std::string> options, const std::string& shot,
                                 std::vector<int> shown) {
        ScreensaverSandbox sandbox;
        sandbox.storeSettings(testsupport::quietSettings());
        options.push_back("/s");
        testsupport::RunningScreensaver copy;
        EXPECT_TRUE(copy.start(sandbox, options, x.display()));
        BackgroundProcess& run = copy.process();
        EXPECT_TRUE(sawLine(sandbox, "Monitors: 2")) << sandbox.log();
        EXPECT_TRUE(waitUntil(
            [&] {
                x.run("import -window root '" + shot + "'");
                for (int left : shown)
                    if (!testsupport::showsTheRoom(monitorPart(shot, left, "part.png"))) return false;
                return true;
            },
            90s, 500ms));
        x.run("xdotool key Escape");
        ProcessResult result;
        EXPECT_TRUE(run.waitForExit(result, 20s));
    };

    std::vector<std::string> options = still;
    testsupport::TempDir pictures("gdmon");
    const std::string both = pictures.file("both.png");
    runAndShoot(options, both, {0, 1024});
    const std::string other = monitorPart(both, 0, "other.png"),
                      primary = monitorPart(both, 1024, "primary.png");
    // The countdown lies along the primary's lower-left corner; the middle holds no overlay.
    EXPECT_GT(difference(other, primary, "330x90+0+678"), 0.08) << "no countdown on the primary alone";
    // The two monitors are shot a frame or two apart: flames and snow move between them (up to
    // 0.052 seen on a loaded machine).
    EXPECT_LT(difference(other, primary, "400x300+312+234"), 0.075) << "the views differ where no overlay is";

    options.push_back("--monitors");
    options.push_back("primary");
    const std::string alone = pictures.file("alone.png");
    runAndShoot(options, alone, {1024});
    EXPECT_LT(testsupport::meanBrightness(monitorPart(alone, 0, "black.png")), 0.01);
}

TEST(TwoMonitors, MirrorsOfAnotherSizeAreCoveredWhollyByOneWindow) {
    DummyXServer x;
    if (!x.start()) GTEST_SKIP() << "no Xorg dummy server here (needs root and xserver-xorg-video-dummy)";
    x.run("xrandr --addmode DUMMY1 800x600");
    // The mirror larger, then smaller than the primary; the screen is as large as the larger.
    for (const char* layout : {"--output DUMMY0 --mode 1024x768 --primary --output DUMMY1 --mode 800x600",
                               "--output DUMMY0 --mode 800x600 --primary --output DUMMY1 --mode 1024x768"}) {
        SCOPED_TRACE(layout);
        ASSERT_TRUE(x.layOut(std::string(layout) + " --same-as DUMMY0"));
        ScreensaverSandbox sandbox;
        sandbox.storeSettings(testsupport::quietSettings());
        testsupport::RunningScreensaver copy;
        ASSERT_TRUE(copy.start(sandbox, {"--seed", "2", "/s"}, x.display()));
        const std::string shot = sandbox.file("screen.png");
        // The room reaches the corner that only the larger monitor shows.
        EXPECT_TRUE(waitUntil(
            [&] {
                x.run("import -window root '" + shot + "'");
                return testsupport::showsTheRoom(
                    testsupport::pictureCrop(shot, "224x168+800+600", "corner.png"));
            },
            60s, 500ms))
            << sandbox.log();
        // One window: none of its own over part of the other monitor.
        const std::string windows = x.run("xdotool search --onlyvisible --pid " +
                                          std::to_string(copy.process().pid()) + " --name '^Glimmerdale$'");
        EXPECT_EQ(std::count(windows.begin(), windows.end(), '\n'), 1) << windows;
        x.run("xdotool key Escape");
        ProcessResult result;
        EXPECT_TRUE(copy.process().waitForExit(result, 20s));
    }
}

}  // namespace
