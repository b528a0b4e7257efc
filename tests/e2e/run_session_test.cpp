// A whole Run-mode session of the real binary under Xvfb: its log in order, its exit code, the
// loading picture and the fade from black.

#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/run_support.h"

namespace {

using runtest::RunSession;

// `lines` holds `expected` as a subsequence, each line starting with its expected prefix.
::testing::AssertionResult inOrder(const std::vector<std::string>& lines,
                                   const std::vector<std::string>& expected) {
    std::size_t at = 0;
    for (const std::string& prefix : expected) {
        while (at < lines.size() && lines[at].rfind(prefix, 0) != 0) ++at;
        if (at == lines.size())
            return ::testing::AssertionFailure() << "missing or out of order: \"" << prefix << "\"";
        ++at;
    }
    return ::testing::AssertionSuccess();
}

class RunModeSession : public ::testing::Test {
protected:
    void SetUp() override {
        if (!runtest::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    }
};

TEST_F(RunModeSession, LogOfAWholeRunInOrderAndExitCode) {
    RunSession session;
    const auto result =
        runtest::runAlone(session, {"--windowed", "--size", "640x480", "--frames", "20", "--no-vsync"});
    ASSERT_FALSE(result.timedOut) << session.log();
    EXPECT_EQ(result.exitCode, 1);  // Run mode always ends the process with 1
    const std::vector<std::string> log = session.logLines();
    ASSERT_FALSE(log.empty());
    // A copy under another file name (GLIMMERDALE_RUN_EXE) is no instance of "Glimmerdale.scr".
    const bool renamed = std::getenv("GLIMMERDALE_RUN_EXE") != nullptr;
    if (!renamed) {
        EXPECT_EQ(log.front(), "gi gi");
    }
    std::vector<std::string> expected = {"gi gi",
                                         "Starting...",
                                         "Starting init OpenGL",
                                         "Creating window...",
                                         "Window is create",
                                         "Video card: ",
                                         "Vendor: ",
                                         "OpenGL version : ",
                                         "Max Texture Units: ",
                                         "VBO supported",
                                         "ARB_Occlusion_querry supported",
                                         "Occlussion querry bit: ",
                                         "Model manager init",
                                         "Old Gamma: ",
                                         "New Gamma: 1",
                                         "initializing font...",
                                         "Loading data...",
                                         "Loading models",
                                         "OpenGL initialized",
                                         "Set old Gamma: ",
                                         "Max fps: ",
                                         "Min fps: ",
                                         "Fps: "};
    if (renamed) expected.erase(expected.begin());
    EXPECT_TRUE(inOrder(log, expected)) << session.log();
    // The gamma found at start is what the end puts back, and the frame-rate lines are the last three.
    ASSERT_GE(log.size(), 4u);
    std::string oldGamma;
    for (const std::string& line : log) {
        if (line.rfind("Old Gamma: ", 0) == 0) oldGamma = line.substr(11);
    }
    EXPECT_EQ(log[log.size() - 4], "Set old Gamma: " + oldGamma);
    EXPECT_EQ(log[log.size() - 3].rfind("Max fps: ", 0), 0u);
    EXPECT_EQ(log[log.size() - 2].rfind("Min fps: ", 0), 0u);
    EXPECT_EQ(log.back().rfind("Fps: ", 0), 0u);
    // Music off: the sound system never starts.
    EXPECT_EQ(session.log().find("Sound initialized"), std::string::npos);
    EXPECT_TRUE(result.errorOutput.find("Error:") == std::string::npos) << result.errorOutput;
}

TEST_F(RunModeSession, RefusedDisplayModeStillLoadsAndShutsDownNormally) {
    RunSession session;
    // Full screen at a size the virtual screen has no mode for.
    const auto result = runtest::runAlone(session, {"--size", "1000x700", "--no-vsync"});
    ASSERT_FALSE(result.timedOut) << session.log();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errorOutput.find("Error: Display Mode Not Compatible"), std::string::npos)
        << result.errorOutput;
    EXPECT_TRUE(inOrder(session.logLines(), {"Window is create", "Loading data...", "OpenGL initialized",
                                             "Set old Gamma: ", "Max fps: ", "Min fps: ", "Fps: "}))
        << session.log();
}

TEST_F(RunModeSession, FramesZeroKeepsTheLoadingPicture) {
    const std::string reference =
        std::string(GLIMMERDALE_BINARY_DIR) + "/media/interface/Notification/loading.jpg";
    if (!std::filesystem::exists(reference)) GTEST_SKIP() << "no generated media in this build";
    RunSession session;
    const std::string shot = session.dir.file("loading.png");
    const auto result = runtest::runAlone(
        session, {"--windowed", "--size", "640x480", "--frames", "0", "--screenshot", shot});
    ASSERT_FALSE(result.timedOut);
    ASSERT_TRUE(std::filesystem::exists(shot)) << result.errorOutput;
    EXPECT_EQ(testsupport::commandOutput("identify -format '%w %h' '" + shot + "'"), "640 480");
    // The screen is the picture scaled to the window, first row at the top; only the small logo in
    // the lower-right corner differs.
    const std::string scaled = session.dir.file("reference.png");
    testsupport::commandOutput("convert '" + reference + "' -resize '640x480!' '" + scaled + "'");
    const std::string metric = testsupport::commandOutput("compare -metric RMSE '" + shot + "' '" + scaled +
                                                          "' null: 2>&1 | sed 's/.*(\\(.*\\))/\\1/'");
    EXPECT_LT(std::atof(metric.c_str()), 0.1) << metric;
    const std::string flipped = session.dir.file("flipped.png");
    testsupport::commandOutput("convert '" + scaled + "' -flip '" + flipped + "'");
    const std::string flippedMetric = testsupport::commandOutput(
        "compare -metric RMSE '" + shot + "' '" + flipped + "' null: 2>&1 | sed 's/.*(\\(.*\\))/\\1/'");
    EXPECT_GT(std::atof(flippedMetric.c_str()), std::atof(metric.c_str()) * 2) << flippedMetric;
    EXPECT_EQ(session.logLines().back().rfind("Fps: ", 0), 0u);
}

TEST_F(RunModeSession, FirstFramesComeUpFromBlack) {
    RunSession session;
    const std::string first = session.dir.file("first.png");
    const std::string later = session.dir.file("later.png");
    auto firstRun = runtest::runAlone(session, {"--windowed", "--size", "320x240", "--fixed-dt", "1",
                                                "--frames", "1", "--screenshot", first});
    auto laterRun = runtest::runAlone(session, {"--windowed", "--size", "320x240", "--fixed-dt", "1",
                                                "--frames", "90", "--screenshot", later});
    ASSERT_FALSE(firstRun.timedOut || laterRun.timedOut);
    const double firstMean = runtest::meanBrightness(first);
    const double laterMean = runtest::meanBrightness(later);
    ASSERT_GE(firstMean, 0.0) << firstRun.errorOutput;
    ASSERT_GE(laterMean, 0.0) << laterRun.errorOutput;
    // Only what is drawn over the fade (the countdown) may show on the first frame.
    EXPECT_LT(firstMean, 0.1);
    EXPECT_GE(laterMean + 1e-3, firstMean);
}

}  // namespace
