// The SDL2 video backend: the primary monitor's window, a window on each other monitor, their GL
// contexts, the event queue, cursor and gamma ramp.
//
// Every other monitor gets a borderless window of its own, placed on the monitor's rectangle and
// kept above others, with a GL context of its own that shares the primary's objects (textures,
// display lists, buffers). A context that stays on its window keeps that window's buffers; one
// context moved from window to window makes a software renderer build them anew each time, which
// costs about as much as drawing the room. The primary's window is SDL's full-screen window on the
// primary display, the one that takes the mode change. On X11 the monitors are
// XRandR's, read and watched on a connection of our own: SDL keeps the displays it found at start
// and does not hear of a monitor switched off, moved or given another mode.
//
// On Wayland the swaps never wait: SDL's own wait for the compositor's frame callback stalls every
// swap for ten frames' time once the compositor stops sending them (a session lock covers the
// windows), so the swap interval stays 0 and the frame pacer paces the loop. Whether the compositor
// still shows the primary's window is watched through frame callbacks of our own.

#include <GL/gl.h>
#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/blobs.h"
#include "platform/gio/system_sleep_gio.h"
#include "platform/power_events.h"
#include "platform/sdl/video_sdl.h"
#include "platform/wayland/presentation_wayland.h"
#include "platform/window.h"
#include "platform/x11/display_power_x11.h"
#include "platform/x11/gamma_x11.h"
#include "platform/x11/monitors_x11.h"

namespace platform {
namespace {

KeyPress keyPressOf(const SDL_Keysym& key) {
    const bool altHeld = (key.mod & KMOD_ALT) != 0;
    switch (key.sym) {
        case SDLK_SPACE:
            return {KeyPress::Key::Space, altHeld};
        case SDLK_F10:
            return {KeyPress::Key::F10, altHeld};
        case SDLK_LALT:
        case SDLK_RALT:
            return {KeyPress::Key::Alt, altHeld};
        default:
            return {KeyPress::Key::Other, altHeld};
    }
}

class SdlVideoBackend final : public VideoBackend {
public:
    ~SdlVideoBackend() override = default;

    bool readCurrentDisplayMode(DisplayMode& mode) override {
        if (!ensureVideo()) return false;
        SDL_DisplayMode current;
        if (SDL_GetCurrentDisplayMode(0, &current) != 0) return false;
        mode.width = current.w;
        mode.height = current.h;
        mode.refreshRate = current.refresh_rate;
        desktopFormat_ = current.format;
        return true;
    }

    bool changeDisplayMode(const DisplayMode& wanted) override {
        if (!ensureVideo()) return false;
        SDL_DisplayMode current;
        if (SDL_GetCurrentDisplayMode(0, &current) != 0) return false;
        // Only the size changes: the depth and refresh rate stay as the display runs them, where
        // the display has such a mode; otherwise any mode of exactly that size will do.
        bool found = false;
        SDL_DisplayMode best{};
        const int count = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode candidate;
            if (SDL_GetDisplayMode(0, i, &candidate) != 0) continue;
            if (candidate.w != wanted.width || candidate.h != wanted.height) continue;
            const bool sameKind =
                candidate.format == current.format && candidate.refresh_rate == current.refresh_rate;
            if (!found || sameKind) best = candidate;
            found = true;
            if (sameKind) break;
        }
        if (!found) return false;
        pendingMode_ = best;
        modeAccepted_ = true;
        useDesktopMode_ = !needsModeSwitch(DisplayMode{current.w, current.h, current.refresh_rate},
                                           DisplayMode{best.w, best.h, best.refresh_rate});
        if (window_ && fullscreen_ && !coversMirror_) applyFullscreen();
        return true;
    }

    void restoreDisplayMode() override {
        if (window_ && inFullscreen_) {
            // Leaving full screen puts the desktop's mode back.
            SDL_SetWindowFullscreen(window_, 0);
            inFullscreen_ = false;
            monitorWatch_.forget();
        }
        modeAccepted_ = false;
    }

