// Run mode of the real program, the same on Linux and on Windows (this file is built into test_e2e
// for the Linux build and into test_wine for the Windows one): the log of a whole run in start-up and
// shutdown order, the gamma found at start put back, the first frame black and the lit room after
// the fade with the fir and the fire where a fixed camera sees them; full screen at the desktop size;
// a display mode the display refuses, reported, and the run still ending through the normal shutdown.

#include <gtest/gtest.h>

#include "support/screensaver.h"

namespace {

using testsupport::ScreensaverSandbox;

class RunMode : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    }
};

// Arguments joined.
std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST_F(RunMode, AWholeRunLogsInOrderPutsTheGammaBackAndFadesFromBlackIntoTheRoom) {
    ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings({{"Gamma:", 2}}));  // the exponent 4 - 2
    // A fixed camera across the rug: the fireplace on the left, the fir on the right.
    const std::vector<std::string> view = {"--windowed",  "--size",
                                           "640x480",     "--fixed-dt",
                                           "1",           "--no-vsync",
                                           "--time",      "2025-12-24 18:00:00",
                                           "--look-from", "-200,-200,180",
                                           "--look-at",   "100,200,60",
                                           "--fov",       "60"};
    const std::string first = sandbox.file("first.png"), room = sandbox.file("room.png");
    const auto firstRun =
        sandbox.run(view + std::vector<std::string>{"--frames", "1", "--screenshot", first, "/s"});
    ASSERT_FALSE(firstRun.timedOut) << sandbox.log();
    const auto result =
        sandbox.run(view + std::vector<std::string>{"--frames", "100", "--screenshot", room, "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1) << result.errorOutput;  // Run mode always ends the process with 1
    EXPECT_EQ(result.errorOutput.find("Error:"), std::string::npos) << result.errorOutput;

    // Start-up and loading in order. Neither the virtual X server nor Wine has a gamma ramp: the start
    // reads none (1), and the end puts that back.
    const std::vector<std::string> startUp = {
        "Data.pak not found",      "Base.rar not found",  "Starting...",    "Starting init OpenGL",
        "Creating window...",      "Window is create",    "Video card: ",   "Vendor: ",
        "OpenGL version : ",       "Max Texture Units: ", "VBO supported",  "ARB_Occlusion_querry supported",
        "Occlussion querry bit: ", "Model manager init",  "Old Gamma: 1",   "New Gamma: 2",
        "initializing font...",    "Loading data...",     "Loading models", "OpenGL initialized"};
    const std::vector<std::string> log = sandbox.logLines();
    EXPECT_TRUE(testsupport::prefixesInOrder(log, startUp)) << sandbox.log();
    // The shutdown's four lines are the last.
    ASSERT_GE(log.size(), 4u) << sandbox.log();
    EXPECT_EQ(log[log.size() - 4], "Set old Gamma: 1") << sandbox.log();
    EXPECT_EQ(log[log.size() - 3].rfind("Max fps: ", 0), 0u) << sandbox.log();
    EXPECT_EQ(log[log.size() - 2].rfind("Min fps: ", 0), 0u) << sandbox.log();
    EXPECT_EQ(log.back().rfind("Fps: ", 0), 0u) << sandbox.log();
    // Music off: the sound system never starts.
    EXPECT_FALSE(sandbox.logHas("Sound initialized")) << sandbox.log();

    // The first frame is black but for what is drawn over the fade (the countdown); a hundred frames
    // later the fade is over and the room is lit.
    ASSERT_EQ(testsupport::pictureSize(first), "640 480") << firstRun.errorOutput;
    ASSERT_EQ(testsupport::pictureSize(room), "640 480") << result.errorOutput;
    const double firstMean = testsupport::meanBrightness(first), roomMean = testsupport::meanBrightness(room);
    EXPECT_LT(firstMean, 0.1);
    EXPECT_GT(roomMean, firstMean + 0.05) << "the picture did not come up from black";
    EXPECT_TRUE(testsupport::showsTheRoom(room)) << "mean " << roomMean;
    const testsupport::Colour tree = testsupport::meanColour(room, 410, 185, 80, 60);
    EXPECT_GT(tree.green, tree.red + 0.05) << "the fir is not where the camera should see it";
    EXPECT_GT(tree.green, tree.blue + 0.05);
    const testsupport::Colour fire = testsupport::meanColour(room, 208, 265, 24, 12);
    EXPECT_GT(fire.red, 0.45) << "no fire in the fireplace";
    EXPECT_GT(fire.red, fire.green);
    EXPECT_GT(fire.green, fire.blue);
}

TEST_F(RunMode, FullScreenTakesTheDesktopSize) {
    ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    const std::string shot = sandbox.file("full.png");
    const auto result = sandbox.run({"--frames", "10", "--screenshot", shot, "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(result.exitCode, 1) << result.errorOutput;
    EXPECT_EQ(result.errorOutput.find("Error:"), std::string::npos) << result.errorOutput;
    const std::string screen = testsupport::trimmed(testsupport::commandOutput(
        "xdpyinfo | sed -n 's/ *dimensions: *\\([0-9]*\\)x\\([0-9]*\\) .*/\\1 \\2/p'"));
    EXPECT_EQ(testsupport::pictureSize(shot), screen);
}

// The virtual X server has one display mode, its own size: 800 x 600 from the stored resolution
// (without the desktop's own size) and a size asked for on the command line are both refused.
TEST_F(RunMode, ARefusedDisplayModeIsReportedAndTheRunEndsThroughTheNormalShutdown) {
    struct Case {
        const char* what;
        testsupport::StoredSettings settings;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"stored 800 x 600", {{"Resolution:", 1}, {"Usemon:", 0}}, {"--frames", "10", "/s"}},
        {"--size 1000x700", {}, {"--size", "1000x700", "--frames", "10", "--no-vsync", "/s"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScreensaverSandbox sandbox;
        sandbox.storeSettings(testsupport::quietSettings(c.settings));
        const auto result = sandbox.run(c.args);
        ASSERT_FALSE(result.timedOut) << sandbox.log();
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.errorOutput.find("Error: Display Mode Not Compatible"), std::string::npos)
            << result.errorOutput;
        EXPECT_TRUE(testsupport::prefixesInOrder(
            sandbox.logLines(), {"Window is create", "Loading data...", "Loading models",
                                 "OpenGL initialized", "Set old Gamma: ", "Max fps: ", "Min fps: ", "Fps: "}))
            << sandbox.log();
        EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u) << sandbox.log();
    }
}

}  // namespace
