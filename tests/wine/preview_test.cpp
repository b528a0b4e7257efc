// Preview mode under Wine. Inside a host window of another process: the dialog covers the host
// with its picture control and the program ends when the host window goes away (Wine does not show
// windows of one process inside another's, so the host checks the windows rather than the pixels).
// In its own window: the preview picture on screen, and Alt+F4 ends it.

#include <gtest/gtest.h>

#include <thread>

#include "support/screensaver.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScreensaverSandbox;

TEST(WinePreview, InsideAHostWindowItFillsTheHostAndEndsWithIt) {
    ScreensaverSandbox sandbox;
    const std::string host = testsupport::requiredPath("GLIMMERDALE_PREVIEW_HOST");
    const auto result = testsupport::runProcess(
        testsupport::wineRequest(host, {"gd-wine.scr", "60000"}, sandbox.path()), 120s);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    const std::string out = result.output;
    EXPECT_NE(out.find("dialog 0 0 152 112"), std::string::npos) << out;
    EXPECT_NE(out.find("picture 152 112 bitmap"), std::string::npos) << out;
    EXPECT_NE(out.find("ended 0"), std::string::npos) << out;
    const std::string hostNumber =
        testsupport::trimmed(out.substr(5, out.find('\n') - 5));  // "host <number>"
    EXPECT_EQ(sandbox.logLines(),
              (std::vector<std::string>{"Data.pak not found", "Base.rar not found", hostNumber,
                                        "Creating window...", "Window is create", "OpenGL initialized"}));
}

TEST(WinePreview, InItsOwnWindowItShowsThePictureAndEndsWhenClosed) {
    ScreensaverSandbox sandbox;
    testsupport::BackgroundProcess process;
    ASSERT_TRUE(process.start(sandbox.request({"/p"})));
    const std::string window = testsupport::windowNamed("Glimmerdale");
    ASSERT_FALSE(window.empty()) << sandbox.log();
    ASSERT_TRUE(testsupport::waitUntil([&] { return sandbox.logHas("OpenGL initialized"); }, 30s));
    std::this_thread::sleep_for(1s);
    const std::string shot = sandbox.file("own.png");
    testsupport::commandOutput("import -window " + window + " '" + shot + "'");
    EXPECT_EQ(testsupport::pictureSize(shot), "158 117");
    // The same picture as bitmap 144, scaled the same way: nearly equal everywhere.
    const std::string expected = sandbox.file("expected.png");
    testsupport::commandOutput("convert '" + testsupport::requiredPath("GLIMMERDALE_MEDIA_DIR") +
                               "/resources/BITMAP_144.bmp' -filter point -resize '158x117!' '" + expected +
                               "'");
    const std::string difference = testsupport::commandOutput(
        "compare -metric RMSE '" + shot + "' '" + expected + "' null: 2>&1 | sed 's/.*(\\(.*\\))/\\1/'");
    EXPECT_LT(std::atof(difference.c_str()), 0.05) << difference;

    testsupport::xdotool("key --window " + window + " alt+F4");
    testsupport::ProcessResult result;
    ASSERT_TRUE(process.waitForExit(result, 30s)) << sandbox.log();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(sandbox.logLines().at(2), "0");  // no host window
}

}  // namespace
