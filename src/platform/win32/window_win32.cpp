// The Win32 video backend: the window class and pop-up window, the message pump, the pixel format
// and WGL context, ChangeDisplaySettings, the cursor and the device gamma ramps.
//
// With several monitors the full-screen pop-up spans the virtual screen (whose origin lies left of
// or above the primary's when a monitor does) and each monitor is a rectangle of it: one window, one
// swap. WM_DISPLAYCHANGE (a monitor added, removed, moved or given another mode) lays it out anew.

#include <windows.h>

#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/power_win32.h"
#include "platform/win32/refresh_rate_win32.h"
#include "platform/monitors.h"
#include "platform/win32/wide_text_win32.h"
#include "platform/window.h"

namespace platform {
namespace {

struct MonitorDevice {
    MonitorRect rect;
    std::wstring device;  // "\\.\DISPLAY1", ...: its gamma ramp's device context
};

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    MonitorDevice found;
    found.rect.x = info.rcMonitor.left;
    found.rect.y = info.rcMonitor.top;
    found.rect.width = info.rcMonitor.right - info.rcMonitor.left;
    found.rect.height = info.rcMonitor.bottom - info.rcMonitor.top;
    found.rect.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    found.device = info.szDevice;
    reinterpret_cast<std::vector<MonitorDevice>*>(list)->push_back(found);
    return TRUE;
}

std::vector<MonitorDevice> monitorDevices() {
    std::vector<MonitorDevice> devices;
    EnumDisplayMonitors(nullptr, nullptr, &collectMonitor, reinterpret_cast<LPARAM>(&devices));
    return devices;
}

std::vector<MonitorRect> rectsOf(const std::vector<MonitorDevice>& devices) {
    std::vector<MonitorRect> rects;
    for (const MonitorDevice& device : devices) rects.push_back(device.rect);
    return rects;
}

// A WM_KEYDOWN or WM_SYSKEYDOWN as the screensaver tells keys apart. The system sends the second for
// F10 and for keys pressed with Alt held (bit 29 of lParam).
KeyPress keyPressOf(WPARAM virtualKey, LPARAM keyData) {
    const bool altHeld = (keyData & (LPARAM(1) << 29)) != 0;
    switch (virtualKey) {
        case VK_SPACE:
            return {KeyPress::Key::Space, altHeld};
        case VK_F10:
            return {KeyPress::Key::F10, altHeld};
        case VK_MENU:
        case VK_LMENU:
        case VK_RMENU:
            return {KeyPress::Key::Alt, altHeld};
        default:
            return {KeyPress::Key::Other, altHeld};
    }
}

// The display devices' gamma ramps (256 entries each), named by their device names.
class DeviceGamma final : public GammaOutputs {
public:
    std::vector<OutputRamp> readRamps() override {
        std::vector<OutputRamp> ramps;
        for (const MonitorDevice& monitor : monitorDevices()) {
            const HDC dc = CreateDCW(monitor.device.c_str(), monitor.device.c_str(), nullptr, nullptr);
            if (dc == nullptr) continue;
            WORD tables[3][256];
            if (GetDeviceGammaRamp(dc, tables)) {
                ramps.push_back(OutputRamp{win32::narrow(monitor.device.c_str()),
                                           std::vector<std::uint16_t>(tables[0], tables[0] + 256),
                                           std::vector<std::uint16_t>(tables[1], tables[1] + 256),
                                           std::vector<std::uint16_t>(tables[2], tables[2] + 256)});
            }
            DeleteDC(dc);
        }
        return ramps;
    }

    bool writeRamp(const OutputRamp& ramp) override {
        if (ramp.red.size() != 256 || ramp.green.size() != 256 || ramp.blue.size() != 256) return false;
        WORD tables[3][256];
        std::copy(ramp.red.begin(), ramp.red.end(), tables[0]);
        std::copy(ramp.green.begin(), ramp.green.end(), tables[1]);
        std::copy(ramp.blue.begin(), ramp.blue.end(), tables[2]);
        const std::wstring device = win32::widen(ramp.output);
        const HDC dc = CreateDCW(device.c_str(), device.c_str(), nullptr, nullptr);
        if (dc == nullptr) return false;  // unplugged since
        const bool taken = SetDeviceGammaRamp(dc, tables) != FALSE;
        DeleteDC(dc);
        return taken;
    }
};

constexpr wchar_t kWindowClass[] = L"Glimmerdale";
constexpr int kIconResource = 135;

class Win32VideoBackend;
Win32VideoBackend* g_backend = nullptr;  // the one backend the window procedure reports to

class Win32VideoBackend final : public VideoBackend {
public:
    Win32VideoBackend() { g_backend = this; }
    ~Win32VideoBackend() override {
        closeWindow();
        if (g_backend == this) g_backend = nullptr;
    }

