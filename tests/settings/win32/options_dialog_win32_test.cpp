// The Windows dialog toolkit over the program's own dialog resources 101 and 136 (cross-built, run
// under Wine inside an X server).

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"
#include "platform/win32/wide_text_win32.h"
#include "settings/options_dialog.h"

namespace {

using platform::ControlKind;
using platform::DialogEvent;

std::vector<DialogEvent> meaningfulEvents(platform::DialogToolkit& toolkit) {
    std::vector<DialogEvent> events;
    DialogEvent event;
    while (toolkit.pollEvent(event)) {
        if (event.kind != DialogEvent::Kind::Other) events.push_back(event);
    }
    return events;
}

bool sameEvent(const DialogEvent& event, DialogEvent::Kind kind, int dialog, int control) {
    return event.kind == kind && event.dialogId == dialog && event.controlId == control;
}

// The dialog's window, found through a caption nothing else has.
HWND windowOf(platform::DialogWindow& dialog, const wchar_t* caption) {
    dialog.setCaption(platform::win32::narrow(caption));
    return FindWindowW(L"#32770", caption);
}

class Win32Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        toolkit = platform::createDialogToolkit(reason, 0);
        ASSERT_TRUE(toolkit) << reason;
        options = toolkit->createDialog(kOptionsDialogTemplate, nullptr);
        ASSERT_TRUE(options);
        about = toolkit->createDialog(kAboutBoxTemplate, options.get());
        ASSERT_TRUE(about);
    }
    void TearDown() override {
        about.reset();
        options.reset();
        if (toolkit) meaningfulEvents(*toolkit);
    }

    std::unique_ptr<platform::DialogToolkit> toolkit;
    std::unique_ptr<platform::DialogWindow> options;
    std::unique_ptr<platform::DialogWindow> about;
};

// What the two dialogs must hold, written from their description (not from the program's own
// tables, so that a mistake shared by the resources and the tables still shows): each control's id
// (-1: none), kind, resource text (nullptr: not checked) and rectangle in dialog units. The About
// box's description gives no rectangles (width 0): there the resources must match the layout the
// GTK dialog draws from, the program's template.
struct ExpectedControl {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
};

const ExpectedControl kOptionsDialogControls[] = {
    {1048, ControlKind::Frame, "Video Mode Selection", 6, 7, 194, 40},
    {1049, ControlKind::Frame, "Sound Control", 6, 48, 194, 46},
    {1050, ControlKind::Frame, "Graphics", 6, 95, 194, 48},
    {1051, ControlKind::Frame, "Products", 6, 144, 336, 31},
    {1053, ControlKind::Frame, "Misc Options", 202, 95, 140, 48},
    {1016, ControlKind::DropDownList, nullptr, 15, 17, 119, 84},
    {1015, ControlKind::CheckBox, "Use Desktop Settings", 15, 32, 108, 12},
    {1012, ControlKind::CheckBox, "Enable music", 15, 76, 76, 12},
    {1047, ControlKind::Label, "Master volume:", 15, 62, 62, 10},
    {1013, ControlKind::Slider, nullptr, 83, 60, 104, 12},
    {1054, ControlKind::Label, "Gamma Control:", 15, 115, 62, 10},
    {1007, ControlKind::Slider, nullptr, 83, 113, 104, 12},
    {1055, ControlKind::Label, "Visit our official web-site for more great 3D screensavers", 15, 157, 195, 8},
    {1028, ControlKind::Button, "Visit...", 208, 154, 61, 14},
    {1019, ControlKind::Button, "About...", 272, 154, 61, 14},
    {1031, ControlKind::Button, "Restore Defaults", 15, 211, 69, 14},
    {1032, ControlKind::Button, "OK", 208, 211, 61, 14},
    {1034, ControlKind::Button, "Cancel", 272, 211, 61, 14},
    {1037, ControlKind::CheckBox, "Show time", 208, 106, 49, 10},
    {1024, ControlKind::RadioButton, "12h style", 208, 117, 45, 10},
    {1038, ControlKind::RadioButton, "24h style", 208, 128, 45, 10},
    {1008, ControlKind::CheckBox, "Show FPS", 259, 106, 47, 10},
    {1010, ControlKind::CheckBox, "Exit on mouse move", 259, 122, 80, 10},
    {-1, ControlKind::Picture, nullptr, 203, 2, 140, 93},
};

