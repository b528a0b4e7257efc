// Dialogs from the executable's dialog resources: a DialogTemplate's id names the resource, which
// holds the same controls at the same ids and rectangles. Messages are taken and dispatched one at
// a time without dialog-message preprocessing; the dialog procedures turn button clicks and close
// requests into DialogEvents for the pump's queue.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {

namespace {

constexpr wchar_t kTrackbarClass[] = L"msctls_trackbar32";
constexpr wchar_t kComboBoxClass[] = L"ComboBox";
constexpr wchar_t kButtonClass[] = L"Button";

// Handles travel as 32-bit numbers (the command line's window number); Windows sign-extends them.
HWND handleFromNumber(std::uint32_t number) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(number)));
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

bool hasClass(HWND window, const wchar_t* className) {
    wchar_t name[32] = {};
    return window != nullptr && GetClassNameW(window, name, 32) > 0 && lstrcmpiW(name, className) == 0;
}

bool isCheckable(HWND control) {
    if (!hasClass(control, kButtonClass)) return false;
    switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return true;
        default:
            return false;
    }
}

class Win32Toolkit;

class Win32DialogWindow : public DialogWindow {
public:
    Win32DialogWindow(Win32Toolkit& toolkit, int dialogId) : toolkit_(toolkit), dialogId_(dialogId) {}
    ~Win32DialogWindow() override {
        if (window_ != nullptr) {
            destroying_ = true;
            DestroyWindow(window_);
        }
    }
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    bool create(HWND owner) {
        window_ = CreateDialogParamW(win32::programInstance(), MAKEINTRESOURCEW(dialogId_), owner,
                                     &Win32DialogWindow::procedure, reinterpret_cast<LPARAM>(this));
        return window_ != nullptr;
    }
    HWND handle() const { return window_; }

