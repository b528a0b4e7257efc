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
    const auto result = runProcess(sandbox.request({"--help"}, testsupport::kNoDisplay));
    EXPECT_EQ(result.exitCode, 0);
    for (const char* option : {"/s", "/p ID", "--windowed", "--time", "--config-dir", "--help"})
        EXPECT_NE(result.output.find(option), std::string::npos) << option;
    EXPECT_FALSE(std::filesystem::exists(sandbox.file("Log.txt")));
}

TEST(Entry, BadLongOptionsAreRefusedBeforeAnythingRuns) {
    ScreensaverSandbox sandbox;
    auto result = runProcess(sandbox.request({"/s", "--frames", "many"}, testsupport::kNoDisplay));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.errorOutput.find("--frames"), std::string::npos) << result.errorOutput;
    result = runProcess(sandbox.request({"--no-such-option"}, testsupport::kNoDisplay));
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
    const auto result = sandbox.runAlone(sandbox.request({"/p"}, testsupport::kNoDisplay));
    EXPECT_EQ(result.exitCode, 1);
    const auto lines = sandbox.logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_FALSE(sandbox.logHas("a line from an earlier run"));
    EXPECT_TRUE(containsInOrder(lines, {"0", "Creating window...", "Create Window failed!"}))
        << sandbox.log();
    EXPECT_EQ(lines.back(), "Create Window failed!");
}

// Configure mode, whichever way it is asked for, without a display: the options dialog says on
// stderr and in the log that it needs one, draws nothing, and the program ends with 1.
TEST(Entry, NoSwitchAndTheConfigureSwitchGiveConfigureModeWhichNeedsADisplay) {
    const std::vector<std::string> commandLines[] = {{},     {"foo", "bar"}, {"/c"},
                                                     {"-C"}, {"/c:1234"},    {"my-config", "/s"}};
    for (const auto& args : commandLines) {
        std::string shown;
        for (const std::string& arg : args) shown += " " + arg;
        SCOPED_TRACE("command line:" + shown);
        ScreensaverSandbox sandbox;
        const auto result =
            sandbox.runAlone(sandbox.request(args, testsupport::kNoDisplay), std::chrono::seconds(30));
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.errorOutput.find("the options dialog needs a display: DISPLAY is not set"),
                  std::string::npos)
            << result.errorOutput;
        EXPECT_TRUE(sandbox.logHas("Options dialog: no display (DISPLAY is not set)")) << sandbox.log();
        EXPECT_FALSE(sandbox.logHas("Creating window...")) << sandbox.log();
    }
}

TEST(Entry, FirstStartWritesTheDefaultSettings) {
    ScreensaverSandbox sandbox;
    const std::string configDir = sandbox.file("my settings");
    const auto result =
        sandbox.runAlone(sandbox.request({"--config-dir", configDir, "/p"}, testsupport::kNoDisplay));
    EXPECT_EQ(result.exitCode, 1);
    const std::string stored = readTextFile(configDir + "/settings.reg");
    EXPECT_NE(stored.find("[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]"), std::string::npos)
        << stored;
    EXPECT_NE(stored.find("\"Resolution:\"=dword:00000001"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"Music volume:\"=dword:00000028"), std::string::npos) << stored;
    // Without --config-dir the file goes under $XDG_CONFIG_HOME.
    const auto second = sandbox.runAlone(sandbox.request({"/p"}, testsupport::kNoDisplay));
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(sandbox.file("config/glimmerdale/settings.reg")));
}

TEST(Entry, ALogThatCannotBeCreatedLosesOnlyTheLog) {
    ScreensaverSandbox sandbox;
    // A folder in the way of Log.txt: the log cannot open, even for root.
    std::filesystem::create_directory(sandbox.file("Log.txt"));
    const auto result = sandbox.runAlone(
        sandbox.request({"--config-dir", sandbox.file("cfg"), "/p"}, testsupport::kNoDisplay));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.signal, 0);
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.file("Log.txt")));
    EXPECT_TRUE(std::filesystem::exists(sandbox.file("cfg/settings.reg")));  // the rest ran on
}

}  // namespace