const ExpectedControl kAboutBoxControls[] = {
    {1, ControlKind::Button, "OK", 0, 0, 0, 0},
    {-1, ControlKind::Frame, nullptr, 0, 0, 0, 0},
    {1062, ControlKind::Label, "Glimmerdale", 0, 0, 0, 0},
    {1056, ControlKind::Label, "Programming by", 0, 0, 0, 0},
    {1057, ControlKind::Label, "3D Models by", 0, 0, 0, 0},
    {1058, ControlKind::Label, "Music by", 0, 0, 0, 0},
    {1059, ControlKind::Label, nullptr, 0, 0, 0, 0},
    {1060, ControlKind::Label, nullptr, 0, 0, 0, 0},
    {1061, ControlKind::Label, nullptr, 0, 0, 0, 0},
    {1063, ControlKind::Label, nullptr, 0, 0, 0, 0},
    {1064, ControlKind::Label, "All rights reserved ", 0, 0, 0, 0},
    {-1, ControlKind::Picture, nullptr, 0, 0, 0, 0},
};

// Whether a child window is a control of this kind, with the styles the description asks for: check
// boxes and radio buttons of the automatic kind, sliders without tick marks.
::testing::AssertionResult hasKind(HWND child, ControlKind kind) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    const bool button = _wcsicmp(className, L"Button") == 0, label = _wcsicmp(className, L"Static") == 0;
    bool matches = false;
    switch (kind) {
        case ControlKind::Frame:
            matches = button && (style & BS_TYPEMASK) == BS_GROUPBOX;
            break;
        case ControlKind::CheckBox:
            matches = button && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
            break;
        case ControlKind::RadioButton:
            matches = button && (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
            break;
        case ControlKind::Button:
            matches = button && (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
            break;
        case ControlKind::DropDownList:
            matches = _wcsicmp(className, L"ComboBox") == 0 && (style & 3) == CBS_DROPDOWNLIST;
            break;
        case ControlKind::Slider:
            matches = _wcsicmp(className, TRACKBAR_CLASSW) == 0 &&
                      (style & (TBS_NOTICKS | TBS_VERT)) == TBS_NOTICKS;
            break;
        case ControlKind::Label:
            matches = label && (style & SS_TYPEMASK) == SS_LEFT;
            break;
        case ControlKind::Picture:
            matches = label && (style & SS_TYPEMASK) == SS_BITMAP &&
                      SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
            break;
    }
    if (matches) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "class " << platform::win32::narrow(className) << ", style 0x"
                                         << std::hex << style << ", wanted kind " << std::dec << int(kind);
}

// The control of the program's template with this id (without one: the first of its kind).
const platform::ControlTemplate* templateControl(const platform::DialogTemplate& layout,
                                                 const ExpectedControl& control) {
    for (std::size_t i = 0; i < layout.controlCount; ++i)
        if (layout.controls[i].id == control.id && layout.controls[i].kind == control.kind)
            return &layout.controls[i];
    return nullptr;
}

}  // namespace