    bool readCurrentDisplayMode(DisplayMode& mode) override {
        DEVMODEW current{};
        current.dmSize = sizeof current;
        if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &current)) return false;
        mode.width = static_cast<int>(current.dmPelsWidth);
        mode.height = static_cast<int>(current.dmPelsHeight);
        // 0 and 1 both mean "the hardware's default rate".
        mode.refreshRate = current.dmDisplayFrequency > 1 ? static_cast<int>(current.dmDisplayFrequency) : 0;
        return true;
    }

    bool changeDisplayMode(const DisplayMode& wanted) override {
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return false;
        const DisplayMode current{static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight), 0};
        if (!needsModeSwitch(current, wanted)) return true;
        // Only the size changes; depth, refresh rate and the rest stay as the display runs them.
        mode.dmPelsWidth = static_cast<DWORD>(wanted.width);
        mode.dmPelsHeight = static_cast<DWORD>(wanted.height);
        mode.dmFields |= DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
        modeChanged_ = true;
        return true;
    }

    void restoreDisplayMode() override {
        if (!modeChanged_) return;
        // No mode: back to the one stored in the registry, which a CDS_FULLSCREEN change never touched.
        ChangeDisplaySettingsW(nullptr, 0);
        modeChanged_ = false;
    }

    bool openWindow(const WindowRequest& request) override {
        closeWindow();
        const HINSTANCE instance = win32::programInstance();
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &Win32VideoBackend::windowProcedure;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
        windowClass.hIconSm =
            static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
        windowClass.lpszClassName = kWindowClass;
        classRegistered_ = RegisterClassExW(&windowClass) != 0;

        // Full screen: a frameless pop-up over the whole display. Windowed (for people and tests): a
        // normal captioned window with the requested client size.
        const DWORD style =
            (request.fullscreen ? WS_POPUP : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) |
            WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        RECT frame{0, 0, request.width, request.height};
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        int x = request.fullscreen ? 0 : CW_USEDEFAULT;
        int y = request.fullscreen ? 0 : CW_USEDEFAULT;
        spansMonitors_ = false;
        everyMonitor_ = request.fullscreen && request.everyMonitor;
        // One monitor keeps the window at the requested size on it; several get the virtual screen.
        if (everyMonitor_ && primaryFirst(rectsOf(monitorDevices())).size() > 1) {
            const MonitorRect box = virtualScreen();
            x = box.x;
            y = box.y;
            frame = RECT{0, 0, box.width, box.height};
            spansMonitors_ = true;
        }
        window_ = CreateWindowExW(0, kWindowClass, win32::widen(request.title).c_str(), style, x, y,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  instance, nullptr);
        if (window_ == nullptr) {
            unregisterClass();
            return false;
        }
        pixelFormat_ = request.pixelFormat;
        dc_ = GetDC(window_);
        layOutSurfaces();
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
        SetForegroundWindow(window_);
        SetFocus(window_);
        power_.listen(window_);
        return true;
    }

    void closeWindow() override {
        destroyContext();
        if (window_ != nullptr) {
            power_.stop();
            if (dc_ != nullptr) ReleaseDC(window_, dc_);
            dc_ = nullptr;
            DestroyWindow(window_);
            window_ = nullptr;
            restoreDisplayMode();
        }
        unregisterClass();
    }

    void clientSize(int& width, int& height) override {
        width = height = 0;
        RECT client;
        if (window_ == nullptr || !GetClientRect(window_, &client)) return;
        width = client.right - client.left;
        height = client.bottom - client.top;
    }

    int surfaceCount() override { return window_ != nullptr ? int(surfaces_.size()) : 0; }
    Surface surface(int index) override {
        if (index < 0 || index >= int(surfaces_.size())) return VideoBackend::surface(index);
        return surfaces_[std::size_t(index)];
    }

    ContextResult createContext() override {
        if (dc_ == nullptr) return ContextResult::NoPixelFormat;
        destroyContext();
        // A window's pixel format can be set only once; a second context reuses it.
        if (GetPixelFormat(dc_) == 0) {
            PIXELFORMATDESCRIPTOR wanted{};
            wanted.nSize = sizeof wanted;
            wanted.nVersion = 1;
            wanted.dwFlags =
                PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (pixelFormat_.doubleBuffer ? PFD_DOUBLEBUFFER : 0);
            wanted.iPixelType = PFD_TYPE_RGBA;
            wanted.cColorBits = static_cast<BYTE>(pixelFormat_.colorBits);
            wanted.cDepthBits = static_cast<BYTE>(pixelFormat_.depthBits);
            wanted.cStencilBits = static_cast<BYTE>(pixelFormat_.stencilBits);
            wanted.iLayerType = PFD_MAIN_PLANE;
            const int format = ChoosePixelFormat(dc_, &wanted);
            if (format == 0) return ContextResult::NoPixelFormat;
            if (!SetPixelFormat(dc_, format, &wanted)) return ContextResult::PixelFormatRefused;
        }
        context_ = wglCreateContext(dc_);
        if (context_ == nullptr) return ContextResult::PixelFormatRefused;
        if (!wglMakeCurrent(dc_, context_)) {
            wglDeleteContext(context_);
            context_ = nullptr;
            return ContextResult::PixelFormatRefused;
        }
        return ContextResult::Created;
    }

    void destroyContext() override {
        if (context_ == nullptr) return;
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context_);
        context_ = nullptr;
    }

    bool setSwapInterval(int interval) override {
        if (context_ == nullptr) return false;
        using SwapIntervalFunction = BOOL(WINAPI*)(int);
        const auto setInterval = reinterpret_cast<SwapIntervalFunction>(
            reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
        return setInterval != nullptr && setInterval(interval) != FALSE;
    }

    void swapBuffers() override {
        if (dc_ != nullptr && context_ != nullptr) SwapBuffers(dc_);
    }

    int refreshRate() override { return window_ != nullptr ? win32::refreshRateOf(window_) : 0; }

    // One message per call. The window procedure runs inside the dispatch (and inside the peek for
    // messages sent from other threads) and notes a close request, an ending key press or what the
    // system says about the displays' power and its own sleep.
    WindowEvent pollEvent() override {
        // WM_DISPLAYCHANGE, or a virtual screen that changed without one reaching us (Wine sends none
        // for a monitor switched off under it).
        const MonitorRect screen = virtualScreen();
        const bool screenChanged = screen.x != screen_.x || screen.y != screen_.y ||
                                   screen.width != screen_.width || screen.height != screen_.height;
        if ((std::exchange(displayChanged_, false) || screenChanged) && everyMonitor_ && window_ != nullptr)
            return followMonitors();
        MSG message;
        const bool taken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
        if (taken && message.message == WM_QUIT) return WindowEvent::QuitRequest;
        if (taken) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (std::exchange(closeOrKey_, false)) return WindowEvent::CloseOrKey;
        const WindowEvent power = power_.take();
        if (power != WindowEvent::None) return power;
        return taken ? WindowEvent::Ignored : WindowEvent::None;
    }

    WindowEvent waitEvent(int timeoutMilliseconds) override {
        const WindowEvent event = pollEvent();
        if (event != WindowEvent::None || timeoutMilliseconds <= 0) return event;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(timeoutMilliseconds), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
        return pollEvent();
    }

    void postQuit() override { PostQuitMessage(0); }

    void showCursor(bool visible) override {
        // ShowCursor counts; keep our own calls balanced.
        if (visible == !cursorHidden_) return;
        ShowCursor(visible ? TRUE : FALSE);
        cursorHidden_ = !visible;
    }

    CursorPosition cursorPosition() override {
        CursorPosition position;
        POINT point;
        if (GetCursorPos(&point)) {
            position.x = point.x;
            position.y = point.y;
        }
        return position;
    }

    bool leftButtonDown() override { return leftButton_.test((GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0); }

    bool readGammaRamp(GammaRamp& ramp) override {
        WORD tables[3][256];
        const bool ok = withGammaDc([&](HDC dc) { return GetDeviceGammaRamp(dc, tables) != FALSE; });
        if (!ok) return false;
        for (int i = 0; i < 256; ++i) {
            ramp.red[i] = tables[0][i];
            ramp.green[i] = tables[1][i];
            ramp.blue[i] = tables[2][i];
        }
        return true;
    }

    // Every monitor takes the ramp, by the rule of platform/gamma_ramp.h: each device's own ramp is
    // kept before the first write that reaches it and put back by restoreGammaRamp.
    bool writeGammaRamp(const GammaRamp& ramp) override { return gamma_.write(devices_, ramp); }

    bool restoreGammaRamp() override { return gamma_.restore(devices_); }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32VideoBackend* self = g_backend;
        switch (message) {
            case WM_SIZE:
                return 0;
            case WM_PAINT: {
                // Validates the window; the frame loop does all the drawing.
                PAINTSTRUCT paint;
                BeginPaint(window, &paint);
                EndPaint(window, &paint);
                return 0;
            }
            case WM_CLOSE:
                // The window stays; the frame loop ends and the normal shutdown destroys it.
                if (self) self->closeOrKey_ = true;
                return 0;
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN:
                if (self && keyPressEvent(keyPressOf(wParam, lParam)) == WindowEvent::CloseOrKey) {
                    self->closeOrKey_ = true;
                    return 0;
                }
                // The keys that do not end the run: the system keys get the default handling.
                if (message == WM_KEYDOWN) return 0;
                break;
            case WM_LBUTTONDOWN:
                if (self) self->leftButton_.notePress();
                break;
            case WM_POWERBROADCAST:
                if (self) self->power_.handle(wParam, lParam);
                return TRUE;
            case WM_DISPLAYCHANGE:
                // The monitors are laid out anew between two messages, not inside this one.
                if (self) self->displayChanged_ = true;
                break;
            default:
                break;
        }
        // Everything else gets the default handling.
        return DefWindowProcW(window, message, wParam, lParam);
    }

    // The gamma ramp belongs to the display the window is on; before there is a window, the screen's.
    template <typename Call>
    bool withGammaDc(Call call) {
        if (dc_ != nullptr) return call(dc_);
        const HDC screen = GetDC(nullptr);
        if (screen == nullptr) return false;
        const bool ok = call(screen);
        ReleaseDC(nullptr, screen);
        return ok;
    }

    static MonitorRect virtualScreen() {
        return MonitorRect{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                           GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), false};
    }

    // The monitors as rectangles of the window's client area; the whole client area when the window
    // covers one monitor (or is not full screen).
    void layOutSurfaces() {
        screen_ = virtualScreen();
        surfaces_.clear();
        if (spansMonitors_) {
            RECT client;
            GetClientRect(window_, &client);
            POINT origin{0, 0};
            ClientToScreen(window_, &origin);
            const MonitorRect box{origin.x, origin.y, client.right - client.left, client.bottom - client.top,
                                  false};
            surfaces_ = surfacesInBox(rectsOf(monitorDevices()), box);
        }
        if (surfaces_.empty()) surfaces_.push_back(VideoBackend::surface(0));
    }

    // After WM_DISPLAYCHANGE: the window over the virtual screen as it is now, and its surfaces.
    WindowEvent followMonitors() {
        const std::vector<MonitorRect> monitors = primaryFirst(rectsOf(monitorDevices()));
        if (monitors.size() > 1 || spansMonitors_) {
            const MonitorRect box = monitors.size() > 1 ? virtualScreen() : monitors.front();
            SetWindowPos(window_, nullptr, box.x, box.y, box.width, box.height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            spansMonitors_ = monitors.size() > 1;
        }
        layOutSurfaces();
        // Keys still come to us, wherever the change left the keyboard focus.
        SetForegroundWindow(window_);
        SetFocus(window_);
        return WindowEvent::MonitorsChanged;
    }

    void unregisterClass() {
        if (!classRegistered_) return;
        UnregisterClassW(kWindowClass, win32::programInstance());
        classRegistered_ = false;
    }

    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HGLRC context_ = nullptr;
    PixelFormatRequest pixelFormat_;
    bool classRegistered_ = false;
    bool modeChanged_ = false;
    bool cursorHidden_ = false;
    bool closeOrKey_ = false;
    LeftButtonLatch leftButton_;
    win32::PowerNotifications power_;
    bool everyMonitor_ = false;
    bool spansMonitors_ = false;  // the window covers the virtual screen
    bool displayChanged_ = false;
    std::vector<Surface> surfaces_;
    MonitorRect screen_;  // the virtual screen the surfaces were laid out for
    DeviceGamma devices_;
    GammaKeeper gamma_;
};

}  // namespace

VideoBackend& systemVideoBackend() {
    static Win32VideoBackend backend;
    return backend;
}

}  // namespace platform
