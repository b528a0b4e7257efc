// The SDL2 video backend: one window, its GL context, the event queue, cursor and gamma ramp.

#include <SDL.h>

#include <cstring>

#include "platform/blobs.h"
#include "platform/gio/system_sleep_gio.h"
#include "platform/power_events.h"
#include "platform/sdl/video_sdl.h"
#include "platform/window.h"
#include "platform/x11/display_power_x11.h"
#include "platform/x11/gamma_x11.h"

namespace platform {
namespace {

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
        // The desktop's own size needs no switch at all.
        useDesktopMode_ = (best.w == current.w && best.h == current.h);
        if (window_ && fullscreen_) applyFullscreen();
        return true;
    }

    void restoreDisplayMode() override {
        if (window_ && inFullscreen_) {
            // Leaving full screen puts the desktop's mode back.
            SDL_SetWindowFullscreen(window_, 0);
            inFullscreen_ = false;
        }
        modeAccepted_ = false;
    }

    bool openWindow(const WindowRequest& request) override {
        if (!ensureVideo()) return false;
        closeWindow();
        fullscreen_ = request.fullscreen;
        Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL;
        if (request.fullscreen) flags |= SDL_WINDOW_BORDERLESS;
        // The nearest format to the request, as a pixel-format chooser would pick it: the depth
        // and stencil sizes are lowered until the display has a matching visual.
        const int depths[] = {request.pixelFormat.depthBits, 24, 16, 0};
        const int stencils[] = {request.pixelFormat.stencilBits, 8, 0};
        glCapable_ = false;
        for (int depth : depths) {
            for (int stencil : stencils) {
                setGlAttributes(request.pixelFormat, depth, stencil);
                window_ = SDL_CreateWindow(request.title.c_str(), 0, 0, request.width, request.height, flags);
                if (window_) break;
            }
            if (window_) break;
        }
        if (window_) {
            glCapable_ = true;
        } else {
            window_ = SDL_CreateWindow(request.title.c_str(), 0, 0, request.width, request.height,
                                       flags & ~SDL_WINDOW_OPENGL);
            if (!window_) return false;
        }
        if (fullscreen_ && modeAccepted_) applyFullscreen();
        setProgramIcon();
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
        SDL_SetWindowInputFocus(window_);
        watchPower();
        return true;
    }

    void closeWindow() override {
        destroyContext();
        if (!window_) return;
        displayPower_.stop();
        systemSleep_.stop();
        restoreDisplayMode();
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        glCapable_ = false;
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
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) return ContextResult::PixelFormatRefused;
        SDL_GL_MakeCurrent(window_, context_);
        return ContextResult::Created;
    }

    void destroyContext() override {
        if (!context_) return;
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
    }

    int refreshRate() override {
        SDL_DisplayMode mode{};
        if (!window_ || SDL_GetWindowDisplayMode(window_, &mode) != 0) return 0;
        return mode.refresh_rate > 0 ? mode.refresh_rate : 0;
    }
    bool setSwapInterval(int interval) override { return context_ && SDL_GL_SetSwapInterval(interval) == 0; }

    void swapBuffers() override {
        if (window_ && context_) SDL_GL_SwapWindow(window_);
    }

    WindowEvent pollEvent() override {
        if (!videoReady_) return WindowEvent::None;
        const WindowEvent power = takePowerEvent();
        if (power != WindowEvent::None) return power;
        SDL_Event event;
        if (!SDL_PollEvent(&event)) return WindowEvent::None;
        return translate(event);
    }

    WindowEvent waitEvent(int timeoutMilliseconds) override {
        if (!videoReady_) return VideoBackend::waitEvent(timeoutMilliseconds);
        const WindowEvent power = takePowerEvent();
        if (power != WindowEvent::None) return power;
        SDL_Event event;
        if (!SDL_WaitEventTimeout(&event, timeoutMilliseconds)) return takePowerEvent();
        return translate(event);
    }

    // What an event from SDL's queue means to the screensaver.
    WindowEvent translate(const SDL_Event& event) {
        switch (event.type) {
            case SDL_QUIT:
                return WindowEvent::QuitRequest;
            case SDL_WINDOWEVENT:
                return event.window.event == SDL_WINDOWEVENT_CLOSE ? WindowEvent::CloseOrKey
                                                                   : WindowEvent::Ignored;
            case SDL_KEYDOWN: {
                const SDL_Keycode key = event.key.keysym.sym;
                if (key == SDLK_SPACE) return WindowEvent::Ignored;
                // System keys (anything with Alt held, and F10) get the default handling.
                if ((event.key.keysym.mod & KMOD_ALT) || key == SDLK_F10 || key == SDLK_LALT ||
                    key == SDLK_RALT)
                    return WindowEvent::Ignored;
                return WindowEvent::CloseOrKey;
            }
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button == SDL_BUTTON_LEFT) leftPressed_ = true;
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
        const bool down = (buttons & SDL_BUTTON_LMASK) != 0 || leftPressed_;
        leftPressed_ = false;
        return down;
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
    // the window's lifetime.
    void watchPower() {
        power_ = PowerEvents{};
        displayPower_.start(sdl::x11DisplayOf(window_));
        systemSleep_.start();
    }

    WindowEvent takePowerEvent() {
        if (!window_) return WindowEvent::None;
        displayPower_.poll(SDL_GetTicks(), power_);
        systemSleep_.poll(power_);
        return power_.take();
    }

    bool ensureVideo() {
        if (!videoReady_) videoReady_ = sdl::startVideo();
        return videoReady_;
    }

    void setProgramIcon() {
        const BlobView icon = findBlob(kProgramIconType, kProgramIconId);
        if (!icon.data) return;
        SDL_Surface* picture = SDL_LoadBMP_RW(SDL_RWFromConstMem(icon.data, static_cast<int>(icon.size)), 1);
        if (!picture) return;
        SDL_SetWindowIcon(window_, picture);
        SDL_FreeSurface(picture);
    }

    bool onX11() const {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && std::strcmp(driver, "x11") == 0;
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
    }

    bool videoReady_ = false;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    bool glCapable_ = false;
    bool fullscreen_ = false;
    bool inFullscreen_ = false;
    bool modeAccepted_ = false;
    bool useDesktopMode_ = false;
    SDL_DisplayMode pendingMode_{};
    Uint32 desktopFormat_ = 0;
    bool leftPressed_ = false;
    x11::CrtcGamma crtcGamma_;
    PowerEvents power_;
    x11::DisplayPowerWatch displayPower_;
    gio::SystemSleepWatch systemSleep_;
};

}  // namespace

VideoBackend& systemVideoBackend() {
    static SdlVideoBackend backend;
    return backend;
}

}  // namespace platform