TEST_F(Win32Dialogs, TheResourcesHoldEveryControlAtItsRectangleWithItsKindAndTextAndStartHidden) {
    EXPECT_FALSE(options->isVisible());
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(options->caption(), "Glimmerdale Configuration");
    EXPECT_EQ(about->caption(), "About");
    struct ExpectedDialog {
        platform::DialogWindow* window;
        const wchar_t* testCaption;  // a caption nothing else has, to find the window by
        int width, height;           // dialog units
        const ExpectedControl* controls;
        std::size_t controlCount;
    };
    const ExpectedDialog dialogs[] = {
        {options.get(), L"win32 toolkit test: layout", 349, 230, kOptionsDialogControls,
         std::size(kOptionsDialogControls)},
        {about.get(), L"win32 toolkit test: about layout", 224, 94, kAboutBoxControls,
         std::size(kAboutBoxControls)},
    };
    for (const ExpectedDialog& expected : dialogs) {
        SCOPED_TRACE(platform::win32::narrow(expected.testCaption));
        const HWND dialog = windowOf(*expected.window, expected.testCaption);
        ASSERT_NE(dialog, nullptr);
        // The 8-point "MS Shell Dlg" font, in which the dialog units are measured.
        const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
        LOGFONTW face{};
        ASSERT_NE(font, nullptr);
        ASSERT_NE(GetObjectW(font, sizeof face, &face), 0);
        EXPECT_STREQ(face.lfFaceName, L"MS Shell Dlg");
        const HDC screen = GetDC(nullptr);
        EXPECT_EQ(
            MulDiv(face.lfHeight < 0 ? -face.lfHeight : face.lfHeight, 72, GetDeviceCaps(screen, LOGPIXELSY)),
            8);
        ReleaseDC(nullptr, screen);

        RECT client;
        GetClientRect(dialog, &client);
        RECT size{0, 0, expected.width, expected.height};
        MapDialogRect(dialog, &size);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);

        std::vector<HWND> children;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            children.push_back(child);
        EXPECT_EQ(children.size(), expected.controlCount) << "controls in the dialog";
        for (std::size_t i = 0; i < expected.controlCount; ++i) {
            const ExpectedControl& control = expected.controls[i];
            SCOPED_TRACE("control " + std::to_string(control.id) + ", row " + std::to_string(i));
            // A control without an id is the first of its kind without one.
            const auto found = std::find_if(children.begin(), children.end(), [&](HWND child) {
                const int id = GetDlgCtrlID(child);
                return control.id != -1 ? id == control.id
                                        : (id == -1 || id == 0xFFFF) && hasKind(child, control.kind);
            });
            ASSERT_NE(found, children.end()) << "missing";
            const HWND child = *found;
            children.erase(found);
            EXPECT_TRUE(hasKind(child, control.kind));
            if (control.text != nullptr) {
                EXPECT_EQ(expected.window->text(control.id), control.text);
            }
            RECT place{control.x, control.y, control.width, control.height};
            if (control.width == 0) {
                const platform::ControlTemplate* shown = templateControl(kAboutBoxTemplate, control);
                ASSERT_NE(shown, nullptr) << "not in the program's template";
                place = {shown->x, shown->y, shown->width, shown->height};
            }
            // Windows maps the position and the size separately, each rounded on its own.
            MapDialogRect(dialog, &place);
            RECT actual;
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(actual.left, place.left);
            EXPECT_EQ(actual.top, place.top);
            EXPECT_EQ(actual.right - actual.left, place.right);
            // A drop-down list's height is that of the opened list, which the list fits to whole items.
            if (control.kind != ControlKind::DropDownList) {
                EXPECT_EQ(actual.bottom - actual.top, place.bottom);
            }
        }
    }
}

TEST_F(Win32Dialogs, ControlsHoldWhatIsSetWithoutRaisingEvents) {
    options->setText(kIdVisitText, "Größe 800х600");
    EXPECT_EQ(options->text(kIdVisitText), "Größe 800х600");
    options->setText(kIdUseDesktop, "");
    EXPECT_EQ(options->text(kIdUseDesktop), "");

    options->setListItems(kIdResolutionList,
                          std::vector<std::string>(std::begin(kResolutionItems), std::end(kResolutionItems)));
    options->setListSelection(kIdResolutionList, 9);
    EXPECT_EQ(options->listSelection(kIdResolutionList), 9);
    options->setListSelection(kIdResolutionList, 10);  // no such item
    EXPECT_EQ(options->listSelection(kIdResolutionList), -1);

    options->setSliderRange(kIdGammaSlider, 0, 100);
    options->setSliderPosition(kIdGammaSlider, 74);
    EXPECT_EQ(options->sliderPosition(kIdGammaSlider), 74);
    options->setSliderPosition(kIdGammaSlider, 130);
    EXPECT_EQ(options->sliderPosition(kIdGammaSlider), 100);
    options->setSliderPosition(kIdGammaSlider, -4);
    EXPECT_EQ(options->sliderPosition(kIdGammaSlider), 0);

    options->setChecked(kIdShowFps, true);
    options->setChecked(kIdStyle24h, true);
    options->setChecked(kIdStyle12h, false);
    EXPECT_TRUE(options->isChecked(kIdShowFps));
    EXPECT_TRUE(options->isChecked(kIdStyle24h));
    EXPECT_FALSE(options->isChecked(kIdStyle12h));
    options->setEnabled(kIdVolumeSlider, false);
    EXPECT_FALSE(options->isEnabled(kIdVolumeSlider));
    EXPECT_TRUE(options->isEnabled(kIdGammaSlider));
    EXPECT_TRUE(meaningfulEvents(*toolkit).empty());

    // Calls meant for another kind of control, or for no control, change nothing.
    options->setSliderPosition(kIdShowFps, 50);
    options->setChecked(kIdOk, true);
    options->setListSelection(kIdGammaSlider, 2);
    EXPECT_EQ(options->sliderPosition(kIdShowFps), 0);
    EXPECT_FALSE(options->isChecked(kIdOk));
    EXPECT_EQ(options->listSelection(kIdOk), -1);
    EXPECT_EQ(options->sliderPosition(kIdGammaSlider), 0);
    EXPECT_EQ(options->text(4242), "");
    EXPECT_FALSE(options->isEnabled(4242));
    EXPECT_FALSE(options->isChecked(-1));
}

