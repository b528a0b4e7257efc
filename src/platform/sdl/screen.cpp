#include "platform/screen.h"

#include <SDL.h>

#include <cstdlib>

namespace platform {

ScreenSize primaryScreenSize() {
    ScreenSize size{800, 600};
    // Without any display to ask, SDL would try each of its drivers and print their complaints.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        return size;
    // The video subsystem is reference-counted, so this neither starts nor stops it for a caller
    // that already has it running.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return size;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        size.width = mode.w;
        size.height = mode.h;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return size;
}

}  // namespace platform
