#include "platform/clock.h"

#include "platform/clock_backend.h"

#include <SDL.h>

#include <sys/time.h>
#include <time.h>

namespace platform {

std::uint64_t performanceCounter() { return SDL_GetPerformanceCounter(); }

std::uint64_t performanceFrequency() {
    const std::uint64_t frequency = SDL_GetPerformanceFrequency();
    return frequency ? frequency : 1;
}

std::uint32_t tickCount() { return static_cast<std::uint32_t>(SDL_GetTicks64()); }

void sleepMilliseconds(std::uint32_t milliseconds) { SDL_Delay(milliseconds); }

namespace backend {

LocalTime systemLocalTime() {
    timeval now{};
    gettimeofday(&now, nullptr);
    const time_t seconds = now.tv_sec;
    tm local{};
    LocalTime out;
    if (!localtime_r(&seconds, &local)) return addSeconds(LocalTime{1970, 1, 4, 1, 0, 0, 0, 0}, seconds);
    out.year = local.tm_year + 1900;
    out.month = local.tm_mon + 1;
    out.dayOfWeek = local.tm_wday;
    out.day = local.tm_mday;
    out.hour = local.tm_hour;
    out.minute = local.tm_min;
    // A leap second shows as :59 twice rather than as :60, which no caller expects.
    out.second = local.tm_sec > 59 ? 59 : local.tm_sec;
    out.millisecond = static_cast<int>(now.tv_usec / 1000);
    return out;
}

}  // namespace backend
}  // namespace platform
