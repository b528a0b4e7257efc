// The Windows dialog toolkit over the program's own dialog resources 101 and 136 (cross-built, run
// under Wine inside an X server).

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

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

}  // namespace

TEST_F(Win32Dialogs, ResourcesHoldTheTemplatesTextsAndStartHidden) {
    EXPECT_FALSE(options->isVisible());
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(options->caption(), kOptionsDialogCaption);
    EXPECT_EQ(about->caption(), kAboutBoxTemplate.caption);
    for (const platform::DialogTemplate* layout : {&kOptionsDialogTemplate, &kAboutBoxTemplate}) {
        platform::DialogWindow& window = layout == &kOptionsDialogTemplate ? *options : *about;
        for (std::size_t i = 0; i < layout->controlCount; ++i) {
            const platform::ControlTemplate& control = layout->controls[i];
            if (control.id == -1 || control.kind == ControlKind::Slider ||
                control.kind == ControlKind::DropDownList)
                continue;
            EXPECT_EQ(window.text(control.id), control.text) << "control " << control.id;
        }
    }
}

// The resources and the templates the shared logic and the GTK dialog use must not drift apart:
// every control sits at its rectangle in the 8-point "MS Shell Dlg" dialog font, and has the kind its
// template names.
TEST_F(Win32Dialogs, ResourcesPlaceEveryControlAtItsTemplateRectangle) {
    const HWND optionsWindow = windowOf(*options, L"win32 toolkit test: layout");
    const HWND aboutWindow = windowOf(*about, L"win32 toolkit test: about layout");
    ASSERT_NE(optionsWindow, nullptr);
    ASSERT_NE(aboutWindow, nullptr);
    for (const platform::DialogTemplate* layout : {&kOptionsDialogTemplate, &kAboutBoxTemplate}) {
        const HWND dialog = layout == &kOptionsDialogTemplate ? optionsWindow : aboutWindow;
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
        RECT size{0, 0, layout->width, layout->height};
        MapDialogRect(dialog, &size);
        EXPECT_EQ(client.right, size.right) << layout->id;
        EXPECT_EQ(client.bottom, size.bottom) << layout->id;

        // Controls without an id are found by their place in the child order, which is the template's.
        HWND child = GetWindow(dialog, GW_CHILD);
        for (std::size_t i = 0; i < layout->controlCount; ++i, child = GetWindow(child, GW_HWNDNEXT)) {
            const platform::ControlTemplate& control = layout->controls[i];
            ASSERT_NE(child, nullptr) << "control " << i << " of dialog " << layout->id;
            EXPECT_EQ(GetDlgCtrlID(child), control.id) << i;
            // Windows maps the position and the size separately, each rounded on its own.
            RECT expected{control.x, control.y, control.width, control.height};
            MapDialogRect(dialog, &expected);
            RECT actual;
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(actual.left, expected.left) << "control " << control.id;
            EXPECT_EQ(actual.top, expected.top) << "control " << control.id;
            EXPECT_EQ(actual.right - actual.left, expected.right) << "control " << control.id;
            // A drop-down list's height is that of the opened list, which the list fits to whole items.
            if (control.kind != ControlKind::DropDownList) {
                EXPECT_EQ(actual.bottom - actual.top, expected.bottom) << "control " << control.id;
            }

            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            switch (control.kind) {
                case ControlKind::Frame:
                    EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX) << control.id;
                    break;
                case ControlKind::CheckBox:
                    EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX) << control.id;
                    break;
                case ControlKind::RadioButton:
                    EXPECT_EQ(style & BS_TYPEMASK, BS_AUTORADIOBUTTON) << control.id;
                    break;
                case ControlKind::Button:
                    EXPECT_LE(style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << control.id;
                    break;
                case ControlKind::DropDownList:
                    EXPECT_EQ(style & 3, CBS_DROPDOWNLIST) << control.id;
                    break;
                case ControlKind::Slider:
                    EXPECT_STREQ(className, TRACKBAR_CLASSW) << control.id;
                    EXPECT_EQ(style & (TBS_NOTICKS | TBS_VERT), TBS_NOTICKS) << control.id;
                    break;
                case ControlKind::Label:
                    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT) << control.id;
                    break;
                case ControlKind::Picture:
                    EXPECT_EQ(style & SS_TYPEMASK, SS_BITMAP);
                    EXPECT_NE(SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no picture";
                    break;
            }
        }
        EXPECT_EQ(child, nullptr) << "more controls than the template holds";
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