TEST_F(Win32Dialogs, ClicksAndCloseRequestsBecomeEvents) {
    options->setVisible(true);
    about->setVisible(true);
    EXPECT_TRUE(options->isVisible());
    const HWND dialog = windowOf(*options, L"win32 toolkit test: options");
    const HWND aboutWindow = windowOf(*about, L"win32 toolkit test: about");
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(aboutWindow, nullptr);
    EXPECT_EQ(GetWindow(aboutWindow, GW_OWNER), dialog);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);

    options->setChecked(kIdStyle12h, true);
    SendMessageW(GetDlgItem(dialog, kIdShowFps), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, kIdStyle24h), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, kIdOk), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(aboutWindow, kIdAboutOk), BM_CLICK, 0, 0);
    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    const std::vector<DialogEvent> events = meaningfulEvents(*toolkit);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_TRUE(sameEvent(events[0], DialogEvent::Kind::Command, kOptionsDialogId, kIdShowFps));
    EXPECT_TRUE(sameEvent(events[1], DialogEvent::Kind::Command, kOptionsDialogId, kIdStyle24h));
    EXPECT_TRUE(sameEvent(events[2], DialogEvent::Kind::Command, kOptionsDialogId, kIdOk));
    EXPECT_TRUE(sameEvent(events[3], DialogEvent::Kind::Command, kAboutBoxId, kIdAboutOk));
    EXPECT_TRUE(sameEvent(events[4], DialogEvent::Kind::Close, kOptionsDialogId, 0));
    // The clicks worked the automatic controls: one radio button of the pair stays on.
    EXPECT_TRUE(options->isChecked(kIdShowFps));
    EXPECT_TRUE(options->isChecked(kIdStyle24h));
    EXPECT_FALSE(options->isChecked(kIdStyle12h));
    // The default handling of the close request does not destroy or hide the dialog.
    EXPECT_TRUE(options->isVisible());

    // A dialog destroyed by someone else counts as closed, and is not destroyed twice.
    DestroyWindow(aboutWindow);
    const std::vector<DialogEvent> after = meaningfulEvents(*toolkit);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_TRUE(sameEvent(after[0], DialogEvent::Kind::Close, kAboutBoxId, 0));
    EXPECT_FALSE(about->isVisible());
    about->setText(kIdAboutProduct, "gone");
    EXPECT_EQ(about->text(kIdAboutProduct), "");
}

TEST(Win32DialogOwner, TheHostWindowOwnsDialogsWithoutAnOwnerOfOurs) {
    const HWND host = CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    const auto hostNumber = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(host) & 0xFFFFFFFFu);
    for (const std::uint32_t number : {hostNumber, 0x7FFFFFF0u}) {
        std::string reason;
        const auto toolkit = platform::createDialogToolkit(reason, number);
        ASSERT_TRUE(toolkit) << reason;
        const auto dialog = toolkit->createDialog(kOptionsDialogTemplate, nullptr);
        ASSERT_TRUE(dialog);
        const wchar_t* caption = number == hostNumber ? L"owner test: host" : L"owner test: no such window";
        const HWND window = windowOf(*dialog, caption);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetWindow(window, GW_OWNER), number == hostNumber ? host : nullptr) << number;
    }
    DestroyWindow(host);
}
