// The high-resolution counter, the millisecond tick and sleeping, from SDL.

#include "platform/clock.h"

#include <SDL.h>

namespace platform {

// SDL's counter (clock_gettime on Linux) has no way to fail.
bool readPerformanceCounter(std::uint64_t& counter) {
    counter = SDL_GetPerformanceCounter();
    return true;
}

std::uint64_t performanceFrequency() {
    const std::uint64_t frequency = SDL_GetPerformanceFrequency();
    return frequency ? frequency : 1;
}

std::uint32_t tickCount() { return static_cast<std::uint32_t>(SDL_GetTicks64()); }

void sleepMilliseconds(std::uint32_t milliseconds) { SDL_Delay(milliseconds); }

}  // namespace platform
