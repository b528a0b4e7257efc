// The options dialog on the real GTK toolkit (needs an X server: run under xvfb-run).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/log.h"
#include "core/run_mode.h"
#include "settings/options_dialog.h"
#include "settings/settings_test_support.h"

using platform::DialogEvent;

// GTK's one-time set-up (fontconfig's cache, the D-Bus connection of the accessibility bridge) is
// kept for the life of the process by design; the sanitizer build is told so, and still reports any
// leak from building, changing or destroying the dialogs.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:gtk_init_check\nleak:libfontconfig.so\nleak:libdbus-1.so\n";
}
// Whole allocation stacks: the system libraries have no frame pointers, and a cut-off stack would
// hide the frame the suppressions above name.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

// Handles every waiting message; returns the commands and closes among them.
std::vector<DialogEvent> pumpAll(platform::DialogToolkit& toolkit) {
    std::vector<DialogEvent> meaningful;
    DialogEvent event;
    while (toolkit.pollEvent(event)) {
        if (event.kind != DialogEvent::Kind::Other) meaningful.push_back(event);
    }
    return meaningful;
}

class GtkOptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        toolkit = platform::createDialogToolkit(reason, 0);
        if (!toolkit) GTEST_SKIP() << "no display: " << reason;
        theLog().open(temp.file("Log.txt"));
        store.load();
        dialog = std::make_unique<OptionsDialog>(store, *toolkit);
        ASSERT_TRUE(dialog->create());
        const std::string table =
            settings_test::readText(GLIMMERDALE_SOURCE_DIR "/tests/settings/data/text.txt");
        dialog->applyStringTable(reinterpret_cast<const std::uint8_t*>(table.data()), table.size());
        dialog->loadControls();
    }
    void TearDown() override {
        dialog.reset();
        if (toolkit) pumpAll(*toolkit);
        theLog().close();
        setRunMode(RunMode::Configure);
    }

    settings_test::TempFolder temp;
    SettingsStore store{temp.path(), [] { return platform::ScreenSize{1280, 1024}; }};
    std::unique_ptr<platform::DialogToolkit> toolkit;
    std::unique_ptr<OptionsDialog> dialog;
};

}  // namespace

TEST_F(GtkOptionsDialog, WidgetsHoldWhatTheLogicSets) {
    platform::DialogWindow& w = *dialog->window();
    EXPECT_EQ(w.caption(), " Options");
    EXPECT_EQ(w.text(kIdVideoModeFrame), " Video Mode Selection");
    EXPECT_EQ(w.text(kIdShowFps), " Show FPS");
    EXPECT_EQ(w.text(kIdVisitText), " Visit our official web-site for more great 3D screensavers");
    EXPECT_EQ(dialog->aboutBox()->text(kIdAboutMusicBy), "");
    EXPECT_EQ(dialog->aboutBox()->caption(), " About");

    EXPECT_EQ(w.listSelection(kIdResolutionList), -1);  // Usemon: index 10 has no item
    EXPECT_FALSE(w.isEnabled(kIdResolutionList));
    EXPECT_TRUE(w.isChecked(kIdStyle12h));
    EXPECT_FALSE(w.isChecked(kIdStyle24h));
    EXPECT_EQ(w.sliderPosition(kIdGammaSlider), 75);
    EXPECT_EQ(w.sliderPosition(kIdVolumeSlider), 40);

    // Programmatic changes raise no commands.
    w.setChecked(kIdStyle24h, true);
    w.setChecked(kIdStyle12h, false);
    w.setChecked(kIdShowFps, true);
    w.setListSelection(kIdResolutionList, 4);
    w.setSliderPosition(kIdVolumeSlider, 130);
    EXPECT_TRUE(pumpAll(*toolkit).empty());
    EXPECT_TRUE(w.isChecked(kIdStyle24h));
    EXPECT_FALSE(w.isChecked(kIdStyle12h));
    EXPECT_EQ(w.listSelection(kIdResolutionList), 4);
    w.setListSelection(kIdResolutionList, 10);
    EXPECT_EQ(w.listSelection(kIdResolutionList), -1);
    EXPECT_EQ(w.sliderPosition(kIdVolumeSlider), 100);
    EXPECT_EQ(w.text(4242), "");
    EXPECT_FALSE(w.isChecked(kIdOk));
}

TEST_F(GtkOptionsDialog, ShownDialogAndAboutBox) {
    // For the design review: GLIMMERDALE_DIALOG_SCREENSHOT=<file> keeps pictures of the screen with
    // the dialog (<file>.png) and with the About box over it (<file>-about.png).
    const char* screenshot = std::getenv("GLIMMERDALE_DIALOG_SCREENSHOT");
    auto settle = [this] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (std::chrono::steady_clock::now() < deadline) {
            pumpAll(*toolkit);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    dialog->show();
    settle();
    EXPECT_TRUE(dialog->window()->isVisible());
    EXPECT_FALSE(dialog->aboutBox()->isVisible());
    if (screenshot) std::system((std::string("import -window root ") + screenshot + ".png").c_str());
    dialog->handleEvent(DialogEvent{DialogEvent::Kind::Command, kOptionsDialogId, kIdAboutButton});
    settle();
    EXPECT_TRUE(dialog->aboutBox()->isVisible());
    if (screenshot) std::system((std::string("import -window root ") + screenshot + "-about.png").c_str());
    dialog->handleEvent(DialogEvent{DialogEvent::Kind::Close, kAboutBoxId, 0});
    EXPECT_FALSE(dialog->aboutBox()->isVisible());
}
