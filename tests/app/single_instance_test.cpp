#include "app/single_instance.h"

#include <gtest/gtest.h>

#include "core/log.h"
#include "support/process.h"

namespace {

// The process-wide log, pointed at a temporary file for each case.
class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override { theLog().open(dir_.file("Log.txt")); }
    void TearDown() override { theLog().close(); }
    std::string log() const { return testsupport::readTextFile(dir_.file("Log.txt")); }
    testsupport::TempDir dir_;
};

TEST_F(SingleInstance, OneCopyWritesOneLineAndGoesOn) {
    EXPECT_FALSE(findsSecondInstance({"systemd", "bash", "Glimmerdale.scr", "Xvfb"}));
    EXPECT_EQ(log(), "gi gi\n");
}

TEST_F(SingleInstance, SecondCopyStopsTheWalkAtOnce) {
    // The walk stops at the second match: the third never gets its line.
    EXPECT_TRUE(findsSecondInstance({"Glimmerdale.scr", "bash", "Glimmerdale.scr", "Glimmerdale.scr"}));
    EXPECT_EQ(log(), "gi gi\ngi gi\n");
}

TEST_F(SingleInstance, NameMustMatchExactlyIncludingCase) {
    EXPECT_FALSE(findsSecondInstance({"glimmerdale.scr", "GLIMMERDALE.SCR", "Glimmerdale.scr ", "Glimmerdale",
                                      "Glimmerdale.scr2", "/usr/bin/Glimmerdale.scr"}));
    EXPECT_EQ(log(), "");
    EXPECT_FALSE(findsSecondInstance({}));
}

TEST_F(SingleInstance, OtherNamesCanBeWatched) {
    EXPECT_TRUE(findsSecondInstance({"a.scr", "a.scr"}, "a.scr"));
    EXPECT_EQ(log(), "gi gi\ngi gi\n");
}

TEST(ScreensaverFileName, FitsTheKernelProcessName) {
    // The kernel keeps 15 bytes of a process name; a longer file name would be cut and never match.
    EXPECT_EQ(sizeof(kScreensaverFileName) - 1, 15u);
}

}  // namespace
