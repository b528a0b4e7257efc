#pragma once
// Configure mode: the options dialog and its About box.
//
//   control ids, kOptionsDialogTemplate, kAboutBoxTemplate   what the two dialogs hold and where
//   kResolutionItems, kMakerWebAddress                       the list texts and the "Visit..." address
//   OptionsDialog    the dialog logic over a platform::DialogToolkit (tests drive it with a fake)
//
// Toggles change the Settings at once; the slider positions and the list selection are read only on
// OK, which also stores the Settings. Cancel and closing the window store nothing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/dialog_toolkit.h"
#include "settings/settings.h"
#include "settings/string_table.h"

// Dialog and control ids.
constexpr int kOptionsDialogId = 101;
constexpr int kAboutBoxId = 136;

constexpr int kIdVideoModeFrame = 1048;
constexpr int kIdSoundFrame = 1049;
constexpr int kIdGraphicsFrame = 1050;
constexpr int kIdProductsFrame = 1051;
constexpr int kIdMiscFrame = 1053;
constexpr int kIdResolutionList = 1016;
constexpr int kIdUseDesktop = 1015;
constexpr int kIdEnableMusic = 1012;
constexpr int kIdVolumeLabel = 1047;
constexpr int kIdVolumeSlider = 1013;
constexpr int kIdGammaLabel = 1054;
constexpr int kIdGammaSlider = 1007;
constexpr int kIdVisitText = 1055;
constexpr int kIdVisitButton = 1028;
constexpr int kIdAboutButton = 1019;
constexpr int kIdRestoreDefaults = 1031;
constexpr int kIdOk = 1032;
constexpr int kIdCancel = 1034;
constexpr int kIdShowTime = 1037;
constexpr int kIdStyle12h = 1024;
constexpr int kIdStyle24h = 1038;
constexpr int kIdShowFps = 1008;
constexpr int kIdExitOnMouseMove = 1010;
// The Linux dialog's own (kOptionsDialogDesktopTemplate): the desktop's screensaver, the idle delay
// and the lock after some minutes of Glimmerdale.
constexpr int kIdDesktopFrame = 1070;
constexpr int kIdIdleDelayLabel = 1071;
constexpr int kIdIdleDelayList = 1072;
constexpr int kIdUseAsScreensaver = 1073;
constexpr int kIdStopUsingScreensaver = 1074;
constexpr int kIdDesktopStatus = 1075;
constexpr int kIdLockAfterLabel = 1076;
constexpr int kIdLockAfterList = 1077;
constexpr int kIdLockAfterOfLabel = 1078;

constexpr int kIdAboutOk = 1;
constexpr int kIdAboutProduct = 1062;
constexpr int kIdAboutProgrammingBy = 1056;
constexpr int kIdAboutModelsBy = 1057;
constexpr int kIdAboutMusicBy = 1058;
constexpr int kIdAboutProgrammer = 1059;
constexpr int kIdAboutModeller = 1060;
constexpr int kIdAboutMusician = 1061;
constexpr int kIdAboutNotice = 1063;
constexpr int kIdAboutRights = 1064;

// The dialog pictures: blobs ("BITMAP", id).
constexpr unsigned kOptionsPictureId = 143;
constexpr unsigned kAboutPictureId = 142;

extern const platform::DialogTemplate kOptionsDialogTemplate;
// The same with the Linux dialog's row for the desktop's screensaver (kIdDesktopFrame and below).
extern const platform::DialogTemplate kOptionsDialogDesktopTemplate;
extern const platform::DialogTemplate kAboutBoxTemplate;

// The caption set on the options dialog before the string table replaces it.
extern const char* const kOptionsDialogCaption;  // "Glimmerdale Configuration"
// Items of the resolution list; item n is ResolutionTable entry n. "х" is U+0445.
extern const char* const kResolutionItems[10];
// Where "Visit..." leads.
extern const char* const kMakerWebAddress;
// The idle delays the list offers, in minutes; item n is kIdleDelayChoices[n].
extern const int kIdleDelayChoices[8];
// The lock-after times the list offers, in minutes (0: never); item n is kLockAfterChoices[n].
extern const int kLockAfterChoices[8];
// The string table's path in the media pack.
extern const char* const kStringTablePath;  // "Text/text.txt"

class OptionsDialog {
public:
    // Makes Glimmerdale the desktop's screensaver (true) or undoes it (false); returns what to tell
    // the user.
    using ScreensaverSetup = std::function<std::string(bool use)>;

    // A dialog that edits `store`'s settings, with widgets from `toolkit`. Both must outlive it.
    // Without `screensaverSetup` (Windows, whose own settings page chooses the screensaver) the
    // desktop controls are disabled and the idle delay and lock-after time are neither shown nor
    // stored.
    OptionsDialog(SettingsStore& store, platform::DialogToolkit& toolkit,
                  ScreensaverSetup screensaverSetup = nullptr);

    // Builds both dialogs hidden, sets the caption, the slider ranges (0 .. 100) and the list items
    // with item 0 selected. False when either dialog cannot be built.
    bool create();
    // Replaces the control texts, row by row, with the entries of the string table in `data`.
    // A missing table (null data) keeps the built-in texts; a short one empties the rest.
    void applyStringTable(const std::uint8_t* data, std::size_t size);
    // Puts the Settings into the controls and the enabled states.
    void loadControls();
    // Reads the controls into the Settings (on OK); does not store them.
    void readControls();
    void show();
    // The options dialog's and the About box's response to one event. OK, Cancel and closing the
    // options dialog set the run mode to Quit.
    void handleEvent(const platform::DialogEvent& event);
    // Pumps events while the run mode is Configure, sleeping 1 ms per idle pass after the first 100 passes.
    void run();

    platform::DialogWindow* window() { return dialog_.get(); }
    platform::DialogWindow* aboutBox() { return about_.get(); }

private:
    void handleOptionsCommand(int control);
    void updateEnabledStates();

    void readIdleDelay();
    void readLockAfter();
    void setUpScreensaver(bool use);

    SettingsStore& store_;
    platform::DialogToolkit& toolkit_;
    ScreensaverSetup screensaverSetup_;
    std::unique_ptr<platform::DialogWindow> dialog_;
    std::unique_ptr<platform::DialogWindow> about_;  // released before dialog_, its owner
};
