// Run mode of the Linux build beyond what both builds share (tests/both/run_mode_test.cpp): with no
// frame drawn the loading picture stays on screen, right way up; a termination signal ends the run
// through the normal shutdown.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "support/screensaver.h"

namespace {

using testsupport::ScreensaverSandbox;

class RunModeSession : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        sandbox.storeSettings(testsupport::quietSettings());
    }

    ScreensaverSandbox sandbox;
};

TEST_F(RunModeSession, FramesZeroKeepsTheLoadingPicture) {
    const std::string reference =
        std::string(GLIMMERDALE_BINARY_DIR) + "/media/interface/Notification/loading.jpg";
    if (!std::filesystem::exists(reference)) GTEST_SKIP() << "no generated media in this build";
    const std::string shot = sandbox.file("loading.png");
    const auto result =
        sandbox.run({"--windowed", "--size", "640x480", "--frames", "0", "--screenshot", shot, "/s"});
    ASSERT_FALSE(result.timedOut);
    ASSERT_TRUE(std::filesystem::exists(shot)) << result.errorOutput;
    EXPECT_EQ(testsupport::pictureSize(shot), "640 480");
    // The screen is the picture scaled to the window, first row at the top; only the small logo in
    // the lower-right corner differs.
    const std::string scaled = sandbox.file("reference.png");
    testsupport::commandOutput("convert '" + reference + "' -resize '640x480!' '" + scaled + "'");
    const std::string metric = testsupport::commandOutput("compare -metric RMSE '" + shot + "' '" + scaled +
                                                          "' null: 2>&1 | sed 's/.*(\\(.*\\))/\\1/'");
    EXPECT_LT(std::atof(metric.c_str()), 0.1) << metric;
    const std::string flipped = sandbox.file("flipped.png");
    testsupport::commandOutput("convert '" + scaled + "' -flip '" + flipped + "'");
    const std::string flippedMetric = testsupport::commandOutput(
        "compare -metric RMSE '" + shot + "' '" + flipped + "' null: 2>&1 | sed 's/.*(\\(.*\\))/\\1/'");
    EXPECT_GT(std::atof(flippedMetric.c_str()), std::atof(metric.c_str()) * 2) << flippedMetric;
    EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u);
}

TEST_F(RunModeSession, TerminationSignalEndsItThroughTheNormalShutdown) {
    testsupport::RunningScreensaver copy;
    ASSERT_TRUE(copy.start(sandbox, {"--windowed", "--size", "320x240", "/s"}));
    copy.process().signal(SIGTERM);
    EXPECT_TRUE(copy.endsNormally());
}

}  // namespace
