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
    const std::vector<std::string> common = {"--windowed", "--size", "320x240", "--fixed-dt", "1",
                                             "--seed", "3", "--camera", "0", "--no-vsync"};
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

}  // namespace