    bool openWindow(const WindowRequest& request) override {
        if (!ensureVideo()) return false;
        closeWindow();
        fullscreen_ = request.fullscreen;
        title_ = request.title;
        everyMonitor_ = request.fullscreen && request.everyMonitor;
        Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL;
        if (request.fullscreen) flags |= SDL_WINDOW_BORDERLESS;
        // The nearest format to the request, as a pixel-format chooser would pick it: the depth
        // and stencil sizes are lowered until the display has a matching visual.
        const int depths[] = {request.pixelFormat.depthBits, 24, 16, 0};
        const int stencils[] = {request.pixelFormat.stencilBits, 8, 0};
        glCapable_ = false;
        // Full screen goes to the display the window is on: the primary, wherever it lies. Over a
        // larger mirror the window is borderless and on top, as the other monitors' are, with the
        // box's place and size.
        SDL_Rect place{0, 0, request.width, request.height};
        MonitorRect mirror;
        coversMirror_ = request.fullscreen && primaryMirrorBox(mirror);
        if (coversMirror_) {
            place = SDL_Rect{mirror.x, mirror.y, mirror.width, mirror.height};
            flags |= SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR;
        } else if (request.fullscreen) {
            place.x = place.y = int(SDL_WINDOWPOS_UNDEFINED_DISPLAY(0));
        }
        for (int depth : depths) {
            for (int stencil : stencils) {
                setGlAttributes(request.pixelFormat, depth, stencil);
                window_ = SDL_CreateWindow(request.title.c_str(), place.x, place.y, place.w, place.h, flags);
                if (window_) break;
            }
            if (window_) break;
        }
        if (window_) {
            glCapable_ = true;
        } else {
            window_ = SDL_CreateWindow(request.title.c_str(), place.x, place.y, place.w, place.h,
                                       flags & ~SDL_WINDOW_OPENGL);
            if (!window_) return false;
        }
        if (fullscreen_ && modeAccepted_ && !coversMirror_) applyFullscreen();
        setProgramIcon(window_);
        SDL_ShowWindow(window_);
        if (everyMonitor_) coverOtherMonitors();
        SDL_RaiseWindow(window_);
        SDL_SetWindowInputFocus(window_);
        watchPower();
        return true;
    }

    void closeWindow() override {
        destroyContext();
        closeOtherWindows();
        if (!window_) return;
        displayPower_.stop();
        systemSleep_.stop();
        presentation_.stop();
        restoreDisplayMode();
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        glCapable_ = false;
    }

    int surfaceCount() override { return window_ ? 1 + int(others_.size()) : 0; }

    Surface surface(int index) override {
        Surface surface;
        if (index <= 0 || index > int(others_.size())) {
            clientSize(surface.width, surface.height);
            surface.primary = true;
            return surface;
        }
        const OtherWindow& other = others_[std::size_t(index - 1)];
        SDL_GL_GetDrawableSize(other.window, &surface.width, &surface.height);
        surface.monitor = other.monitor;
        surface.ownContext = other.context != nullptr;
        return surface;
    }

    void makeSurfaceCurrent(int index) override {
        if (!context_) return;
        makeCurrent(index <= 0 || index > int(others_.size()) ? window_
                                                              : others_[std::size_t(index - 1)].window);
    }

    void clientSize(int& width, int& height) override {
        width = height = 0;
        if (!window_) return;
        if (glCapable_) {
            SDL_GL_GetDrawableSize(window_, &width, &height);
        } else {
            SDL_GetWindowSize(window_, &width, &height);
        }
    }

    ContextResult createContext() override {
        if (!window_ || !glCapable_) return ContextResult::NoPixelFormat;
        destroyContext();
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) return ContextResult::PixelFormatRefused;
        SDL_GL_MakeCurrent(window_, context_);
        current_ = window_;
        for (OtherWindow& other : others_) {
            makeOtherContext(other);
            showBlack(other.window);
        }
        makeCurrent(window_);
        return ContextResult::Created;
    }

    // The other windows' contexts go first, while the primary's, which owns the shared objects, is
    // still there.
    void destroyContext() override {
        if (!context_) return;
        SDL_GL_MakeCurrent(window_, nullptr);
        for (OtherWindow& other : others_) {
            if (other.context) SDL_GL_DeleteContext(other.context);
            other.context = nullptr;
        }
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
        current_ = nullptr;
    }

