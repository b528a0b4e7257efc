// The options dialog and the About box: their templates and the logic behind their controls.

#include "settings/options_dialog.h"

#include "core/run_mode.h"
#include "platform/clock.h"

using platform::ControlKind;
using platform::ControlTemplate;

namespace {

const ControlTemplate kOptionsControls[] = {
    {kIdVideoModeFrame, ControlKind::Frame, "Video Mode Selection", 6, 7, 194, 40, 0},
    {kIdSoundFrame, ControlKind::Frame, "Sound Control", 6, 48, 194, 46, 0},
    {kIdGraphicsFrame, ControlKind::Frame, "Graphics", 6, 95, 194, 48, 0},
    {kIdProductsFrame, ControlKind::Frame, "Products", 6, 144, 336, 31, 0},
    {kIdMiscFrame, ControlKind::Frame, "Misc Options", 202, 95, 140, 48, 0},
    {kIdResolutionList, ControlKind::DropDownList, "", 15, 17, 119, 84, 0},
    {kIdUseDesktop, ControlKind::CheckBox, "Use Desktop Settings", 15, 32, 108, 12, 0},
    {kIdEnableMusic, ControlKind::CheckBox, "Enable music", 15, 76, 76, 12, 0},
    {kIdVolumeLabel, ControlKind::Label, "Master volume:", 15, 62, 62, 10, 0},
    {kIdVolumeSlider, ControlKind::Slider, "", 83, 60, 104, 12, 0},
    {kIdGammaLabel, ControlKind::Label, "Gamma Control:", 15, 115, 62, 10, 0},
    {kIdGammaSlider, ControlKind::Slider, "", 83, 113, 104, 12, 0},
    {kIdVisitText, ControlKind::Label, "Visit our official web-site for more great 3D screensavers", 15, 157,
     195, 8, 0},
    {kIdVisitButton, ControlKind::Button, "Visit...", 208, 154, 61, 14, 0},
    {kIdAboutButton, ControlKind::Button, "About...", 272, 154, 61, 14, 0},
    {kIdRestoreDefaults, ControlKind::Button, "Restore Defaults", 15, 211, 69, 14, 0},
    {kIdOk, ControlKind::Button, "OK", 208, 211, 61, 14, 0},
    {kIdCancel, ControlKind::Button, "Cancel", 272, 211, 61, 14, 0},
    {kIdShowTime, ControlKind::CheckBox, "Show time", 208, 106, 49, 10, 0},
    {kIdStyle12h, ControlKind::RadioButton, "12h style", 208, 117, 45, 10, 0},
    {kIdStyle24h, ControlKind::RadioButton, "24h style", 208, 128, 45, 10, 0},
    {kIdShowFps, ControlKind::CheckBox, "Show FPS", 259, 106, 47, 10, 0},
    {kIdExitOnMouseMove, ControlKind::CheckBox, "Exit on mouse move", 259, 122, 80, 10, 0},
    {-1, ControlKind::Picture, "", 203, 2, 140, 93, kOptionsPictureId},
};

// The Linux dialog's own rows, below the products: the desktop's screensaver, the idle delay and the
// lock after Glimmerdale ran for a while. The buttons below them move down by kDesktopRowsExtra.
const ControlTemplate kDesktopControls[] = {
    {kIdDesktopFrame, ControlKind::Frame, "Screensaver of this desktop", 6, 176, 336, 56, 0},
    {kIdIdleDelayLabel, ControlKind::Label, "Start after:", 15, 188, 44, 10, 0},
    {kIdIdleDelayList, ControlKind::DropDownList, "", 61, 186, 70, 40, 0},
    {kIdUseAsScreensaver, ControlKind::Button, "Use as my screensaver", 140, 185, 96, 14, 0},
    {kIdStopUsingScreensaver, ControlKind::Button, "Stop using it", 240, 185, 93, 14, 0},
    {kIdLockAfterLabel, ControlKind::Label, "Lock the screen after", 15, 204, 80, 10, 0},
    {kIdLockAfterList, ControlKind::DropDownList, "", 97, 202, 70, 40, 0},
    {kIdLockAfterOfLabel, ControlKind::Label, "of Glimmerdale", 171, 204, 70, 10, 0},
    {kIdDesktopStatus, ControlKind::Label, "", 15, 219, 320, 8, 0},
};
constexpr int kDesktopRowsExtra = 23;

const ControlTemplate kAboutControls[] = {
    {-1, ControlKind::Picture, "", 7, 7, 64, 64, kAboutPictureId},
    {-1, ControlKind::Frame, "", 78, 3, 139, 72, 0},
    {kIdAboutProduct, ControlKind::Label, "Glimmerdale", 85, 10, 126, 10, 0},
    {kIdAboutProgrammingBy, ControlKind::Label, "Programming by", 85, 23, 58, 8, 0},
    {kIdAboutProgrammer, ControlKind::Label, "Vantorel Studio", 145, 23, 68, 8, 0},
    {kIdAboutModelsBy, ControlKind::Label, "3D Models by", 85, 33, 58, 8, 0},
    {kIdAboutModeller, ControlKind::Label, "Vantorel Studio", 145, 33, 68, 8, 0},
    {kIdAboutMusicBy, ControlKind::Label, "Music by", 85, 43, 58, 8, 0},
    {kIdAboutMusician, ControlKind::Label, "", 145, 43, 68, 8, 0},
    {kIdAboutNotice, ControlKind::Label, "Copyright (C) 2026 Vantorel", 85, 55, 128, 17, 0},
    {kIdAboutRights, ControlKind::Label, "All rights reserved ", 7, 80, 150, 8, 0},
    {kIdAboutOk, ControlKind::Button, "OK", 163, 77, 54, 14, 0},
};

// Which control each entry of the string table names, in file order; 0 stands for the caption.
struct TextTarget {
    bool aboutBox;
    int control;
};
const TextTarget kTextTargets[] = {
    {false, 0},
    {false, kIdVideoModeFrame},
    {false, kIdSoundFrame},
    {false, kIdGraphicsFrame},
    {false, kIdProductsFrame},
    {false, kIdMiscFrame},
    {false, kIdUseDesktop},
    {false, kIdEnableMusic},
    {false, kIdVolumeLabel},
    {false, kIdGammaLabel},
    {false, kIdVisitText},
    {false, kIdVisitButton},
    {false, kIdAboutButton},
    {false, kIdRestoreDefaults},
    {false, kIdOk},
    {false, kIdCancel},
    {false, kIdShowFps},
    {false, kIdExitOnMouseMove},
    {false, kIdShowTime},
    {false, kIdStyle24h},
    {false, kIdStyle12h},
    {true, kIdAboutOk},
    {true, kIdAboutProduct},
    {true, kIdAboutProgrammingBy},
    {true, kIdAboutModelsBy},
    {true, kIdAboutMusicBy},
    {true, kIdAboutNotice},
    {true, kIdAboutRights},
    {true, kIdAboutProgrammer},
    {true, kIdAboutModeller},
    {true, kIdAboutMusician},
    {true, 0},
};

constexpr int kSliderMaximum = 100;
constexpr float kGammaPerSliderStep = 0.04f;
constexpr float kSliderStepsPerGamma = 25.0f;
// Idle passes of the dialog loop before it starts sleeping between polls.
constexpr unsigned kBusyPasses = 100;

}  // namespace

