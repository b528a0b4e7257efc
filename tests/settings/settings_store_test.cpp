// The settings store: defaults, stored forms, round trips, the desktop entry and damaged keys.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/log.h"
#include "settings/settings.h"
#include "settings/settings_test_support.h"

using settings_test::readText;
using settings_test::TempFolder;
using settings_test::writeText;

namespace {

platform::ScreenSize fakeDesktop() { return platform::ScreenSize{1920, 1080}; }

std::string keyFile(const std::string& body) {
    return "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]\n" +
           body;
}

// A store over a temporary folder, with the log going to a file of the test's own.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { theLog().open(temp.file("Log.txt")); }
    void TearDown() override { theLog().close(); }
    std::string logText() const { return readText(temp.file("Log.txt")); }
    std::string settingsText() const { return readText(temp.file("settings.reg")); }
    SettingsStore makeStore() { return SettingsStore(temp.path(), fakeDesktop); }

    TempFolder temp;
};

}  // namespace

TEST(ResolutionTable, FixedEntriesAndBounds) {
    ResolutionTable table;
    const int expected[10][3] = {{800, 600, 16},   {800, 600, 32},   {1024, 768, 16}, {1024, 768, 32},
                                 {1280, 1024, 16}, {1280, 1024, 32}, {1152, 864, 16}, {1152, 864, 32},
                                 {1600, 1200, 16}, {1600, 1200, 32}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(table.at(i).width, expected[i][0]) << i;
        EXPECT_EQ(table.at(i).height, expected[i][1]) << i;
        EXPECT_EQ(table.at(i).colorBits, expected[i][2]) << i;
    }
    EXPECT_EQ(table.at(10).width, 0);
    EXPECT_EQ(table.at(10).colorBits, 0);
    table.setDesktop(2560, 1440);
    EXPECT_EQ(table.at(10).width, 2560);
    EXPECT_EQ(table.at(10).height, 1440);
    EXPECT_EQ(table.at(10).colorBits, 16);
    EXPECT_EQ(&table.at(11), &table.at(1));
    EXPECT_EQ(&table.at(-1), &table.at(1));
}

TEST_F(SettingsStoreTest, FirstStartWritesTheDefaultsAndUsesTheDesktop) {
    SettingsStore store = makeStore();
    store.load();
    EXPECT_EQ(settingsText(), keyFile("\"Resolution:\"=dword:00000001\n"
                                      "\"Gamma:\"=dword:00000003\n"
                                      "\"Fps:\"=dword:00000000\n"
                                      "\"Clock:\"=dword:00000001\n"
                                      "\"ExitMM:\"=dword:00000001\n"
                                      "\"Enable sound:\"=dword:00000000\n"
                                      "\"Enable music:\"=dword:00000001\n"
                                      "\"Music volume:\"=dword:00000028\n"
                                      "\"Sound volume:\"=dword:00000028\n"
                                      "\"Usemon:\"=dword:00000001\n"
                                      "\"Style24h:\"=dword:00000000\n"));
    const Settings& s = store.settings();
    EXPECT_EQ(s.resolutionIndex, 10);  // Usemon is on by default
    EXPECT_EQ(store.chosenResolution().width, 1920);
    EXPECT_EQ(store.chosenResolution().height, 1080);
    EXPECT_EQ(store.chosenResolution().colorBits, 16);
    EXPECT_FLOAT_EQ(s.gamma, 3.0f);
    EXPECT_FALSE(s.showFrameRate);
    EXPECT_TRUE(s.showClock);
    EXPECT_TRUE(s.exitOnMouseMove);
    EXPECT_FALSE(s.unusedEnableSound);
    EXPECT_TRUE(s.enableMusic);
    EXPECT_FLOAT_EQ(s.unusedMusicVolume, 40.0f);
    EXPECT_FLOAT_EQ(s.masterVolume, 40.0f);
    EXPECT_TRUE(s.useDesktopSize);
    EXPECT_FALSE(s.clock24Hour);
    EXPECT_EQ(logText(), "");
}

