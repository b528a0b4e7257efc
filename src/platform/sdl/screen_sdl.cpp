#include "platform/screen.h"

#include <SDL.h>

#include <cstdlib>

#include "platform/sdl/video_sdl.h"

namespace platform {

ScreenSize primaryScreenSize() {
    ScreenSize size{800, 600};
    // Without any display to ask, SDL would try each of its drivers and print their complaints.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        return size;
    if (!sdl::startVideo()) return size;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        size.width = mode.w;
        size.height = mode.h;
    }
    return size;
}

}  // namespace platform
