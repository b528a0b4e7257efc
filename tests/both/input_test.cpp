// The ways out of Run mode through real X input, the same on Linux and on Windows: any key but the
// space bar and the system keys (Alt held, F10), a left click but not a right one, and with the
// option "Exit on mouse move" a jump of more than 30 pixels between two frames but not a slow
// movement; without the option a jump does nothing.

#include <gtest/gtest.h>

#include "support/screensaver.h"
#include "support/x_server.h"

namespace {

using testsupport::RunningScreensaver;
using testsupport::ScreensaverSandbox;

class RunModeInput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        if (testsupport::commandOutput("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
        // The Linux build on an X server of its own, where no other test's window takes the clicks.
        // (Wine's windows live on the desktop of the Wine session's server.)
        if (sandbox.build() == testsupport::Build::Linux) {
            ASSERT_TRUE(x.start(640, 480));
        }
    }

    // Starts a copy in a 320 x 240 window at the top-left corner, with the mouse option given.
    void start(bool exitOnMouseMove) {
        sandbox.storeSettings(testsupport::quietSettings({{"ExitMM:", exitOnMouseMove ? 1 : 0}}));
        ASSERT_TRUE(copy.start(sandbox, {"--windowed", "--size", "320x240", "/s"}, x.display()));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // a few frames
    }

    testsupport::PrivateXServer x;
    ScreensaverSandbox sandbox;
    RunningScreensaver copy;
};

TEST_F(RunModeInput, SpaceSystemKeysARightClickAndAJumpWithoutTheOptionRunOnEscapeEndsIt) {
    start(false);
    copy.keys("space");
    EXPECT_TRUE(copy.stillRunningAfterASecond()) << "the space bar ended it";
    copy.keys("alt+x");
    copy.keys("F10");
    EXPECT_TRUE(copy.stillRunningAfterASecond()) << "a system key ended it";
    copy.xdotool("mousemove --window {} 160 120");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    copy.xdotool("click 3");
    EXPECT_TRUE(copy.stillRunningAfterASecond()) << "a right click ended it";
    copy.xdotool("mousemove_relative -- 200 150");
    EXPECT_TRUE(copy.stillRunningAfterASecond()) << "a jump ended it without the option";
    copy.keys("Escape");
    EXPECT_TRUE(copy.endsNormally());
}

TEST_F(RunModeInput, OtherKeysAndALeftClickEndIt) {
    // The pointer is over the window a moment before the click, as a hand would put it.
    const std::vector<std::vector<std::string>> endings = {
        {"key --window {} Left"}, {"key --window {} q"}, {"mousemove --window {} 160 120", "click 1"}};
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.back());
        start(false);
        for (const std::string& step : ending) {
            copy.xdotool(step);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        EXPECT_TRUE(copy.endsNormally());
    }
}

TEST_F(RunModeInput, WithTheOptionASlowMovementRunsOnAndAJumpEndsIt) {
    start(true);
    // 20 pixels in all, one every 50 ms: even if a slow frame (a sanitizer build, a busy machine)
    // sees all of them at once, the jump between two frames stays under 30.
    for (int step = 0; step < 20; ++step) {
        copy.xdotool("mousemove_relative -- 1 0");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(copy.stillRunningAfterASecond()) << "a slow movement ended it";
    copy.xdotool("mousemove_relative -- 31 0");
    EXPECT_TRUE(copy.endsNormally());
}

}  // namespace