TEST_F(SettingsStoreTest, StoredFormsRoundTrip) {
    SettingsStore store = makeStore();
    Settings& s = store.settings();
    s.resolutionIndex = 7;
    s.gamma = 2.96f;  // slider position 74
    s.showFrameRate = true;
    s.showClock = false;
    s.unusedMusicVolume = 12.99f;
    s.masterVolume = 99.7f;
    s.useDesktopSize = false;
    s.clock24Hour = true;
    ASSERT_TRUE(store.save());
    EXPECT_EQ(store.readDword(kValueGamma), 2);
    EXPECT_EQ(store.readDword(kValueMusicVolume), 12);
    EXPECT_EQ(store.readDword(kValueSoundVolume), 99);
    EXPECT_EQ(store.readDword(kValueStyle24h), 1);

    SettingsStore again = makeStore();
    again.load();
    EXPECT_EQ(again.settings().resolutionIndex, 7);
    EXPECT_FLOAT_EQ(again.settings().gamma, 2.0f);
    EXPECT_FLOAT_EQ(again.settings().unusedMusicVolume, 12.0f);
    EXPECT_FLOAT_EQ(again.settings().masterVolume, 99.0f);
    EXPECT_TRUE(again.settings().showFrameRate);
    EXPECT_FALSE(again.settings().showClock);
    EXPECT_TRUE(again.settings().clock24Hour);
    EXPECT_EQ(again.chosenResolution().width, 1152);
}

TEST_F(SettingsStoreTest, AnyNonZeroSwitchIsOnAndIsWrittenBackAsOne) {
    writeText(temp.file("settings.reg"), keyFile("\"Fps:\"=dword:00000005\n\"Usemon:\"=dword:00000000\n"
                                                 "\"Resolution:\"=dword:00000003\n"));
    SettingsStore store = makeStore();
    store.load();
    EXPECT_TRUE(store.settings().showFrameRate);
    ASSERT_TRUE(store.save());
    EXPECT_EQ(store.readDword(kValueFps), 1);
}

TEST_F(SettingsStoreTest, UsemonTakesTheDesktopWithoutWritingTheIndexBack) {
    writeText(temp.file("settings.reg"),
              keyFile("\"Resolution:\"=dword:00000007\n\"Usemon:\"=dword:00000001\n"));
    SettingsStore store = makeStore();
    store.load();
    EXPECT_EQ(store.settings().resolutionIndex, 10);
    EXPECT_EQ(store.resolutions().at(10).width, 1920);
    EXPECT_EQ(store.readDword(kValueResolution), 7);
    EXPECT_EQ(settingsText().find("\"Resolution:\"=dword:00000007"), settingsText().find("\"Resolution:\""));
}

TEST_F(SettingsStoreTest, AnIndexWithoutAScreenModeFallsBackTo800x600x32) {
    const struct {
        const char* stored;
        const char* logged;
    } cases[] = {
        {"0000000b", "Resolution index 11 has no screen mode, using 800x600x32\n"},
        {"ffffffff", "Resolution index -1 has no screen mode, using 800x600x32\n"},
        {"0000000a", "Resolution index 10 has no screen mode, using 800x600x32\n"},  // no desktop entry
    };
    for (const auto& c : cases) {
        theLog().open(temp.file("Log.txt"));
        writeText(temp.file("settings.reg"), keyFile(std::string("\"Resolution:\"=dword:") + c.stored +
                                                     "\n\"Usemon:\"=dword:00000000\n"));
        SettingsStore store = makeStore();
        store.load();
        EXPECT_EQ(store.settings().resolutionIndex, 1) << c.stored;
        EXPECT_EQ(store.chosenResolution().width, 800);
        EXPECT_EQ(store.chosenResolution().colorBits, 32);
        EXPECT_EQ(logText(), c.logged);
    }
}

