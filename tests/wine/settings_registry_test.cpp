// The settings in the Wine registry: the first start writes the eleven values with their defaults;
// later starts read what is stored and write nothing back.

#include <gtest/gtest.h>

#include "wine/wine_support.h"

namespace {

using winetest::WineSandbox;

TEST(WineRegistry, FirstStartWritesTheDefaults) {
    winetest::forgetSettings();
    ASSERT_TRUE(winetest::settingsInRegistry().empty());
    WineSandbox sandbox;
    const auto result = sandbox.run({"--windowed", "--size", "320x240", "--frames", "5", "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(winetest::settingsInRegistry(), winetest::defaultSettings());
}

TEST(WineRegistry, StoredValuesAreReadBackAndLeftAsTheyAre) {
    winetest::forgetSettings();
    for (const char* name : {"Fps:", "Clock:", "ExitMM:", "Enable sound:", "Style24h:"})
        winetest::setSetting(name, 0);
    winetest::setSetting("Resolution:", 0);  // 800 x 600, used because Usemon is off
    winetest::setSetting("Usemon:", 0);
    winetest::setSetting("Gamma:", 1);
    winetest::setSetting("Enable music:", 0);
    winetest::setSetting("Music volume:", 7);
    winetest::setSetting("Sound volume:", 9);
    const auto before = winetest::settingsInRegistry();
    ASSERT_EQ(before.size(), 11u);

    WineSandbox sandbox;
    const std::string shot = sandbox.file("size.png");
    const auto result = sandbox.run({"--windowed", "--frames", "5", "--screenshot", shot, "/s"});
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    EXPECT_EQ(winetest::pictureSize(shot), "800 600");
    EXPECT_TRUE(sandbox.logHas("New Gamma: 3")) << sandbox.log();  // exponent 4 - gamma
    EXPECT_FALSE(sandbox.logHas("Sound initialized")) << sandbox.log();
    EXPECT_EQ(winetest::settingsInRegistry(), before);
}

}  // namespace
