// The preview: dialog resource 126 (a borderless child holding one picture control) created inside
// the host's window, or inside a small captioned window of our own when there is no host. The
// picture handed in is drawn scaled to the preview's size into the dialog's picture control.

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/bmp_decoder.h"
#include "platform/preview.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {
namespace {

constexpr int kPreviewDialog = 126;
constexpr wchar_t kOwnWindowClass[] = L"GlimmerdalePreview";
constexpr COLORREF kPlainDarkBlue = RGB(0x10, 0x20, 0x50);
constexpr std::uint64_t kMaxPicturePixels = 4096 * 4096;

// Handles travel as 32-bit numbers (the command line's window number); Windows sign-extends them.
HWND handleFromNumber(std::uint32_t number) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(number)));
}
std::uint32_t numberFromHandle(HWND handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<INT_PTR>(handle));
}

}  // namespace

struct PreviewWindow::State {
    HWND host = nullptr;    // the window the dialog lives in: the given parent or our own window
    HWND own = nullptr;     // our own top-level window, when there was no parent
    HWND dialog = nullptr;  // dialog 126
    HBITMAP shown = nullptr;
    bool classRegistered = false;
    bool closeRequested = false;
    bool gone = false;
    bool destroying = false;
    BmpPicture picture;  // empty for the plain picture

    static INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (message) {
            case WM_CLOSE:
                self->closeRequested = true;
                return TRUE;
            case WM_DESTROY:
                // Destroyed along with the host's window: the preview is over.
                if (!self->destroying) self->gone = true;
                return FALSE;
            default:
                return FALSE;
        }
    }

    static LRESULT CALLBACK ownWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        }
        auto* self = reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_CLOSE && self != nullptr) {
            self->closeRequested = true;  // the preview loop ends and destroys the window
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    bool makeOwnWindow() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &State::ownWindowProcedure;
        windowClass.hInstance = win32::programInstance();
        windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(135));
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
        windowClass.lpszClassName = kOwnWindowClass;
        classRegistered = RegisterClassExW(&windowClass) != 0;
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
        RECT frame{0, 0, kOwnWidth, kOwnHeight};
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        own = CreateWindowExW(0, kOwnWindowClass, L"Glimmerdale", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              windowClass.hInstance, this);
        return own != nullptr;
    }

    // The picture (or the plain dark blue) at exactly the dialog's size, so it fills the preview area
    // whatever its size.
    HBITMAP renderPicture(int width, int height) const {
        if (width <= 0 || height <= 0) return nullptr;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap == nullptr || bits == nullptr) return bitmap;
        auto* pixels = static_cast<std::uint32_t*>(bits);  // 0x00RRGGBB, bottom row first
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint32_t colour = (GetRValue(kPlainDarkBlue) << 16) | (GetGValue(kPlainDarkBlue) << 8) |
                                       GetBValue(kPlainDarkBlue);
                if (!picture.rgb.empty()) {
                    const int sourceX = static_cast<int>(static_cast<long long>(x) * picture.width / width);
                    const int sourceY = static_cast<int>(static_cast<long long>(y) * picture.height / height);
                    const std::uint8_t* rgb =
                        &picture.rgb[(static_cast<std::size_t>(sourceY) * picture.width + sourceX) * 3];
                    colour = (std::uint32_t(rgb[0]) << 16) | (std::uint32_t(rgb[1]) << 8) | rgb[2];
                }
                pixels[static_cast<std::size_t>(y) * width + x] = colour;
            }
        }
        GdiFlush();
        return bitmap;
    }

    void fitToHost() {
        RECT area;
        if (!GetClientRect(host, &area)) return;
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        MoveWindow(dialog, 0, 0, width, height, FALSE);
        const HWND control = GetWindow(dialog, GW_CHILD);
        if (control == nullptr) return;
        MoveWindow(control, 0, 0, width, height, FALSE);
        const HBITMAP rendered = renderPicture(width, height);
        if (rendered == nullptr) return;
        const auto previous = reinterpret_cast<HBITMAP>(
            SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(rendered)));
        // The control hands back the template's picture, which it no longer frees; nor the one we set.
        if (previous != nullptr && previous != rendered) DeleteObject(previous);
        if (shown != nullptr) DeleteObject(shown);
        shown = rendered;
    }
};