TEST_F(SettingsStoreTest, AnExistingKeyWithMissingOrDamagedValuesReadsZeros) {
    writeText(temp.file("settings.reg"), keyFile("garbage\n\"Gamma:\"=\"3\"\n\"Clock:\"=hex:01\n"
                                                 "\"resolution:\"=dword:00000002\n\"ExitMM:\"=dword:1\n"));
    SettingsStore store = makeStore();
    store.load();
    const Settings& s = store.settings();
    EXPECT_EQ(s.resolutionIndex, 2);  // the name's letter case does not matter
    EXPECT_FLOAT_EQ(s.gamma, 0.0f);
    EXPECT_FALSE(s.showClock);
    EXPECT_TRUE(s.exitOnMouseMove);
    EXPECT_FALSE(s.enableMusic);
    EXPECT_FLOAT_EQ(s.masterVolume, 0.0f);
    EXPECT_FALSE(s.useDesktopSize);
    // Loading an existing key writes nothing; saving keeps the garbage and fixes the case.
    EXPECT_NE(settingsText().find("\"resolution:\""), std::string::npos);
    ASSERT_TRUE(store.save());
    const std::string saved = settingsText();
    EXPECT_NE(saved.find("garbage\n"), std::string::npos);
    EXPECT_EQ(saved.find("\"resolution:\""), std::string::npos);
    EXPECT_NE(saved.find("\"Resolution:\"=dword:00000002"), std::string::npos);
}

TEST_F(SettingsStoreTest, OutOfRangeGammaAndVolumeArePinned) {
    writeText(temp.file("settings.reg"),
              keyFile("\"Gamma:\"=dword:ffffffff\n\"Sound volume:\"=dword:00001000\n"));
    SettingsStore store = makeStore();
    store.load();
    EXPECT_FLOAT_EQ(store.settings().gamma, 0.0f);
    EXPECT_FLOAT_EQ(store.settings().masterVolume, 100.0f);
    writeText(temp.file("settings.reg"), keyFile("\"Gamma:\"=dword:00000009\n"));
    store.load();
    EXPECT_FLOAT_EQ(store.settings().gamma, 4.0f);
}

TEST_F(SettingsStoreTest, UnreadableOrUnwritableFoldersNeverStopTheProgram) {
    // The settings file is a folder: it cannot be read, so the defaults are used and it is left alone.
    std::filesystem::create_directories(temp.file("odd/settings.reg"));
    SettingsStore odd(temp.file("odd"), fakeDesktop);
    odd.load();
    EXPECT_FLOAT_EQ(odd.settings().gamma, 3.0f);
    EXPECT_EQ(odd.settings().resolutionIndex, 10);
    EXPECT_FALSE(odd.save());
    EXPECT_TRUE(std::filesystem::is_directory(temp.file("odd/settings.reg")));

    // The folder is a file: nothing can be written, and the file is untouched.
    writeText(temp.file("plain"), "x");
    SettingsStore blocked(temp.file("plain"), fakeDesktop);
    blocked.load();
    EXPECT_TRUE(blocked.settings().showClock);
    EXPECT_FALSE(blocked.writeDword(kValueGamma, 1));
    EXPECT_EQ(blocked.readDword(kValueGamma), 0);
    EXPECT_EQ(readText(temp.file("plain")), "x");
}

TEST_F(SettingsStoreTest, ResetPutsTheDefaultsBackButNotTheTable) {
    SettingsStore store = makeStore();
    store.load();
    store.settings().gamma = 1.0f;
    store.settings().useDesktopSize = false;
    store.settings().resolutionIndex = 4;
    store.reset();
    EXPECT_FLOAT_EQ(store.settings().gamma, 3.0f);
    EXPECT_TRUE(store.settings().useDesktopSize);
    EXPECT_EQ(store.settings().resolutionIndex, 1);
    EXPECT_EQ(store.resolutions().at(10).width, 1920);
}
