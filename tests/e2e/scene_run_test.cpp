// The room drawn by the real binary under Xvfb: a camera path that moves, a still camera that
// does not, a fixed view whose tree and fire stand where they belong, and the headless run of
// scripts/run.sh, whose picture does not depend on how fast the machine is.

#include <gtest/gtest.h>

#include <signal.h>

#include <array>
#include <filesystem>

#include "support/screensaver.h"

namespace {

using testsupport::ScreensaverSandbox;

bool roomInMedia() {
    return std::filesystem::exists(std::string(GLIMMERDALE_BINARY_DIR) + "/media/main/Models/test.BSS");
}

std::vector<std::string> withRunSwitch(std::vector<std::string> args) {
    args.push_back("/s");
    return args;
}

testsupport::ProcessResult runOnce(const ScreensaverSandbox& sandbox, const std::vector<std::string>& args,
                                   std::chrono::seconds limit) {
    return sandbox.run(withRunSwitch(args), limit);
}

// The number of pixels that differ between two pictures, through ImageMagick; -1 when unreadable.
long differingPixels(const std::string& a, const std::string& b) {
    const std::string out =
        testsupport::commandOutput("compare -metric AE '" + a + "' '" + b + "' null: 2>&1 >/dev/null");
    if (out.empty()) return -1;
    return std::atol(out.c_str());
}

TEST(SceneRun, SixHundredFramesShowAPictureThatMoves) {
    if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    const ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    const std::string middle = sandbox.file("frame300.png");
    const std::string end = sandbox.file("frame600.png");
    const std::vector<std::string> common = {"--windowed", "--size", "320x240",  "--fixed-dt", "1",
                                             "--seed",     "3",      "--camera", "0",          "--no-vsync"};
    std::vector<std::string> first = common, second = common;
    first.insert(first.end(), {"--frames", "300", "--screenshot", middle});
    second.insert(second.end(), {"--frames", "600", "--screenshot", end});
    const auto firstRun = runOnce(sandbox, first, std::chrono::seconds(240));
    ASSERT_FALSE(firstRun.timedOut) << sandbox.log();
    const auto secondRun = runOnce(sandbox, second, std::chrono::seconds(240));
    ASSERT_FALSE(secondRun.timedOut) << sandbox.log();
    EXPECT_EQ(secondRun.exitCode, 1) << secondRun.errorOutput;
    EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u) << sandbox.log();
    EXPECT_EQ(sandbox.log().find("Scene file damaged"), std::string::npos) << sandbox.log();

    const double middleMean = testsupport::meanBrightness(middle);
    const double endMean = testsupport::meanBrightness(end);
    ASSERT_GE(middleMean, 0.0) << firstRun.errorOutput;
    ASSERT_GE(endMean, 0.0) << secondRun.errorOutput;
    EXPECT_GT(middleMean, 0.002);
    EXPECT_GT(endMean, 0.002);
    ASSERT_TRUE(roomInMedia()) << "no Models/test.BSS in this build's media";
    const long changed = differingPixels(middle, end);
    ASSERT_GE(changed, 0);
    EXPECT_GT(changed, 320 * 240 / 50) << "frames 300 and 600 look the same";
}

// A still camera on the mantel: 60 frames later the picture is nearly the same (flames, snow and
// the clock overlay move; the room does not), while a camera path moves the whole picture.
TEST(SceneRun, StillCameraKeepsItsView) {
    if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    ASSERT_TRUE(roomInMedia()) << "no Models/test.BSS in this build's media";
    const ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    const std::vector<std::string> still = {"--windowed", "--size",     "320x240",     "--fixed-dt",
                                            "1",          "--no-vsync", "--look-from", "0,120,170",
                                            "--look-at",  "0,241,140",  "--fov",       "50"};
    std::vector<std::string> shots;
    // Both after the fade-in of the first 70 or so frames.
    for (const char* frames : {"100", "160"}) {
        shots.push_back(sandbox.file(std::string("still") + frames + ".png"));
        std::vector<std::string> args = still;
        args.insert(args.end(), {"--frames", frames, "--screenshot", shots.back()});
        const auto run = runOnce(sandbox, args, std::chrono::seconds(240));
        ASSERT_FALSE(run.timedOut) << sandbox.log();
        EXPECT_EQ(run.exitCode, 1) << run.errorOutput;
        ASSERT_GT(testsupport::meanBrightness(shots.back()), 0.002) << run.errorOutput;
    }
    const long changed = differingPixels(shots[0], shots[1]);
    ASSERT_GE(changed, 0);
    EXPECT_LT(changed, 320 * 240 / 10) << "the still camera moved";
}

