// One copy at a time under Wine: a second Glimmerdale.scr logs "gi gi" twice and exits with 0, and
// the first runs on. (Only the prefix's own processes count there, so no other copy on the machine
// gets in the way.)

#include <gtest/gtest.h>

#include "support/screensaver.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScreensaverSandbox;

TEST(WineSingleInstance, ASecondCopyLogsTwiceAndExitsZero) {
    ScreensaverSandbox first("Glimmerdale.scr");
    first.storeSettings(testsupport::settingsWith({{"ExitMM:", 0}}));
    testsupport::RunningScreensaver running;
    ASSERT_TRUE(running.start(first, {"--windowed", "--size", "320x240", "/s"}));
    EXPECT_EQ(first.logLines().front(), "gi gi");
    EXPECT_NE(first.logLines()[1], "gi gi");
    ScreensaverSandbox second("Glimmerdale.scr");
    const auto result = second.run({"/s"}, 60s);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(second.logLines(), (std::vector<std::string>{"gi gi", "gi gi"}));
    EXPECT_TRUE(running.process().running());
    running.keys("Escape");
    EXPECT_TRUE(running.endsNormally());
}

}  // namespace
