// Ways out of the running screensaver, through real X input (xdotool under Xvfb): any key but the
// space bar and system keys, a left click (not a right one), and with ExitMM a jump of more than 30
// pixels between two frames (not a slow movement).

#include <gtest/gtest.h>

#include <thread>

#include "e2e/run_support.h"

namespace {

using namespace std::chrono_literals;
using runtest::RunSession;

class RunModeInput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!runtest::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        if (testsupport::commandOutput("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    }

    // Starts the screensaver in a 640 x 480 window at the top-left corner and waits for its loop.
    void start(const runtest::RunSettings& settings) {
        session = std::make_unique<RunSession>(settings);
        for (int attempt = 0; attempt < 60; ++attempt) {
            ASSERT_TRUE(process.start(session->request({"--windowed", "--size", "640x480"})));
            ASSERT_TRUE(testsupport::waitUntil([&] { return session->looping() || !process.running(); }, 90s))
                << session->log();
            if (process.running() || !runtest::wasSecondCopy(process.collect(), *session)) break;
            std::this_thread::sleep_for(1s);  // another copy runs elsewhere on this machine
        }
        ASSERT_TRUE(process.running()) << session->log() << process.errorOutput();
        window = testsupport::commandOutput("xdotool search --sync --pid " + std::to_string(process.pid()) +
                                            " 2>/dev/null | head -1");
        while (!window.empty() && (window.back() == '\n')) window.pop_back();
        ASSERT_FALSE(window.empty());
        std::this_thread::sleep_for(300ms);  // a few frames
    }
    void xdotool(const std::string& arguments) {
        testsupport::commandOutput("xdotool " + arguments + " 2>/dev/null");
    }
    // Still running after a second of frames.
    bool stillRunning() {
        std::this_thread::sleep_for(1s);
        return process.running();
    }
    // Ends within the time limit, through the normal shutdown (the frame-rate lines are written).
    void expectEndsNormally() {
        testsupport::ProcessResult result;
        ASSERT_TRUE(process.waitForExit(result, 30s)) << session->log();
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(session->logLines().back().rfind("Fps: ", 0), 0u) << session->log();
    }

    std::unique_ptr<RunSession> session;
    testsupport::BackgroundProcess process;
    std::string window;
};

TEST_F(RunModeInput, SpaceAndSystemKeysDoNotEndItAnyOtherKeyDoes) {
    start({});
    xdotool("key --window " + window + " space");
    EXPECT_TRUE(stillRunning());
    xdotool("key --window " + window + " alt+x");
    xdotool("key --window " + window + " F10");
    EXPECT_TRUE(stillRunning());
    xdotool("key --window " + window + " Escape");
    expectEndsNormally();
}

TEST_F(RunModeInput, ArrowKeyEndsIt) {
    start({});
    xdotool("key --window " + window + " Left");
    expectEndsNormally();
}

TEST_F(RunModeInput, RightClickDoesNotEndItLeftClickDoes) {
    start({});
    // Over the window (without ExitMM a move does nothing).
    xdotool("mousemove 320 240");
    xdotool("click 3");
    EXPECT_TRUE(stillRunning());
    xdotool("click 1");
    expectEndsNormally();
}

TEST_F(RunModeInput, WithExitMMSlowMovementRunsOnAndAJumpEndsIt) {
    runtest::RunSettings settings;
    settings.exitOnMouseMove = true;
    start(settings);
    // 20 pixels in all, one every 50 ms: even if a slow frame (a sanitizer build, a busy machine)
    // sees all of them at once, the jump between two frames stays under 30.
    testsupport::commandOutput("for i in $(seq 20); do xdotool mousemove_relative -- 1 0; sleep 0.05; done");
    EXPECT_TRUE(stillRunning()) << session->log();
    xdotool("mousemove_relative -- 31 0");
    expectEndsNormally();
}

TEST_F(RunModeInput, WithoutExitMMAJumpDoesNothing) {
    start({});
    xdotool("mousemove_relative -- 200 150");
    EXPECT_TRUE(stillRunning());
    xdotool("key --window " + window + " q");
    expectEndsNormally();
}

TEST_F(RunModeInput, TerminationSignalEndsItThroughTheNormalShutdown) {
    start({});
    process.signal(SIGTERM);
    expectEndsNormally();
}

}  // namespace