    int refreshRate() override {
        SDL_DisplayMode mode{};
        if (!window_ || SDL_GetWindowDisplayMode(window_, &mode) != 0) return 0;
        return mode.refresh_rate > 0 ? mode.refresh_rate : 0;
    }
    // The interval belongs to each window; only the primary's swap waits, so that a frame on
    // several monitors waits for one vertical blank, not one per monitor. On Wayland none waits
    // (see the top of the file): an interval of 1 is refused there.
    bool setSwapInterval(int interval) override {
        if (!context_) return false;
        for (const OtherWindow& other : others_) {
            makeCurrent(other.window);
            SDL_GL_SetSwapInterval(0);
        }
        SDL_GL_MakeCurrent(window_, context_);
        current_ = window_;
        if (onWayland()) return SDL_GL_SetSwapInterval(0) == 0 && interval == 0;
        return SDL_GL_SetSwapInterval(interval) == 0;
    }

    void swapBuffers() override {
        if (!window_ || !context_) return;
        for (int i = 0; i < surfaceCount(); ++i) presentSurface(i);
        makeCurrent(window_);
    }

    // Each window is its own surface.
    void presentSurface(int index) override {
        if (!window_ || !context_) return;
        SDL_Window* window =
            index <= 0 || index > int(others_.size()) ? window_ : others_[std::size_t(index - 1)].window;
        makeCurrent(window);
        if (window == window_) presentation_.framePresented(SDL_GetTicks());
        SDL_GL_SwapWindow(window);
    }

    WindowEvent pollEvent() override {
        if (!videoReady_) return WindowEvent::None;
        const WindowEvent power = takePowerEvent();
        if (power != WindowEvent::None) return power;
        SDL_Event event;
        if (!SDL_PollEvent(&event)) return monitorsChangedOrNone();
        return translate(event);
    }

    WindowEvent waitEvent(int timeoutMilliseconds) override {
        if (!videoReady_) return VideoBackend::waitEvent(timeoutMilliseconds);
        const WindowEvent power = takePowerEvent();
        if (power != WindowEvent::None) return power;
        SDL_Event event;
        if (!SDL_WaitEventTimeout(&event, timeoutMilliseconds)) {
            const WindowEvent later = takePowerEvent();
            return later != WindowEvent::None ? later : monitorsChangedOrNone();
        }
        return translate(event);
    }

    // The monitors covered anew when the XRandR watch heard of a change; None otherwise.
    WindowEvent monitorsChangedOrNone() {
        if (everyMonitor_ && window_ && monitorWatch_.changed()) return followMonitors();
        return WindowEvent::None;
    }

    // What an event from SDL's queue means to the screensaver.
    WindowEvent translate(const SDL_Event& event) {
        switch (event.type) {
            case SDL_DISPLAYEVENT:
                // Where no XRandR watch hears of it (Wayland), SDL's own news of a monitor.
                if (everyMonitor_ && window_ && !onX11()) return followMonitors();
                return WindowEvent::Ignored;
            case SDL_QUIT:
                return WindowEvent::QuitRequest;
            case SDL_WINDOWEVENT:
                return event.window.event == SDL_WINDOWEVENT_CLOSE ? WindowEvent::CloseOrKey
                                                                   : WindowEvent::Ignored;
            case SDL_KEYDOWN:
                return keyPressEvent(keyPressOf(event.key.keysym));
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button == SDL_BUTTON_LEFT) leftButton_.notePress();
                return WindowEvent::Ignored;
            default:
                return WindowEvent::Ignored;
        }
    }

    void postQuit() override {
        if (!ensureVideo()) return;
        SDL_Event quit;
        SDL_zero(quit);
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }

    void showCursor(bool visible) override {
        if (!ensureVideo()) return;
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }

    CursorPosition cursorPosition() override {
        CursorPosition position;
        if (!ensureVideo()) return position;
        SDL_GetGlobalMouseState(&position.x, &position.y);
        return position;
    }

    bool leftButtonDown() override {
        if (!ensureVideo()) return false;
        const Uint32 buttons = SDL_GetGlobalMouseState(nullptr, nullptr);
        return leftButton_.test((buttons & SDL_BUTTON_LMASK) != 0);
    }

    // On X11 the ramps are the CRTCs' own (XRandR), kept whole and guarded against our sudden end;
    // elsewhere (Wayland) SDL's window gamma, which there reports failure.
    bool readGammaRamp(GammaRamp& ramp) override {
        if (!window_) return false;
        if (onX11()) return crtcGamma_.read(ramp);
        return SDL_GetWindowGammaRamp(window_, ramp.red.data(), ramp.green.data(), ramp.blue.data()) == 0;
    }

    bool writeGammaRamp(const GammaRamp& ramp) override {
        if (!window_) return false;
        if (onX11()) return crtcGamma_.write(ramp);
        return SDL_SetWindowGammaRamp(window_, ramp.red.data(), ramp.green.data(), ramp.blue.data()) == 0;
    }

    // On X11 the ramps are only ever changed through crtcGamma_, which keeps what it must put back.
    bool restoreGammaRamp() override {
        if (!onX11()) return false;
        crtcGamma_.restore();
        return true;
    }

