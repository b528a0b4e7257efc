// Run mode of the Windows build under Wine: the room on screen, the log in start-up and shutdown
// order, full screen at the desktop size, and a display mode the display refuses.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "wine/wine_support.h"

namespace {

using winetest::containsInOrder;
using winetest::prefixesInOrder;
using winetest::WineSandbox;

class WineRunMode : public ::testing::Test {
protected:
    void SetUp() override { winetest::storeDefaultSettings(); }
};

TEST_F(WineRunMode, ShowsTheRoomAndLogsStartUpAndShutdownInOrder) {
    WineSandbox sandbox;
    const std::string shot = sandbox.file("room.png");
    // A fixed camera across the rug: the fireplace on the left, the fir on the right.
    const auto result =
        sandbox.run({"--windowed", "--size", "640x480", "--frames", "100", "--fixed-dt", "1", "--no-vsync",
                     "--time", "2025-12-24 18:00:00", "--look-from", "-200,-200,180", "--look-at",
                     "100,200,60", "--fov", "60", "--screenshot", shot, "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1) << result.errorOutput;
    const auto lines = sandbox.logLines();
    EXPECT_TRUE(prefixesInOrder(lines, {"Data.pak not found",
                                        "Base.rar not found",
                                        "Starting...",
                                        "Starting init OpenGL",
                                        "Creating window...",
                                        "Window is create",
                                        "Video card: ",
                                        "Vendor: ",
                                        "OpenGL version : ",
                                        "Max Texture Units: ",
                                        "VBO supported",
                                        "Model manager init",
                                        "Old Gamma: ",
                                        "New Gamma: ",
                                        "initializing font...",
                                        "Loading data...",
                                        "Loading models",
                                        "OpenGL initialized",
                                        "Set old Gamma: ",
                                        "Max fps: ",
                                        "Min fps: ",
                                        "Fps: "}))
        << sandbox.log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("Fps: ", 0), 0u) << sandbox.log();

    ASSERT_EQ(winetest::pictureSize(shot), "640 480") << result.errorOutput;
    const winetest::Colour tree = winetest::meanColour(shot, 410, 185, 80, 60);
    EXPECT_GT(tree.green, tree.red + 0.05) << "the fir is not where the camera should see it";
    EXPECT_GT(tree.green, tree.blue + 0.05);
    const winetest::Colour fire = winetest::meanColour(shot, 208, 265, 24, 12);
    EXPECT_GT(fire.red, 0.45) << "no fire in the fireplace";
    EXPECT_GT(fire.red, fire.green);
    EXPECT_GT(fire.green, fire.blue);
}

// Wine has no device gamma ramp: the start-up reads none, the program says what it set and runs on
// to the normal end.
TEST_F(WineRunMode, RunsOnWithoutAGammaRamp) {
    winetest::setSetting("Gamma:", 2);
    WineSandbox sandbox;
    const auto result = sandbox.run({"--windowed", "--size", "320x240", "--frames", "20", "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(containsInOrder(sandbox.logLines(), {"Old Gamma: 1", "New Gamma: 2", "Set old Gamma: 1"}))
        << sandbox.log();
    EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u) << sandbox.log();
}

TEST_F(WineRunMode, FullScreenTakesTheDesktopSize) {
    WineSandbox sandbox;
    const std::string shot = sandbox.file("full.png");
    const auto result = sandbox.run({"--frames", "10", "--screenshot", shot, "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1) << result.errorOutput;
    EXPECT_EQ(result.errorOutput.find("Error:"), std::string::npos) << result.errorOutput;
    const std::string screen = winetest::trimmed(testsupport::commandOutput(
        "xdpyinfo | sed -n 's/ *dimensions: *\\([0-9]*\\)x\\([0-9]*\\) .*/\\1 \\2/p'"));
    EXPECT_EQ(winetest::pictureSize(shot), screen);
}

TEST_F(WineRunMode, ARefusedDisplayModeIsReportedAndTheRunEndsThroughTheNormalShutdown) {
    // 800 x 600 without the desktop's own size: the virtual X server has no such mode.
    winetest::setSetting("Resolution:", 1);
    winetest::setSetting("Usemon:", 0);
    WineSandbox sandbox;
    const auto result = sandbox.run({"--frames", "10", "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errorOutput.find("Error: Display Mode Not Compatible"), std::string::npos)
        << result.errorOutput;
    EXPECT_TRUE(containsInOrder(sandbox.logLines(), {"Loading models", "OpenGL initialized"}))
        << sandbox.log();
    EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u) << sandbox.log();
}

// XScreenSaver's spellings are X11 ideas too: on Windows "-fps" is a switch like any other (Run), and
// XSCREENSAVER_WINDOW in the environment names no window to draw into.
TEST_F(WineRunMode, XScreenSaversSpellingsAreOrdinarySwitches) {
    WineSandbox sandbox;
    testsupport::ProcessRequest request =
        sandbox.request({"--windowed", "--size", "160x120", "--frames", "5", "-fps"});
    request.env["XSCREENSAVER_WINDOW"] = "0x1234";
    const auto result = testsupport::runProcess(request, std::chrono::seconds(60));
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(
        containsInOrder(sandbox.logLines(), {"Starting...", "Window is create", "OpenGL initialized"}))
        << sandbox.log();
    EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u) << sandbox.log();
}

// A framework's window is an X11 idea: on Windows the option ends the run at once instead of opening a
// full-screen window that would take no input. Its log goes to the user's local application data.
TEST_F(WineRunMode, AFrameworksWindowIsRefusedAndTheRunEnds) {
    WineSandbox sandbox;
    const auto result = sandbox.run({"--window-id", "0x1234"}, std::chrono::seconds(60));
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1) << result.errorOutput;
    EXPECT_FALSE(std::filesystem::exists(sandbox.file("Log.txt")));
    std::string log;
    const char* prefix = std::getenv("WINEPREFIX");
    ASSERT_NE(prefix, nullptr);
    for (const auto& user : std::filesystem::directory_iterator(std::string(prefix) + "/drive_c/users")) {
        const auto path = user.path() / "AppData/Local/Glimmerdale/Log.txt";
        if (std::filesystem::exists(path)) log = testsupport::readTextFile(path.string());
    }
    EXPECT_NE(log.find("Create Window failed!"), std::string::npos) << log;
}

}  // namespace