PreviewWindow::PreviewWindow() = default;
PreviewWindow::~PreviewWindow() { destroy(); }

bool PreviewWindow::isCreated() const { return state_ != nullptr; }
std::uint32_t PreviewWindow::windowId() const {
    return state_ && !state_->gone ? numberFromHandle(state_->dialog) : 0;
}
int PreviewWindow::pictureWidth() const { return state_ ? state_->picture.width : 0; }
int PreviewWindow::pictureHeight() const { return state_ ? state_->picture.height : 0; }

namespace {

// A child window must have its parent's DPI awareness, and the display control panel's may differ
// from the per-monitor awareness of our manifest: the thread takes the host's for the creation. The
// calls exist from Windows 10 1607 on; earlier systems have one awareness per process anyway.
void takeAwarenessOf(HWND host) {
    using AwarenessOfWindow = void*(WINAPI*)(HWND);
    using SetThreadAwareness = void*(WINAPI*)(void*);
    const HMODULE user = GetModuleHandleW(L"user32.dll");
    if (user == nullptr) return;
    const auto awarenessOf = reinterpret_cast<AwarenessOfWindow>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetWindowDpiAwarenessContext")));
    const auto setThreadAwareness = reinterpret_cast<SetThreadAwareness>(
        reinterpret_cast<void*>(GetProcAddress(user, "SetThreadDpiAwarenessContext")));
    if (awarenessOf == nullptr || setThreadAwareness == nullptr) return;
    if (void* awareness = awarenessOf(host)) setThreadAwareness(awareness);
}

}  // namespace

bool PreviewWindow::create(std::uint32_t parentId, const BmpPicture& picture) {
    destroy();
    state_ = std::make_unique<State>();
    State& s = *state_;
    if (picture.width > 0 && picture.height > 0 &&
        std::uint64_t(picture.width) * std::uint64_t(picture.height) <= kMaxPicturePixels &&
        picture.rgb.size() == std::size_t(picture.width) * std::size_t(picture.height) * 3)
        s.picture = picture;
    if (parentId != 0) {
        s.host = handleFromNumber(parentId);
        if (!IsWindow(s.host)) {
            destroy();
            return false;
        }
        takeAwarenessOf(s.host);
    } else {
        if (!s.makeOwnWindow()) {
            destroy();
            return false;
        }
        s.host = s.own;
    }
    s.dialog = CreateDialogParamW(win32::programInstance(), MAKEINTRESOURCEW(kPreviewDialog), s.host,
                                  &State::dialogProcedure, reinterpret_cast<LPARAM>(&s));
    if (s.dialog == nullptr) {
        destroy();
        return false;
    }
    s.fitToHost();
    return true;
}

void PreviewWindow::show() {
    if (!state_ || state_->gone) return;
    if (state_->own) {
        ShowWindow(state_->own, SW_SHOWNORMAL);
        UpdateWindow(state_->own);
    }
    ShowWindow(state_->dialog, SW_SHOW);
    UpdateWindow(state_->dialog);
}

PreviewEvent PreviewWindow::poll() {
    if (!state_) return PreviewEvent::WindowGone;
    State& s = *state_;
    // A host in another process takes our dialog with it when it goes; IsWindow notices either.
    if (!s.gone && (!IsWindow(s.dialog) || !IsWindow(s.host))) s.gone = true;
    if (s.gone) return PreviewEvent::WindowGone;
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return std::exchange(s.closeRequested, false) ? PreviewEvent::CloseRequested
                                                      : PreviewEvent::QueueEmpty;
    if (message.message == WM_QUIT) return PreviewEvent::CloseRequested;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (s.gone) return PreviewEvent::WindowGone;
    return std::exchange(s.closeRequested, false) ? PreviewEvent::CloseRequested : PreviewEvent::Handled;
}

void PreviewWindow::destroy() {
    if (!state_) return;
    State& s = *state_;
    s.destroying = true;
    if (s.dialog != nullptr && !s.gone && IsWindow(s.dialog)) DestroyWindow(s.dialog);
    if (s.own != nullptr && IsWindow(s.own)) DestroyWindow(s.own);
    if (s.shown != nullptr) DeleteObject(s.shown);
    if (s.classRegistered) UnregisterClassW(kOwnWindowClass, win32::programInstance());
    state_.reset();
}

}  // namespace platform