const platform::DialogTemplate kOptionsDialogTemplate = {
    kOptionsDialogId,
    "Glimmerdale Configuration",
    349,
    230,
    kOptionsControls,
    sizeof kOptionsControls / sizeof kOptionsControls[0]};
const std::vector<ControlTemplate> kOptionsAndDesktopControls = [] {
    std::vector<ControlTemplate> all(std::begin(kOptionsControls), std::end(kOptionsControls));
    for (ControlTemplate& control : all)
        if (control.id == kIdRestoreDefaults || control.id == kIdOk || control.id == kIdCancel)
            control.y += kDesktopRowsExtra;
    all.insert(all.end(), std::begin(kDesktopControls), std::end(kDesktopControls));
    return all;
}();
const platform::DialogTemplate kOptionsDialogDesktopTemplate = {
    kOptionsDialogId,        "Glimmerdale Configuration",       349,
    230 + kDesktopRowsExtra, kOptionsAndDesktopControls.data(), kOptionsAndDesktopControls.size()};
const platform::DialogTemplate kAboutBoxTemplate = {
    kAboutBoxId, "About", 224, 94, kAboutControls, sizeof kAboutControls / sizeof kAboutControls[0]};

const char* const kOptionsDialogCaption = "Glimmerdale Configuration";
const char* const kResolutionItems[10] = {
    "800х600х16",   "800х600х32",  "1024х768х16", "1024х768х32",  "1280х1024х16",
    "1280х1024х32", "1152х864х16", "1152х864х32", "1600х1200х16", "1600х1200х32",
};
const int kIdleDelayChoices[8] = {1, 2, 5, 10, 15, 20, 30, 60};
const int kLockAfterChoices[8] = {0, 1, 2, 5, 10, 15, 30, 60};
const char* const kMakerWebAddress = "https://vantorel.example/glimmerdale";
const char* const kStringTablePath = "Text/text.txt";

