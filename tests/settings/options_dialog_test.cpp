// The options dialog logic, driven without a display through a fake toolkit.

#include <gtest/gtest.h>

#include "core/log.h"
#include "core/run_mode.h"
#include "settings/fake_dialog_toolkit.h"
#include "settings/options_dialog.h"
#include "settings/settings_test_support.h"

using platform::DialogEvent;
using settings_test::FakeDialogToolkit;
using settings_test::FakeDialogWindow;
using settings_test::TempFolder;

namespace {

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        theLog().open(temp.file("Log.txt"));
        setRunMode(RunMode::Configure);
        store.load();  // first start: the defaults, written
        ASSERT_TRUE(dialog.create());
        window = toolkit.windows.at(kOptionsDialogId);
        about = toolkit.windows.at(kAboutBoxId);
    }
    void TearDown() override {
        setRunMode(RunMode::Configure);
        theLog().close();
    }
    void command(int control, int dialogId = kOptionsDialogId) {
        dialog.handleEvent(DialogEvent{DialogEvent::Kind::Command, dialogId, control});
    }
    // The user clicks a check box or radio button: the widget flips, then the command arrives.
    void click(int control) {
        window->click(control);
        command(control);
    }
    std::string stored() const { return settings_test::readText(store.storage().filePath()); }

    TempFolder temp;
    SettingsStore store{temp.path(), [] { return platform::ScreenSize{1920, 1080}; }};
    FakeDialogToolkit toolkit;
    OptionsDialog dialog{store, toolkit};
    FakeDialogWindow* window = nullptr;
    FakeDialogWindow* about = nullptr;
};

}  // namespace

TEST_F(OptionsDialogTest, CreatedHiddenWithCaptionRangesAndTheTenListItems) {
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(toolkit.owners.at(kAboutBoxId), window);
    EXPECT_EQ(toolkit.owners.at(kOptionsDialogId), nullptr);
    EXPECT_EQ(window->caption(), "Glimmerdale Configuration");
    const std::vector<std::string> items = window->listItems(kIdResolutionList);
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items[0],
              "800\xD1\x85"
              "600\xD1\x85"
              "16");
    EXPECT_EQ(items[6],
              "1152\xD1\x85"
              "864\xD1\x85"
              "16");
    EXPECT_EQ(items[9],
              "1600\xD1\x85"
              "1200\xD1\x85"
              "32");
    EXPECT_EQ(window->listSelection(kIdResolutionList), 0);
    window->setSliderPosition(kIdGammaSlider, 250);
    EXPECT_EQ(window->sliderPosition(kIdGammaSlider), 100);
}

TEST_F(OptionsDialogTest, LoadsTheDefaultsIntoTheControls) {
    dialog.loadControls();
    EXPECT_EQ(window->listSelection(kIdResolutionList), -1);  // Usemon: index 10 has no item
    EXPECT_FALSE(window->isChecked(kIdShowFps));
    EXPECT_TRUE(window->isChecked(kIdShowTime));
    EXPECT_TRUE(window->isChecked(kIdExitOnMouseMove));
    EXPECT_TRUE(window->isChecked(kIdStyle12h));
    EXPECT_FALSE(window->isChecked(kIdStyle24h));
    EXPECT_TRUE(window->isChecked(kIdEnableMusic));
    EXPECT_TRUE(window->isChecked(kIdUseDesktop));
    EXPECT_EQ(window->sliderPosition(kIdVolumeSlider), 40);
    EXPECT_EQ(window->sliderPosition(kIdGammaSlider), 75);  // gamma 3.0
    EXPECT_FALSE(window->isEnabled(kIdResolutionList));
    EXPECT_TRUE(window->isEnabled(kIdVolumeSlider));
    EXPECT_TRUE(window->isEnabled(kIdStyle24h));
}