    void setCaption(const std::string& text) override {
        if (window_) SetWindowTextW(window_, win32::widen(text).c_str());
    }
    std::string caption() const override {
        return window_ ? win32::narrow(windowText(window_).c_str()) : std::string();
    }
    void setText(int control, const std::string& text) override {
        if (HWND c = find(control)) SetWindowTextW(c, win32::widen(text).c_str());
    }
    std::string text(int control) const override {
        const HWND c = find(control);
        return c ? win32::narrow(windowText(c).c_str()) : std::string();
    }
    void setChecked(int control, bool checked) override {
        // Setting the state directly sends no click notification.
        const HWND c = find(control);
        if (isCheckable(c)) SendMessageW(c, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    bool isChecked(int control) const override {
        const HWND c = find(control);
        return isCheckable(c) && SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void setEnabled(int control, bool enabled) override {
        if (HWND c = find(control)) EnableWindow(c, enabled ? TRUE : FALSE);
    }
    bool isEnabled(int control) const override {
        const HWND c = find(control);
        return c && IsWindowEnabled(c);
    }
    void setSliderRange(int control, int minimum, int maximum) override {
        const HWND c = find(control, kTrackbarClass);
        if (!c || minimum > maximum) return;
        SendMessageW(c, TBM_SETRANGEMIN, FALSE, minimum);
        SendMessageW(c, TBM_SETRANGEMAX, TRUE, maximum);
    }
    void setSliderPosition(int control, int position) override {
        // The trackbar pins the position to its range itself.
        if (HWND c = find(control, kTrackbarClass)) SendMessageW(c, TBM_SETPOS, TRUE, position);
    }
    int sliderPosition(int control) const override {
        const HWND c = find(control, kTrackbarClass);
        return c ? static_cast<int>(SendMessageW(c, TBM_GETPOS, 0, 0)) : 0;
    }
    void setListItems(int control, const std::vector<std::string>& items) override {
        const HWND c = find(control, kComboBoxClass);
        if (!c) return;
        SendMessageW(c, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : items) {
            const std::wstring wide = win32::widen(item);
            SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        }
    }
    void setListSelection(int control, int index) override {
        const HWND c = find(control, kComboBoxClass);
        if (!c) return;
        const int count = static_cast<int>(SendMessageW(c, CB_GETCOUNT, 0, 0));
        SendMessageW(c, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
    }
    int listSelection(int control) const override {
        const HWND c = find(control, kComboBoxClass);
        if (!c) return -1;
        const LRESULT selected = SendMessageW(c, CB_GETCURSEL, 0, 0);
        return selected == CB_ERR ? -1 : static_cast<int>(selected);
    }
    void setVisible(bool visible) override {
        if (!window_) return;
        ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
        if (visible) SetForegroundWindow(window_);
    }
    bool isVisible() const override { return window_ && IsWindowVisible(window_); }

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HWND find(int control) const { return window_ && control != -1 ? GetDlgItem(window_, control) : nullptr; }
    HWND find(int control, const wchar_t* className) const {
        const HWND c = find(control);
        return hasClass(c, className) ? c : nullptr;
    }

    Win32Toolkit& toolkit_;
    int dialogId_;
    HWND window_ = nullptr;
    bool destroying_ = false;  // our own DestroyWindow, not the system's
};

class Win32Toolkit : public DialogToolkit {
public:
    explicit Win32Toolkit(HWND host) : host_(host) {}

    std::unique_ptr<DialogWindow> createDialog(const DialogTemplate& layout, DialogWindow* owner) override {
        auto dialog = std::make_unique<Win32DialogWindow>(*this, layout.id);
        // A dialog without an owner of ours stays above the window that started us, if any.
        const HWND ownerWindow = owner ? static_cast<Win32DialogWindow*>(owner)->handle() : host_;
        if (!dialog->create(ownerWindow)) return nullptr;
        return dialog;
    }

    bool pollEvent(DialogEvent& event) override {
        return events_.next(event, [] {
            MSG message;
            if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
            TranslateMessage(&message);
            DispatchMessageW(&message);
            return true;
        });
    }

    bool openWebAddress(const std::string& address) override {
        const HINSTANCE result =
            ShellExecuteW(nullptr, L"open", win32::widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }

    void post(const DialogEvent& event) { events_.post(event); }

private:
    HWND host_;
    DialogEventQueue events_;
};

INT_PTR CALLBACK Win32DialogWindow::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            // Clicks on buttons, check boxes and radio buttons, by mouse or by keyboard. Commands
            // without a control (the Cancel command the default handling sends on WM_CLOSE) are
            // not clicks.
            if (HIWORD(wParam) == BN_CLICKED && lParam != 0 &&
                hasClass(reinterpret_cast<HWND>(lParam), kButtonClass)) {
                self->toolkit_.post(DialogEvent{DialogEvent::Kind::Command, self->dialogId_,
                                                static_cast<int>(LOWORD(wParam))});
            }
            break;
        case WM_CLOSE:
            self->toolkit_.post(DialogEvent{DialogEvent::Kind::Close, self->dialogId_, 0});
            break;
        case WM_DESTROY:
            // Destroyed by anyone but us (with its owner, say): the user can no longer answer it,
            // which counts as closing it.
            if (!self->destroying_)
                self->toolkit_.post(DialogEvent{DialogEvent::Kind::Close, self->dialogId_, 0});
            self->window_ = nullptr;
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            break;
        default:
            break;
    }
    // Every message also gets the default dialog handling.
    return FALSE;
}

}  // namespace

std::unique_ptr<DialogToolkit> createDialogToolkit(std::string& reason, std::uint32_t hostWindow) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;  // the trackbars
    if (!InitCommonControlsEx(&controls)) {
        reason = "the common controls could not be initialised";
        return nullptr;
    }
    const HWND host = handleFromNumber(hostWindow);
    return std::make_unique<Win32Toolkit>(hostWindow != 0 && IsWindow(host) ? host : nullptr);
}

}  // namespace platform
