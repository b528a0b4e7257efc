// Clocks over the performance counter, GetTickCount and GetLocalTime.

#include <windows.h>

#include "platform/clock.h"
#include "platform/clock_backend.h"

namespace platform {

std::uint64_t performanceCounter() {
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter)) return 0;
    return static_cast<std::uint64_t>(counter.QuadPart);
}

std::uint64_t performanceFrequency() {
    // Fixed at boot; read once.
    static const std::uint64_t frequency = [] {
        LARGE_INTEGER value;
        return QueryPerformanceFrequency(&value) && value.QuadPart > 0
                   ? static_cast<std::uint64_t>(value.QuadPart)
                   : std::uint64_t{1000};
    }();
    return frequency;
}

std::uint32_t tickCount() { return static_cast<std::uint32_t>(GetTickCount()); }

void sleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

namespace backend {

LocalTime systemLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime out;
    out.year = now.wYear;
    out.month = now.wMonth;
    out.dayOfWeek = now.wDayOfWeek;
    out.day = now.wDay;
    out.hour = now.wHour;
    out.minute = now.wMinute;
    out.second = now.wSecond > 59 ? 59 : now.wSecond;
    out.millisecond = now.wMilliseconds;
    return out;
}

}  // namespace backend
}  // namespace platform