OptionsDialog::OptionsDialog(SettingsStore& store, platform::DialogToolkit& toolkit,
                             ScreensaverSetup screensaverSetup)
    : store_(store), toolkit_(toolkit), screensaverSetup_(std::move(screensaverSetup)) {}

bool OptionsDialog::create() {
    dialog_ = toolkit_.createDialog(
        screensaverSetup_ ? kOptionsDialogDesktopTemplate : kOptionsDialogTemplate, nullptr);
    if (!dialog_) return false;
    dialog_->setCaption(kOptionsDialogCaption);
    dialog_->setSliderRange(kIdVolumeSlider, 0, kSliderMaximum);
    dialog_->setSliderRange(kIdGammaSlider, 0, kSliderMaximum);
    dialog_->setListItems(kIdResolutionList,
                          std::vector<std::string>(std::begin(kResolutionItems), std::end(kResolutionItems)));
    dialog_->setListSelection(kIdResolutionList, 0);
    std::vector<std::string> delays;
    for (int minutes : kIdleDelayChoices)
        delays.push_back(std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes"));
    dialog_->setListItems(kIdIdleDelayList, delays);
    std::vector<std::string> lockAfter;
    for (int minutes : kLockAfterChoices)
        lockAfter.push_back(minutes == 0 ? "never"
                                         : std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes"));
    dialog_->setListItems(kIdLockAfterList, lockAfter);
    about_ = toolkit_.createDialog(kAboutBoxTemplate, dialog_.get());
    if (!about_) {
        dialog_.reset();
        return false;
    }
    return true;
}

void OptionsDialog::applyStringTable(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || !dialog_ || !about_) return;
    StringTable table;
    table.open(data, size);
    for (const TextTarget& target : kTextTargets) {
        const std::string text = table.readNextText();
        platform::DialogWindow& window = target.aboutBox ? *about_ : *dialog_;
        if (target.control == 0) {
            window.setCaption(text);
        } else {
            window.setText(target.control, text);
        }
    }
}

void OptionsDialog::updateEnabledStates() {
    const Settings& s = store_.settings();
    dialog_->setEnabled(kIdVolumeSlider, s.enableMusic);
    dialog_->setEnabled(kIdVolumeLabel, s.enableMusic);
    dialog_->setEnabled(kIdResolutionList, !s.useDesktopSize);
    dialog_->setEnabled(kIdStyle12h, s.showClock);
    dialog_->setEnabled(kIdStyle24h, s.showClock);
    for (int control : {kIdIdleDelayLabel, kIdIdleDelayList, kIdUseAsScreensaver, kIdStopUsingScreensaver,
                        kIdLockAfterLabel, kIdLockAfterList, kIdLockAfterOfLabel})
        dialog_->setEnabled(control, screensaverSetup_ != nullptr);
}

void OptionsDialog::loadControls() {
    if (!dialog_) return;
    const Settings& s = store_.settings();
    // An index without an item (10, or a damaged one) leaves nothing selected.
    const bool listed = s.resolutionIndex >= 0 && s.resolutionIndex < 10;
    dialog_->setListSelection(kIdResolutionList, listed ? s.resolutionIndex : -1);
    dialog_->setChecked(kIdShowFps, s.showFrameRate);
    dialog_->setChecked(kIdShowTime, s.showClock);
    dialog_->setChecked(kIdExitOnMouseMove, s.exitOnMouseMove);
    dialog_->setChecked(kIdStyle24h, s.clock24Hour);
    dialog_->setChecked(kIdStyle12h, !s.clock24Hour);
    dialog_->setChecked(kIdEnableMusic, s.enableMusic);
    dialog_->setChecked(kIdUseDesktop, s.useDesktopSize);
    dialog_->setSliderPosition(kIdVolumeSlider, static_cast<int>(s.masterVolume));
    dialog_->setSliderPosition(kIdGammaSlider, static_cast<int>(s.gamma * kSliderStepsPerGamma));
    // A delay the list does not offer (set by hand in the file) shows no item and is kept.
    int delayItem = -1;
    for (int i = 0; i < 8; ++i)
        if (kIdleDelayChoices[i] == s.idleDelayMinutes) delayItem = i;
    dialog_->setListSelection(kIdIdleDelayList, delayItem);
    int lockItem = -1;
    for (int i = 0; i < 8; ++i)
        if (kLockAfterChoices[i] == s.lockAfterMinutes) lockItem = i;
    dialog_->setListSelection(kIdLockAfterList, lockItem);
    updateEnabledStates();
}

void OptionsDialog::readControls() {
    if (!dialog_) return;
    Settings& s = store_.settings();
    s.useDesktopSize = dialog_->isChecked(kIdUseDesktop);
    if (s.useDesktopSize) {
        store_.useDesktopResolution();
    } else {
        s.resolutionIndex = dialog_->listSelection(kIdResolutionList);
    }
    s.showFrameRate = dialog_->isChecked(kIdShowFps);
    s.clock24Hour = dialog_->isChecked(kIdStyle24h);
    s.showClock = dialog_->isChecked(kIdShowTime);
    s.exitOnMouseMove = dialog_->isChecked(kIdExitOnMouseMove);
    s.enableMusic = dialog_->isChecked(kIdEnableMusic);
    // The dialog has no controls for these two, and OK always stores these values.
    s.unusedEnableSound = false;
    s.unusedMusicVolume = 0.0f;
    s.masterVolume = static_cast<float>(dialog_->sliderPosition(kIdVolumeSlider));
    s.gamma = static_cast<float>(dialog_->sliderPosition(kIdGammaSlider)) * kGammaPerSliderStep;
    readIdleDelay();
    readLockAfter();
}

void OptionsDialog::readIdleDelay() {
    const int item = dialog_->listSelection(kIdIdleDelayList);
    if (screensaverSetup_ && item >= 0 && item < 8)
        store_.settings().idleDelayMinutes = kIdleDelayChoices[item];
}

void OptionsDialog::readLockAfter() {
    const int item = dialog_->listSelection(kIdLockAfterList);
    if (screensaverSetup_ && item >= 0 && item < 8)
        store_.settings().lockAfterMinutes = kLockAfterChoices[item];
}

void OptionsDialog::setUpScreensaver(bool use) {
    if (!screensaverSetup_) return;
    // A launcher started now takes the delay and the lock-after time from the file: the ones chosen
    // in the lists go there first.
    readIdleDelay();
    store_.saveIdleDelay();
    readLockAfter();
    store_.saveLockAfter();
    dialog_->setText(kIdDesktopStatus, screensaverSetup_(use));
}

void OptionsDialog::show() {
    if (dialog_) dialog_->setVisible(true);
}

void OptionsDialog::handleOptionsCommand(int control) {
    Settings& s = store_.settings();
    switch (control) {
        case kIdEnableMusic:
            s.enableMusic = !s.enableMusic;
            updateEnabledStates();
            break;
        case kIdUseDesktop:
            s.useDesktopSize = !s.useDesktopSize;
            updateEnabledStates();
            break;
        case kIdShowTime:
            s.showClock = !s.showClock;
            updateEnabledStates();
            break;
        case kIdAboutButton:
            about_->setVisible(true);
            break;
        case kIdVisitButton:
            toolkit_.openWebAddress(kMakerWebAddress);
            break;
        case kIdRestoreDefaults:
            store_.reset();
            loadControls();
            break;
        case kIdUseAsScreensaver:
        case kIdStopUsingScreensaver:
            setUpScreensaver(control == kIdUseAsScreensaver);
            break;
        case kIdOk:
            readControls();
            store_.save();
            if (screensaverSetup_) store_.saveIdleDelay();
            if (screensaverSetup_) store_.saveLockAfter();
            setRunMode(RunMode::Quit);
            break;
        case kIdCancel:
            setRunMode(RunMode::Quit);
            break;
        default:
            break;
    }
}

void OptionsDialog::handleEvent(const platform::DialogEvent& event) {
    if (!dialog_ || !about_) return;
    using Kind = platform::DialogEvent::Kind;
    if (event.dialogId == kOptionsDialogId) {
        if (event.kind == Kind::Close) setRunMode(RunMode::Quit);
        if (event.kind == Kind::Command) handleOptionsCommand(event.controlId);
    } else if (event.dialogId == kAboutBoxId) {
        if (event.kind == Kind::Close || (event.kind == Kind::Command && event.controlId == kIdAboutOk)) {
            about_->setVisible(false);
        }
    }
}

void OptionsDialog::run() {
    unsigned passes = 0;
    while (currentRunMode() == RunMode::Configure) {
        platform::DialogEvent event;
        if (toolkit_.pollEvent(event)) {
            handleEvent(event);
        } else if (passes > kBusyPasses) {
            platform::sleepMilliseconds(1);
        }
        if (passes <= kBusyPasses) ++passes;
    }
}
