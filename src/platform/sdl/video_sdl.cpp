#include "platform/sdl/video_sdl.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::sdl {
namespace {

// The driver for the display the environment names. SDL's own order would fall back to its
// "offscreen" and "dummy" drivers, which show nothing; those are used only when asked for by name.
const char* displayDriver() {
    if (std::getenv("SDL_VIDEODRIVER")) return nullptr;  // the user's choice stands
    if (std::getenv("DISPLAY")) return "x11";
    if (std::getenv("WAYLAND_DISPLAY")) return "wayland";
    return nullptr;
}

bool isHeadlessDriver(const char* name) {
    return name && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

enum class VideoState { NotStarted, Running, Failed };

}  // namespace

bool startVideo() {
    static VideoState state = VideoState::NotStarted;
    if (state != VideoState::NotStarted) return state == VideoState::Running;
    state = VideoState::Failed;

    // A screensaver must not minimise itself when another window takes the focus, must not keep
    // the desktop's own screensaver (or screen lock) from starting, and the process's own handlers
    // decide what SIGINT and SIGTERM do.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const char* wanted = displayDriver();
    if (wanted) SDL_SetHint(SDL_HINT_VIDEODRIVER, wanted);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "video: %s\n", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!std::getenv("SDL_VIDEODRIVER") && isHeadlessDriver(driver)) {
        std::fprintf(stderr, "video: no display (SDL offered its %s driver)\n", driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    state = VideoState::Running;
    return true;
}

_XDisplay* x11DisplayOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    return info.info.x11.display;
}

bool waylandSurfaceOf(SDL_Window* window, wl_display*& display, wl_surface*& surface) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND)
        return false;
    display = info.info.wl.display;
    surface = info.info.wl.surface;
    return true;
}

}  // namespace platform::sdl