TEST_F(OptionsDialogTest, LoadsOddSettings) {
    Settings& s = store.settings();
    s.useDesktopSize = false;
    s.resolutionIndex = 7;
    s.enableMusic = false;
    s.showClock = false;
    s.clock24Hour = true;
    s.masterVolume = 63.9f;
    s.gamma = 1.0f;
    dialog.loadControls();
    EXPECT_EQ(window->listSelection(kIdResolutionList), 7);
    EXPECT_TRUE(window->isEnabled(kIdResolutionList));
    EXPECT_FALSE(window->isEnabled(kIdVolumeSlider));
    EXPECT_FALSE(window->isEnabled(kIdVolumeLabel));
    EXPECT_FALSE(window->isEnabled(kIdStyle12h));
    EXPECT_FALSE(window->isEnabled(kIdStyle24h));
    EXPECT_TRUE(window->isChecked(kIdStyle24h));
    EXPECT_FALSE(window->isChecked(kIdStyle12h));
    EXPECT_EQ(window->sliderPosition(kIdVolumeSlider), 63);
    EXPECT_EQ(window->sliderPosition(kIdGammaSlider), 25);
    s.resolutionIndex = -1;
    dialog.loadControls();
    EXPECT_EQ(window->listSelection(kIdResolutionList), -1);
}

TEST_F(OptionsDialogTest, TogglesFlipTheSettingsAndTheirEnableRules) {
    dialog.loadControls();
    click(kIdEnableMusic);
    EXPECT_FALSE(store.settings().enableMusic);
    EXPECT_FALSE(window->isEnabled(kIdVolumeSlider));
    EXPECT_FALSE(window->isEnabled(kIdVolumeLabel));
    click(kIdEnableMusic);
    EXPECT_TRUE(store.settings().enableMusic);
    EXPECT_TRUE(window->isEnabled(kIdVolumeSlider));

    click(kIdUseDesktop);
    EXPECT_FALSE(store.settings().useDesktopSize);
    EXPECT_TRUE(window->isEnabled(kIdResolutionList));
    click(kIdUseDesktop);
    EXPECT_FALSE(window->isEnabled(kIdResolutionList));

    click(kIdShowTime);
    EXPECT_FALSE(store.settings().showClock);
    EXPECT_FALSE(window->isEnabled(kIdStyle12h));
    EXPECT_FALSE(window->isEnabled(kIdStyle24h));
    click(kIdShowTime);
    EXPECT_TRUE(window->isEnabled(kIdStyle24h));

    // Show FPS, the radio buttons and the sliders change nothing until OK.
    click(kIdShowFps);
    click(kIdStyle24h);
    EXPECT_FALSE(store.settings().showFrameRate);
    EXPECT_FALSE(store.settings().clock24Hour);
    EXPECT_EQ(currentRunMode(), RunMode::Configure);
}

TEST_F(OptionsDialogTest, OkStoresTheControls) {
    dialog.loadControls();
    click(kIdUseDesktop);
    window->setListSelection(kIdResolutionList, 5);
    window->setSliderPosition(kIdGammaSlider, 74);
    window->setSliderPosition(kIdVolumeSlider, 55);
    click(kIdShowFps);
    click(kIdStyle24h);
    command(kIdOk);
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
    SettingsStore reread(temp.path(), [] { return platform::ScreenSize{1, 1}; });
    EXPECT_EQ(reread.readDword(kValueResolution), 5);
    EXPECT_EQ(reread.readDword(kValueGamma), 2);  // 74 * 0.04 = 2.96, stored truncated
    EXPECT_FLOAT_EQ(store.settings().gamma, 74 * 0.04f);
    EXPECT_EQ(reread.readDword(kValueSoundVolume), 55);
    EXPECT_EQ(reread.readDword(kValueFps), 1);
    EXPECT_EQ(reread.readDword(kValueStyle24h), 1);
    EXPECT_EQ(reread.readDword(kValueUsemon), 0);
    EXPECT_EQ(reread.readDword(kValueMusicVolume), 0);
    EXPECT_EQ(reread.readDword(kValueEnableSound), 0);
}

TEST_F(OptionsDialogTest, OkWithoutAnItemStoresMinusOne) {
    dialog.loadControls();  // index 10: nothing selected
    click(kIdUseDesktop);
    command(kIdOk);
    SettingsStore reread(temp.path(), [] { return platform::ScreenSize{1, 1}; });
    EXPECT_EQ(reread.readDword(kValueResolution), -1);
}

