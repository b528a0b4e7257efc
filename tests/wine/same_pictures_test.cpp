// A repeatable run draws the same picture on Linux and on Windows: the Linux build and the Windows
// build under Wine (the same Mesa renderer behind both), on the mantel with its clock, candle flames
// and light chain, agree to the pixel. The random numbers, the frame steps and the local clock are
// the program's own in both.

#include <gtest/gtest.h>

#include "wine/wine_support.h"

namespace {

using namespace std::chrono_literals;

TEST(WineSamePictures, ARepeatableFrameIsTheSameOnLinuxAndWindows) {
    const std::string linuxProgram = winetest::requiredPath("GLIMMERDALE_LINUX_EXE");
    const std::vector<std::string> run = {
        "--windowed",          "--size",   "1024x768", "--fixed-dt",   "1",   "--seed",   "1",  "--time",
        "2026-12-20 21:00:00", "--camera", "1",        "--camera-key", "150", "--frames", "70", "--no-music",
        "--screenshot"};
    winetest::storeDefaultSettings();
    winetest::WineSandbox windows;
    std::vector<std::string> args = run;
    args.insert(args.end(), {windows.file("windows.png"), "/s"});
    const auto windowsRun = windows.run(args);
    ASSERT_FALSE(windowsRun.timedOut) << windows.log();

    testsupport::ProcessRequest request;
    request.program = linuxProgram;
    request.args = {"--config-dir", windows.path()};
    request.args.insert(request.args.end(), run.begin(), run.end());
    request.args.insert(request.args.end(), {windows.file("linux.png"), "/s"});
    request.cwd = windows.path();
    request.env["SDL_AUDIODRIVER"] = "dummy";
    request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
    const auto linuxRun = testsupport::runProcess(request, 180s);
    ASSERT_FALSE(linuxRun.timedOut) << linuxRun.errorOutput;

    ASSERT_EQ(winetest::pictureSize(windows.file("windows.png")), "1024 768") << windowsRun.errorOutput;
    ASSERT_EQ(winetest::pictureSize(windows.file("linux.png")), "1024 768") << linuxRun.errorOutput;
    // The count of pixels that differ at all.
    const std::string differing =
        winetest::trimmed(testsupport::commandOutput("compare -metric AE '" + windows.file("linux.png") +
                                                     "' '" + windows.file("windows.png") + "' null: 2>&1"));
    EXPECT_EQ(differing, "0");
}

}  // namespace