// A fixed view from the rug's corner towards the fireplace and the tree, after the fade-in: the fire
// burns orange in its box on the left and the fir stands green on the right.
TEST(SceneRun, FixedViewShowsTheFireAndTheTreeWhereTheyStand) {
    if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    ASSERT_TRUE(roomInMedia()) << "no Models/test.BSS in this build's media";
    const ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    const std::string shot = sandbox.file("fixed.png");
    const auto run =
        runOnce(sandbox,
                {"--windowed", "--size", "320x240", "--fixed-dt", "1", "--no-vsync", "--look-from",
                 "-50,-250,120", "--look-at", "110,190,50", "--frames", "100", "--screenshot", shot},
                std::chrono::seconds(240));
    ASSERT_FALSE(run.timedOut) << sandbox.log();
    EXPECT_EQ(run.exitCode, 1) << run.errorOutput;

    const auto fire = testsupport::meanColour(shot, 75, 127, 25, 13);  // the flames on the grate
    ASSERT_GE(fire.red, 0.0) << run.errorOutput;
    EXPECT_GT(fire.red, 0.35) << "the fire is not bright";
    EXPECT_GT(fire.red, 1.5 * fire.green) << "the fire is not orange";
    EXPECT_GT(fire.green, 1.5 * fire.blue) << "the fire is not orange";

    const auto tree = testsupport::meanColour(shot, 215, 85, 60, 45);  // the middle of the fir's crown
    EXPECT_GT(tree.green, 0.2) << "the tree is dark";
    EXPECT_GT(tree.green, 1.3 * tree.red) << "the tree is not green";
    EXPECT_GT(tree.green, 1.3 * tree.blue) << "the tree is not green";
}

// scripts/run.sh without a display: a fixed number of frames at a fixed step and camera order. A run
// held up again and again (a cold, busy machine) ends on the same picture as one that ran straight
// through, with the fade from black long over.
TEST(SceneRun, HeadlessRunPictureDoesNotDependOnTheMachinesSpeed) {
    if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    ASSERT_TRUE(roomInMedia()) << "no Models/test.BSS in this build's media";
    const ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    const auto arguments = [&](const std::string& shot) {
        return std::vector<std::string>{"--windowed",
                                        "--size",
                                        "320x240",
                                        "--frames",
                                        "150",
                                        "--fixed-dt",
                                        "1",
                                        "--seed",
                                        "1",
                                        "--no-vsync",
                                        "--time",
                                        "2026-12-24 18:00:00",
                                        "--screenshot",
                                        shot};
    };
    const std::string straight = sandbox.file("straight.png");
    const auto first = runOnce(sandbox, arguments(straight), std::chrono::seconds(240));
    ASSERT_FALSE(first.timedOut) << sandbox.log();

    const std::string held = sandbox.file("held.png");
    testsupport::BackgroundProcess process;
    ASSERT_TRUE(process.start(sandbox.request(withRunSwitch(arguments(held)))));
    testsupport::ProcessResult second;
    // Stopped for half a second out of every second: through the loading and the frames alike.
    for (int pause = 0; pause < 240 && !process.waitForExit(second, std::chrono::milliseconds(500));
         ++pause) {
        process.signal(SIGSTOP);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        process.signal(SIGCONT);
    }
    ASSERT_FALSE(process.running()) << "the held run did not end";
    ASSERT_EQ(second.exitCode, 1) << second.errorOutput;

    EXPECT_GT(testsupport::meanBrightness(straight), 0.08) << "the picture is still dark from the fade";
    // The overlay's clock and countdown along the bottom follow the wall clock; the room above does not.
    const std::string crop = " -crop 320x190+0+0 +repage ";
    const std::string out = testsupport::commandOutput(
        "convert '" + straight + "'" + crop + "'" + sandbox.file("a.png") + "' && convert '" + held + "'" +
        crop + "'" + sandbox.file("b.png") + "' && compare -metric AE -fuzz 2% '" + sandbox.file("a.png") +
        "' '" + sandbox.file("b.png") + "' null: 2>&1 >/dev/null");
    ASSERT_FALSE(out.empty());
    EXPECT_LT(std::atol(out.c_str()), 320 * 190 / 200) << "the held run ended on another picture";
}

}  // namespace