TEST_F(OptionsDialogTest, RestoreDefaultsThenOkStoresTheDocumentedValues) {
    Settings& s = store.settings();
    s.useDesktopSize = false;
    s.resolutionIndex = 3;
    s.gamma = 1.0f;
    s.showFrameRate = true;
    s.enableMusic = false;
    dialog.loadControls();
    command(kIdRestoreDefaults);
    EXPECT_TRUE(window->isChecked(kIdUseDesktop));
    EXPECT_EQ(window->sliderPosition(kIdGammaSlider), 75);
    EXPECT_TRUE(window->isEnabled(kIdVolumeSlider));
    command(kIdOk);
    EXPECT_EQ(stored(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]\n"
              "\"Resolution:\"=dword:0000000a\n"
              "\"Gamma:\"=dword:00000003\n"
              "\"Fps:\"=dword:00000000\n"
              "\"Clock:\"=dword:00000001\n"
              "\"ExitMM:\"=dword:00000001\n"
              "\"Enable sound:\"=dword:00000000\n"
              "\"Enable music:\"=dword:00000001\n"
              "\"Music volume:\"=dword:00000000\n"
              "\"Sound volume:\"=dword:00000028\n"
              "\"Usemon:\"=dword:00000001\n"
              "\"Style24h:\"=dword:00000000\n");
    EXPECT_EQ(store.resolutions().at(10).width, 1920);
}

TEST_F(OptionsDialogTest, CancelAndCloseStoreNothing) {
    dialog.loadControls();
    const std::string before = stored();
    click(kIdShowTime);
    command(kIdCancel);
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
    EXPECT_EQ(stored(), before);

    setRunMode(RunMode::Configure);
    click(kIdShowFps);
    dialog.handleEvent(DialogEvent{DialogEvent::Kind::Close, kOptionsDialogId, 0});
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
    EXPECT_EQ(stored(), before);
}

TEST_F(OptionsDialogTest, AboutBoxVisitAndUnknownCommands) {
    command(kIdAboutButton);
    EXPECT_TRUE(about->isVisible());
    command(kIdAboutOk, kAboutBoxId);
    EXPECT_FALSE(about->isVisible());
    command(kIdAboutButton);
    dialog.handleEvent(DialogEvent{DialogEvent::Kind::Close, kAboutBoxId, 0});
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(currentRunMode(), RunMode::Configure);  // closing the About box ends nothing

    command(kIdVisitButton);
    ASSERT_EQ(toolkit.openedAddresses.size(), 1u);
    EXPECT_EQ(toolkit.openedAddresses[0], kMakerWebAddress);

    command(kIdOk, kAboutBoxId + 1);  // another dialog's id: ignored
    command(4242);
    command(kIdOk, kAboutBoxId);  // the About box has no control 1032
    EXPECT_EQ(currentRunMode(), RunMode::Configure);
}

