// The entry sequence of the real executable: options, exit codes, the log and the first start.

#include <gtest/gtest.h>

#include "support/process.h"
#include "support/screensaver.h"

namespace {

using testsupport::containsInOrder;
using testsupport::readTextFile;
using testsupport::runProcess;
using testsupport::ScreensaverSandbox;

TEST(Entry, HelpPrintsTheOptionsAndExitsZeroWithoutALog) {
    ScreensaverSandbox sandbox;
    const auto result = runProcess(sandbox.request({"--help"}));
    EXPECT_EQ(result.exitCode, 0);
    for (const char* option : {"/s", "/p ID", "--windowed", "--time", "--config-dir", "--help"})
        EXPECT_NE(result.output.find(option), std::string::npos) << option;
    EXPECT_FALSE(std::filesystem::exists(sandbox.file("Log.txt")));
}

TEST(Entry, BadLongOptionsAreRefusedBeforeAnythingRuns) {
    ScreensaverSandbox sandbox;
    auto result = runProcess(sandbox.request({"/s", "--frames", "many"}));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.errorOutput.find("--frames"), std::string::npos) << result.errorOutput;
    result = runProcess(sandbox.request({"--no-such-option"}));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.errorOutput.find("unknown option --no-such-option"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(sandbox.file("Log.txt")));
}

TEST(Entry, PreviewWithoutADisplayFailsAndTheProgramReturnsOne) {
    ScreensaverSandbox sandbox;
    {
        std::ofstream old(sandbox.file("Log.txt"));
        old << "a line from an earlier run\n";
    }
    const auto result = runProcess(sandbox.request({"/p"}));
    EXPECT_EQ(result.exitCode, 1);
    const auto lines = sandbox.logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_FALSE(sandbox.logHas("a line from an earlier run"));
    EXPECT_TRUE(containsInOrder(lines, {"0", "Creating window...", "Create Window failed!"}))
        << sandbox.log();
    EXPECT_EQ(lines.back(), "Create Window failed!");
}

TEST(Entry, ConfigureIsTheModeWithoutASwitchAndEndsWithOne) {
    ScreensaverSandbox sandbox;
    // Configure mode must not block without a display (no dialog can open there).
    const auto result = runProcess(sandbox.request({"foo", "bar"}), std::chrono::seconds(30));
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(sandbox.logHas("Creating window..."));
}

TEST(Entry, FirstStartWritesTheDefaultSettings) {
    ScreensaverSandbox sandbox;
    const std::string configDir = sandbox.file("my settings");
    const auto result = runProcess(sandbox.request({"--config-dir", configDir, "/p"}));
    EXPECT_EQ(result.exitCode, 1);
    const std::string stored = readTextFile(configDir + "/settings.reg");
    EXPECT_NE(stored.find("[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]"), std::string::npos)
        << stored;
    EXPECT_NE(stored.find("\"Resolution:\"=dword:00000001"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"Music volume:\"=dword:00000028"), std::string::npos) << stored;
    // Without --config-dir the file goes under $XDG_CONFIG_HOME.
    const auto second = runProcess(sandbox.request({"/p"}));
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(sandbox.file("config/glimmerdale/settings.reg")));
}

TEST(Entry, ALogThatCannotBeCreatedLosesOnlyTheLog) {
    ScreensaverSandbox sandbox;
    // A folder in the way of Log.txt: the log cannot open, even for root.
    std::filesystem::create_directory(sandbox.file("Log.txt"));
    const auto result = runProcess(sandbox.request({"--config-dir", sandbox.file("cfg"), "/p"}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.signal, 0);
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.file("Log.txt")));
    EXPECT_TRUE(std::filesystem::exists(sandbox.file("cfg/settings.reg")));  // the rest ran on
}

}  // namespace
