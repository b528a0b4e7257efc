// A repeatable run draws the same picture on Linux and on Windows: the Linux build and the Windows
// build under Wine (the same Mesa renderer behind both), on the mantel with its clock, candle flames
// and light chain, agree to the pixel. The random numbers, the frame steps and the local clock are
// the program's own in both.

#include <gtest/gtest.h>

#include "support/screensaver.h"

namespace {

using testsupport::Build;
using testsupport::ScreensaverSandbox;

TEST(WineSamePictures, ARepeatableFrameIsTheSameOnLinuxAndWindows) {
    const std::vector<std::string> run = {
        "--windowed",          "--size",   "1024x768", "--fixed-dt",   "1",   "--seed",   "1",  "--time",
        "2026-12-20 21:00:00", "--camera", "1",        "--camera-key", "150", "--frames", "70", "--no-music",
        "--screenshot"};
    const testsupport::TempDir pictures("gdsame");
    std::string shots[2];
    for (const Build build : {Build::Windows, Build::Linux}) {
        const ScreensaverSandbox sandbox(build);
        sandbox.storeSettings(testsupport::defaultSettings());
        std::string& shot = shots[build == Build::Linux];
        shot = pictures.file(std::string(testsupport::buildName(build)) + ".png");
        std::vector<std::string> args = run;
        args.insert(args.end(), {shot, "/s"});
        const auto result = sandbox.run(args);
        ASSERT_FALSE(result.timedOut) << sandbox.log();
        ASSERT_EQ(testsupport::pictureSize(shot), "1024 768") << result.errorOutput;
    }
    // The count of pixels that differ at all.
    const std::string differing = testsupport::trimmed(
        testsupport::commandOutput("compare -metric AE '" + shots[0] + "' '" + shots[1] + "' null: 2>&1"));
    EXPECT_EQ(differing, "0");
}

}  // namespace