TEST_F(OptionsDialogTest, StringTableReplacesTheTextsByPosition) {
    const std::string file = settings_test::readText(GLIMMERDALE_SOURCE_DIR "/tests/settings/data/text.txt");
    dialog.applyStringTable(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    EXPECT_EQ(window->caption(), " Options");
    EXPECT_EQ(window->text(kIdVideoModeFrame), " Video Mode Selection");
    EXPECT_EQ(window->text(kIdMiscFrame), " Misc Options");
    EXPECT_EQ(window->text(kIdVolumeLabel), " Master volume:");
    EXPECT_EQ(window->text(kIdCancel), " Cancel");
    EXPECT_EQ(window->text(kIdStyle24h), " 24h style");
    EXPECT_EQ(window->text(kIdStyle12h), " 12h style");
    EXPECT_EQ(about->text(kIdAboutOk), " OK");
    EXPECT_EQ(about->text(kIdAboutMusicBy), "");
    EXPECT_EQ(about->text(kIdAboutNotice), " Copyright 2026 Vantorel");
    EXPECT_EQ(about->text(kIdAboutRights), " All rights reserved");
    EXPECT_EQ(about->text(kIdAboutProgrammer), " Ada Winter");
    EXPECT_EQ(about->text(kIdAboutModeller), " Nils Frost");
    EXPECT_EQ(about->caption(), " About");
}

TEST_F(OptionsDialogTest, MissingOrShortStringTables) {
    dialog.applyStringTable(nullptr, 0);  // no file in the pack: the built-in texts stay
    EXPECT_EQ(window->caption(), "Glimmerdale Configuration");
    EXPECT_EQ(window->text(kIdVideoModeFrame), "Video Mode Selection");
    const std::string shortFile = "#a One\n#b Two";
    dialog.applyStringTable(reinterpret_cast<const std::uint8_t*>(shortFile.data()), shortFile.size());
    EXPECT_EQ(window->caption(), " One");
    EXPECT_EQ(window->text(kIdVideoModeFrame), " Two");
    EXPECT_EQ(window->text(kIdSoundFrame), "");
    EXPECT_EQ(about->caption(), "");
}

TEST_F(OptionsDialogTest, RunPumpsUntilQuitAndShowsNothingItWasNotAskedTo) {
    dialog.loadControls();
    dialog.show();
    EXPECT_TRUE(window->isVisible());
    toolkit.events.push_back(DialogEvent{DialogEvent::Kind::Other, 0, 0});
    toolkit.events.push_back(DialogEvent{DialogEvent::Kind::Command, kOptionsDialogId, kIdAboutButton});
    toolkit.events.push_back(DialogEvent{DialogEvent::Kind::Command, kOptionsDialogId, kIdCancel});
    dialog.run();
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(toolkit.polls, 3);
}

TEST(OptionsDialogCreation, FailsCleanlyWithoutWindows) {
    TempFolder temp;
    SettingsStore store(temp.path(), [] { return platform::ScreenSize{1, 1}; });
    FakeDialogToolkit toolkit;
    toolkit.failCreation = true;
    OptionsDialog dialog(store, toolkit);
    EXPECT_FALSE(dialog.create());
    dialog.loadControls();
    dialog.handleEvent(DialogEvent{DialogEvent::Kind::Command, kOptionsDialogId, kIdOk});
    EXPECT_EQ(dialog.window(), nullptr);
}

TEST(OptionsDialogTemplates, EveryControlLiesInsideItsDialog) {
    for (const platform::DialogTemplate* layout :
         {&kOptionsDialogTemplate, &kOptionsDialogDesktopTemplate, &kAboutBoxTemplate}) {
        for (std::size_t i = 0; i < layout->controlCount; ++i) {
            const platform::ControlTemplate& c = layout->controls[i];
            EXPECT_GE(c.x, 0);
            EXPECT_GE(c.y, 0);
            EXPECT_LE(c.x + c.width, layout->width) << c.id;
            EXPECT_LE(c.y + c.height, layout->height) << c.id;
        }
    }
    // The Linux dialog's own rows cover no other control (frames hold controls; a drop-down's
    // height is its open list). The Windows dialog's layout is its resource's, a label included
    // that runs under the button beside it.
    const auto bottom = [](const platform::ControlTemplate& control) {
        return control.y + (control.kind == platform::ControlKind::DropDownList ? 14 : control.height);
    };
    const platform::DialogTemplate& withRows = kOptionsDialogDesktopTemplate;
    for (std::size_t i = kOptionsDialogTemplate.controlCount; i < withRows.controlCount; ++i) {
        const platform::ControlTemplate& c = withRows.controls[i];
        for (std::size_t j = 0; j < withRows.controlCount; ++j) {
            const platform::ControlTemplate& d = withRows.controls[j];
            if (i == j || c.kind == platform::ControlKind::Frame || d.kind == platform::ControlKind::Frame)
                continue;
            EXPECT_TRUE(c.x + c.width <= d.x || d.x + d.width <= c.x || bottom(c) <= d.y || bottom(d) <= c.y)
                << c.id << " covers " << d.id;
        }
    }
    EXPECT_EQ(kOptionsDialogTemplate.controlCount, 24u);
    EXPECT_EQ(kOptionsDialogDesktopTemplate.controlCount, 33u);
    EXPECT_EQ(platform::dialogUnitsToPixelsX(349), 524);
    EXPECT_EQ(platform::dialogUnitsToPixelsY(230), 374);
}

namespace {

// The Linux dialog's desktop controls: the idle delay goes to the file before the launcher is
// turned on (which reads it), and with OK; without a set-up (Windows) nothing of it is stored.
TEST(OptionsDialogDesktop, TheIdleDelayIsStoredBeforeTheScreensaverIsSetUpAndWithOk) {
    TempFolder temp;
    setRunMode(RunMode::Configure);
    SettingsStore store{temp.path(), [] { return platform::ScreenSize{800, 600}; }};
    store.load();
    // (use, the delay and the lock-after time stored when it was called)
    std::vector<std::pair<bool, std::string>> calls;
    const auto storedDelay = [&] { return store.readDword(kValueIdleDelay); };
    const auto storedLockAfter = [&] { return store.readDword(kValueLockAfter); };
    FakeDialogToolkit toolkit;
    OptionsDialog dialog{
        store, toolkit, [&](bool use) {
            calls.emplace_back(use, std::to_string(storedDelay()) + " " + std::to_string(storedLockAfter()));
            return use ? "on" : "off";
        }};
    ASSERT_TRUE(dialog.create());
    dialog.loadControls();
    FakeDialogWindow* window = toolkit.windows.at(kOptionsDialogId);
    const auto command = [&](int control) {
        dialog.handleEvent(DialogEvent{DialogEvent::Kind::Command, kOptionsDialogId, control});
    };
    EXPECT_TRUE(window->isEnabled(kIdUseAsScreensaver));
    EXPECT_EQ(window->listSelection(kIdIdleDelayList), 3);  // 10 minutes, the default
    EXPECT_EQ(window->listSelection(kIdLockAfterList), 0);  // never, the default
    EXPECT_TRUE(window->isEnabled(kIdLockAfterList));

    window->setListSelection(kIdIdleDelayList, 1);  // 2 minutes
    window->setListSelection(kIdLockAfterList, 3);  // 5 minutes
    command(kIdUseAsScreensaver);
    EXPECT_EQ(window->text(kIdDesktopStatus), "on");
    window->setListSelection(kIdIdleDelayList, 7);  // 60 minutes
    window->setListSelection(kIdLockAfterList, 0);
    command(kIdStopUsingScreensaver);
    EXPECT_EQ(calls, (std::vector<std::pair<bool, std::string>>{{true, "2 5"}, {false, "60 0"}}));
    EXPECT_EQ(window->text(kIdDesktopStatus), "off");

    window->setListSelection(kIdIdleDelayList, 0);
    window->setListSelection(kIdLockAfterList, 7);  // 60 minutes
    command(kIdOk);
    EXPECT_EQ(storedDelay(), 1);
    EXPECT_EQ(storedLockAfter(), 60);
    SettingsStore again{temp.path(), [] { return platform::ScreenSize{800, 600}; }};
    again.load();
    EXPECT_EQ(again.settings().idleDelayMinutes, 1);
    EXPECT_EQ(again.settings().lockAfterMinutes, 60);

    // A delay the list does not offer shows no item and survives OK.
    ASSERT_TRUE(again.writeDword(kValueIdleDelay, 7));
    again.load();
    setRunMode(RunMode::Configure);
    FakeDialogToolkit otherToolkit;
    OptionsDialog other{again, otherToolkit, [](bool) { return std::string(); }};
    ASSERT_TRUE(other.create());
    other.loadControls();
    EXPECT_EQ(otherToolkit.windows.at(kOptionsDialogId)->listSelection(kIdIdleDelayList), -1);
    other.handleEvent(DialogEvent{DialogEvent::Kind::Command, kOptionsDialogId, kIdOk});
    EXPECT_EQ(again.readDword(kValueIdleDelay), 7);

    // Damaged values fall back to the default delay, and to no lock.
    for (std::int32_t damaged : {0, -5, 24 * 60 + 1}) {
        ASSERT_TRUE(again.writeDword(kValueIdleDelay, damaged));
        ASSERT_TRUE(again.writeDword(kValueLockAfter, damaged == 0 ? -1 : damaged));
        again.load();
        EXPECT_EQ(again.settings().idleDelayMinutes, kDefaultIdleDelayMinutes) << damaged;
        EXPECT_EQ(again.settings().lockAfterMinutes, 0) << damaged;
    }

    // Without a set-up the controls are off and OK stores no delay.
    TempFolder windowsLike;
    setRunMode(RunMode::Configure);
    SettingsStore plain{windowsLike.path(), [] { return platform::ScreenSize{800, 600}; }};
    plain.load();
    FakeDialogToolkit plainToolkit;
    OptionsDialog without{plain, plainToolkit};
    ASSERT_TRUE(without.create());
    without.loadControls();
    EXPECT_FALSE(plainToolkit.windows.at(kOptionsDialogId)->isEnabled(kIdUseAsScreensaver));
    without.handleEvent(DialogEvent{DialogEvent::Kind::Command, kOptionsDialogId, kIdOk});
    std::uint32_t value = 0;
    EXPECT_FALSE(plain.storage().readDword(kValueIdleDelay, value));
    EXPECT_FALSE(plain.storage().readDword(kValueLockAfter, value));
    setRunMode(RunMode::Configure);
}

}  // namespace
