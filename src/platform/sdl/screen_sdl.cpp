#include "platform/screen.h"

#include <SDL.h>

#include <cstdlib>

#include "platform/sdl/video_sdl.h"

namespace platform {

bool readPrimaryScreenSize(ScreenSize& size) {
    // Without any display to ask, SDL would try each of its drivers and print their complaints.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        return false;
    if (!sdl::startVideo()) return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    size = ScreenSize{mode.w, mode.h};
    return true;
}

}  // namespace platform
