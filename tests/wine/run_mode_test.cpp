// Run mode of the Windows build under Wine where Windows differs from Linux (what both builds do is
// in tests/both/run_mode_test.cpp): the X11 spellings of XScreenSaver mean nothing there.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/screensaver.h"

namespace {

using testsupport::containsInOrder;
using testsupport::ScreensaverSandbox;

class WineRunMode : public ::testing::Test {
protected:
    void SetUp() override { sandbox.storeSettings(testsupport::defaultSettings()); }

    ScreensaverSandbox sandbox;
};

// XScreenSaver's spellings are X11 ideas too: on Windows "-fps" is a switch like any other (Run), and
// XSCREENSAVER_WINDOW in the environment names no window to draw into.
TEST_F(WineRunMode, XScreenSaversSpellingsAreOrdinarySwitches) {
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
