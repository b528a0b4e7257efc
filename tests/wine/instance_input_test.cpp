// One copy at a time, and the ways out of Run mode through real X input on the Wine window: any key
// but the space bar and system keys, a left click but not a right one.

#include <gtest/gtest.h>

#include <thread>

#include "wine/wine_support.h"

namespace {

using namespace std::chrono_literals;
using winetest::WineSandbox;

class WineRunning : public ::testing::Test {
protected:
    // Starts a copy in a 320 x 240 window and waits for its frame loop.
    void start(const std::string& fileName = "gd-wine.scr") {
        winetest::storeDefaultSettings();
        winetest::setSetting("ExitMM:", 0);  // a mouse moved by the test must not end it
        sandbox_ = std::make_unique<WineSandbox>(fileName);
        ASSERT_TRUE(process_.start(sandbox_->request({"--windowed", "--size", "320x240", "/s"})));
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return sandbox_->logHas("OpenGL initialized") || !process_.running(); }, 120s))
            << sandbox_->log();
        ASSERT_TRUE(process_.running()) << sandbox_->log() << process_.errorOutput();
        window_ = winetest::windowNamed("Glimmerdale");
        ASSERT_FALSE(window_.empty());
        std::this_thread::sleep_for(500ms);  // a few frames
    }
    bool stillRunningAfterASecond() {
        std::this_thread::sleep_for(1s);
        return process_.running();
    }
    void expectEndsNormally() {
        testsupport::ProcessResult result;
        ASSERT_TRUE(process_.waitForExit(result, 60s)) << sandbox_->log();
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(sandbox_->logLines().back().rfind("Fps: ", 0), 0u) << sandbox_->log();
    }

    std::unique_ptr<WineSandbox> sandbox_;
    testsupport::BackgroundProcess process_;
    std::string window_;
};

TEST_F(WineRunning, ASecondCopyLogsTwiceAndExitsZero) {
    start("Glimmerdale.scr");
    EXPECT_EQ(sandbox_->logLines().front(), "gi gi");
    EXPECT_NE(sandbox_->logLines()[1], "gi gi");
    WineSandbox second("Glimmerdale.scr");
    const auto result = second.run({"/s"}, 60s);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(second.logLines(), (std::vector<std::string>{"gi gi", "gi gi"}));
    EXPECT_TRUE(process_.running());
    winetest::xdotool("key --window " + window_ + " Escape");
    expectEndsNormally();
}

TEST_F(WineRunning, SpaceAndSystemKeysDoNotEndItAnyOtherKeyDoes) {
    start();
    winetest::xdotool("key --window " + window_ + " space");
    EXPECT_TRUE(stillRunningAfterASecond());
    winetest::xdotool("key --window " + window_ + " alt+x F10");
    EXPECT_TRUE(stillRunningAfterASecond());
    winetest::xdotool("key --window " + window_ + " q");
    expectEndsNormally();
}

TEST_F(WineRunning, ARightClickDoesNotEndItALeftClickDoes) {
    start();
    winetest::xdotool("mousemove --window " + window_ + " 160 120 click 3");
    EXPECT_TRUE(stillRunningAfterASecond());
    winetest::xdotool("click 1");
    expectEndsNormally();
}

}  // namespace
