// The room drawn by the real binary under Xvfb: 600 frames with a fixed frame step, a picture half
// way and one at the end. Neither is blank; when the media hold the room, the camera and particles
// have moved between the two.

#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/run_support.h"

namespace {

using runtest::RunSession;

bool roomInMedia() {
    return std::filesystem::exists(std::string(GLIMMERDALE_BINARY_DIR) + "/media/main/Models/test.BSS");
}

// The number of pixels that differ between two pictures, through ImageMagick; -1 when unreadable.
long differingPixels(const std::string& a, const std::string& b) {
    const std::string out =
        testsupport::commandOutput("compare -metric AE '" + a + "' '" + b + "' null: 2>&1 >/dev/null");
    if (out.empty()) return -1;
    return std::atol(out.c_str());
}

TEST(SceneRun, SixHundredFramesShowAPictureThatMoves) {
    if (!runtest::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    RunSession session;
    const std::string middle = session.dir.file("frame300.png");
    const std::string end = session.dir.file("frame600.png");
    const std::vector<std::string> common = {"--windowed", "--size", "320x240",  "--fixed-dt", "1",
                                             "--seed",     "3",      "--camera", "0",          "--no-vsync"};
    std::vector<std::string> first = common, second = common;
    first.insert(first.end(), {"--frames", "300", "--screenshot", middle});
    second.insert(second.end(), {"--frames", "600", "--screenshot", end});
    const auto firstRun = runtest::runAlone(session, first, std::chrono::seconds(240));
    ASSERT_FALSE(firstRun.timedOut) << session.log();
    const auto secondRun = runtest::runAlone(session, second, std::chrono::seconds(240));
    ASSERT_FALSE(secondRun.timedOut) << session.log();
    EXPECT_EQ(secondRun.exitCode, 1) << secondRun.errorOutput;
    EXPECT_EQ(session.logLines().back().rfind("Fps: ", 0), 0u) << session.log();
    EXPECT_EQ(session.log().find("Scene file damaged"), std::string::npos) << session.log();

    const double middleMean = runtest::meanBrightness(middle);
    const double endMean = runtest::meanBrightness(end);
    ASSERT_GE(middleMean, 0.0) << firstRun.errorOutput;
    ASSERT_GE(endMean, 0.0) << secondRun.errorOutput;
    EXPECT_GT(middleMean, 0.002);
    EXPECT_GT(endMean, 0.002);
    if (!roomInMedia()) {
        std::printf("no Models/test.BSS in this build's media: only the overlay was checked\n");
        return;
    }
    const long changed = differingPixels(middle, end);
    ASSERT_GE(changed, 0);
    EXPECT_GT(changed, 320 * 240 / 50) << "frames 300 and 600 look the same";
}

// A still camera on the mantel: 60 frames later the picture is nearly the same (flames, snow and
// the clock overlay move; the room does not), while a camera path moves the whole picture.
TEST(SceneRun, StillCameraKeepsItsView) {
    if (!runtest::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    if (!roomInMedia()) GTEST_SKIP() << "no Models/test.BSS in this build's media";
    RunSession session;
    const std::vector<std::string> still = {"--windowed", "--size",     "320x240",     "--fixed-dt",
                                            "1",          "--no-vsync", "--look-from", "0,120,170",
                                            "--look-at",  "0,241,140",  "--fov",       "50"};
    std::vector<std::string> shots;
    // Both after the fade-in of the first 70 or so frames.
    for (const char* frames : {"100", "160"}) {
        shots.push_back(session.dir.file(std::string("still") + frames + ".png"));
        std::vector<std::string> args = still;
        args.insert(args.end(), {"--frames", frames, "--screenshot", shots.back()});
        const auto run = runtest::runAlone(session, args, std::chrono::seconds(240));
        ASSERT_FALSE(run.timedOut) << session.log();
        EXPECT_EQ(run.exitCode, 1) << run.errorOutput;
        ASSERT_GT(runtest::meanBrightness(shots.back()), 0.002) << run.errorOutput;
    }
    const long changed = differingPixels(shots[0], shots[1]);
    ASSERT_GE(changed, 0);
    EXPECT_LT(changed, 320 * 240 / 10) << "the still camera moved";
}

}  // namespace
