// The stored settings, the same on Linux (the settings file) and on Windows (the registry): the
// first start writes the eleven values with their defaults; later starts read what is stored and
// write nothing back.

#include <gtest/gtest.h>

#include "support/screensaver.h"

namespace {

using testsupport::ScreensaverSandbox;

class StoredSettings : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    }
};

TEST_F(StoredSettings, TheFirstStartWritesTheDefaults) {
    ScreensaverSandbox sandbox;
    sandbox.forgetSettings();
    ASSERT_TRUE(sandbox.storedSettings().empty());
    const auto result = sandbox.run({"--windowed", "--size", "320x240", "--frames", "5", "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(sandbox.storedSettings(), testsupport::defaultSettings());
}

TEST_F(StoredSettings, StoredValuesAreReadBackAndLeftAsTheyAre) {
    ScreensaverSandbox sandbox;
    // 800 x 600 (resolution 0), used because the desktop's own size (Usemon) is off; gamma 1.
    const testsupport::StoredSettings stored = {
        {"Resolution:", 0},   {"Gamma:", 1},        {"Fps:", 0},          {"Clock:", 0},
        {"ExitMM:", 0},       {"Enable sound:", 0}, {"Enable music:", 0}, {"Music volume:", 7},
        {"Sound volume:", 9}, {"Usemon:", 0},       {"Style24h:", 0}};
    sandbox.storeSettings(stored);
    ASSERT_EQ(sandbox.storedSettings(), stored);

    const std::string shot = sandbox.file("size.png");
    const auto result = sandbox.run({"--windowed", "--frames", "5", "--screenshot", shot, "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(testsupport::pictureSize(shot), "800 600");
    EXPECT_TRUE(sandbox.logHas("New Gamma: 3")) << sandbox.log();  // exponent 4 - gamma
    EXPECT_FALSE(sandbox.logHas("Sound initialized")) << sandbox.log();
    EXPECT_EQ(sandbox.storedSettings(), stored);
}

}  // namespace