private:
    // The displays' power state (DPMS, read about once a second) and the system's sleep (logind), for
    // the window's lifetime; on Wayland, whether the compositor shows the window.
    void watchPower() {
        power_ = PowerEvents{};
        displayPower_.start(sdl::x11DisplayOf(window_));
        systemSleep_.start();
        wl_display* display = nullptr;
        wl_surface* surface = nullptr;
        if (sdl::waylandSurfaceOf(window_, display, surface)) presentation_.start(display, surface);
    }

    WindowEvent takePowerEvent() {
        if (!window_) return WindowEvent::None;
        const Uint32 now = SDL_GetTicks();
        displayPower_.poll(now, power_);
        systemSleep_.poll(power_);
        power_.noteWindowsShown(presentation_.shown(now));
        return power_.take();
    }

    bool ensureVideo() {
        if (!videoReady_) videoReady_ = sdl::startVideo();
        return videoReady_;
    }

    struct OtherWindow {
        SDL_Window* window = nullptr;
        int monitor = 0;  // its place in the primary-first monitor list
        // Its own, sharing the primary's objects; null when none could be made: the primary's
        // context then moves to this window to draw it.
        SDL_GLContext context = nullptr;
    };

    void setProgramIcon(SDL_Window* window) {
        const BlobView icon = findBlob(kProgramIconType, kProgramIconId);
        if (!icon.data) return;
        SDL_Surface* picture = SDL_LoadBMP_RW(SDL_RWFromConstMem(icon.data, static_cast<int>(icon.size)), 1);
        if (!picture) return;
        SDL_SetWindowIcon(window, picture);
        SDL_FreeSurface(picture);
    }

    SDL_GLContext contextOf(SDL_Window* window) const {
        for (const OtherWindow& other : others_)
            if (other.window == window && other.context) return other.context;
        return context_;
    }

    void makeCurrent(SDL_Window* window) {
        if (window == current_) return;
        SDL_GL_MakeCurrent(window, contextOf(window));
        current_ = window;
    }

    // A context for the window that shares the primary's objects; left current on the window.
    void makeOtherContext(OtherWindow& other) {
        makeCurrent(window_);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
        other.context = SDL_GL_CreateContext(other.window);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        // Made current on its window when it was made; without one the primary's moves there.
        current_ = other.context ? other.window : nullptr;
        makeCurrent(other.window);
    }

    // The monitors now, the primary first: XRandR's on X11, else SDL's displays.
    std::vector<MonitorRect> currentMonitors() {
        std::vector<MonitorRect> monitors;
        if (onX11() && monitorWatch_.open()) {
            monitors = monitorWatch_.monitors();
        } else {
            const int count = SDL_GetNumVideoDisplays();
            for (int i = 0; i < count; ++i) {
                SDL_Rect bounds;
                if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
                monitors.push_back(MonitorRect{bounds.x, bounds.y, bounds.w, bounds.h, i == 0});
            }
        }
        return primaryFirst(monitors);
    }

    // The box of the primary monitor when a larger mirror shows the same part of the desktop (the
    // monitors are then one, larger than the primary's display): one window must cover it all, and a
    // full-screen window would cover the primary's display alone. False otherwise, and with a mode
    // switch, which is the primary display's.
    bool primaryMirrorBox(MonitorRect& box) {
        if (!everyMonitor_ || (modeAccepted_ && !useDesktopMode_)) return false;
        const std::vector<MonitorRect> monitors = currentMonitors();
        SDL_Rect display{};
        if (monitors.empty() || SDL_GetDisplayBounds(0, &display) != 0) return false;
        box = monitors.front();
        return box.x != display.x || box.y != display.y || box.width != display.w || box.height != display.h;
    }

    // A window on every monitor but the one the primary's window stands on (the one holding its
    // centre), drawn black until the first frame.
    void coverOtherMonitors() {
        const std::vector<MonitorRect> monitors = currentMonitors();
        int x = 0, y = 0, width = 0, height = 0;
        SDL_GetWindowPosition(window_, &x, &y);
        SDL_GetWindowSize(window_, &width, &height);
        const int own = monitorAt(monitors, x + width / 2, y + height / 2);
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            if (int(i) == own) continue;
            const MonitorRect& m = monitors[i];
            const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP |
                                 SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_HIDDEN;
            // The GL attributes are still those the primary's window was made with, so the windows
            // share a pixel format and their contexts can share objects.
            SDL_Window* window = SDL_CreateWindow(title_.c_str(), m.x, m.y, m.width, m.height, flags);
            if (!window) continue;
            setProgramIcon(window);
            SDL_ShowWindow(window);
            SDL_SetWindowPosition(window, m.x, m.y);
            others_.push_back(OtherWindow{window, int(i), nullptr});
            if (context_) {
                makeOtherContext(others_.back());
                showBlack(window);
                SDL_GL_SetSwapInterval(0);
            }
        }
        if (context_) makeCurrent(window_);
    }

    // Each window's context goes with it (and the objects only it had, its queries).
    void closeOtherWindows() {
        if (context_ && current_ != window_) makeCurrent(window_);
        for (const OtherWindow& other : others_) {
            if (other.context) SDL_GL_DeleteContext(other.context);
            SDL_DestroyWindow(other.window);
        }
        others_.clear();
    }

    // A new window shows black until the frame loop draws into it; leaves it current.
    void showBlack(SDL_Window* window) {
        makeCurrent(window);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
    }

    // The monitors changed: the other windows go and come back on the monitors there are now.
    WindowEvent followMonitors() {
        closeOtherWindows();
        coverOtherMonitors();
        return WindowEvent::MonitorsChanged;
    }

    bool onX11() const {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && std::strcmp(driver, "x11") == 0;
    }
    bool onWayland() const {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && std::strcmp(driver, "wayland") == 0;
    }

    static void setGlAttributes(const PixelFormatRequest& format, int depth, int stencil) {
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
        const bool sixteen = format.colorBits <= 16;
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, sixteen ? 5 : 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, sixteen ? 6 : 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, sixteen ? 5 : 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil);
    }

    void applyFullscreen() {
        if (!window_) return;
        if (useDesktopMode_) {
            inFullscreen_ = SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
        } else {
            SDL_SetWindowDisplayMode(window_, &pendingMode_);
            inFullscreen_ = SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0;
        }
        // The notifications of our own mode change are no news of other monitors.
        monitorWatch_.forget();
    }

    bool videoReady_ = false;
    SDL_Window* window_ = nullptr;  // the primary monitor's
    std::vector<OtherWindow> others_;
    SDL_Window* current_ = nullptr;  // the window the context draws into
    std::string title_;
    bool everyMonitor_ = false;
    x11::MonitorWatch monitorWatch_;
    SDL_GLContext context_ = nullptr;
    bool glCapable_ = false;
    bool fullscreen_ = false;
    bool inFullscreen_ = false;
    bool modeAccepted_ = false;
    bool useDesktopMode_ = false;
    bool coversMirror_ = false;  // the primary's window covers a larger mirror, not full screen
    SDL_DisplayMode pendingMode_{};
    Uint32 desktopFormat_ = 0;
    LeftButtonLatch leftButton_;
    x11::CrtcGamma crtcGamma_;
    PowerEvents power_;
    x11::DisplayPowerWatch displayPower_;
    gio::SystemSleepWatch systemSleep_;
    wayland::PresentationWatch presentation_;
};

}  // namespace

VideoBackend& systemVideoBackend() {
    static SdlVideoBackend backend;
    return backend;
}

}  // namespace platform
