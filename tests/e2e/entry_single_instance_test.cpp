// Only one copy named Glimmerdale.scr runs: a second one logs "gi gi" twice and exits with 0.

#include <gtest/gtest.h>

#include "support/process.h"
#include "support/screensaver.h"
#include "support/x_server.h"

namespace {

using testsupport::BackgroundProcess;
using testsupport::ProcessResult;
using testsupport::runProcess;
using testsupport::ScreensaverSandbox;

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x_.start()) GTEST_SKIP() << "Xvfb is not available";
        // The first copy shows its preview window, which keeps it running until it is killed.
        ASSERT_TRUE(first_.start(firstSandbox_.request({"/t"}, x_.display())));
        ASSERT_TRUE(testsupport::waitUntil([this] {
            return firstSandbox_.logHas("OpenGL initialized") || !first_.running();
        })) << firstSandbox_.log();
        ASSERT_TRUE(first_.running()) << firstSandbox_.log();
    }
    void TearDown() override { first_.kill(); }

    testsupport::PrivateXServer x_;
    ScreensaverSandbox firstSandbox_{"Glimmerdale.scr"};
    BackgroundProcess first_;
};

TEST_F(SingleInstance, SecondCopyLogsTwiceAndExitsZero) {
    const auto firstLines = firstSandbox_.logLines();
    ASSERT_GE(firstLines.size(), 2u);
    EXPECT_EQ(firstLines[0], "gi gi");  // a single copy finds only itself
    EXPECT_NE(firstLines[1], "gi gi");

    ScreensaverSandbox second("Glimmerdale.scr");
    const ProcessResult result = runProcess(second.request({"/s"}, x_.display()), std::chrono::seconds(30));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(second.log(), "gi gi\ngi gi\n");
    EXPECT_TRUE(first_.running());  // the first copy is not disturbed
}

TEST_F(SingleInstance, ANameDifferingOnlyInCaseIsNotStopped) {
    ScreensaverSandbox other("glimmerdale.scr");
    const ProcessResult result =
        runProcess(other.request({"/p"}, testsupport::kNoDisplay), std::chrono::seconds(30));
    EXPECT_EQ(result.exitCode, 1);  // ran on to its (failed, no display) preview
    const auto lines = other.logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "gi gi");  // the first copy's match only
    EXPECT_NE(lines[1], "gi gi");
    EXPECT_TRUE(other.logHas("Create Window failed!"));
}

}  // namespace
