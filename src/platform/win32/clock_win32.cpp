// Clocks over the performance counter, GetTickCount and GetLocalTime; sleeping, plain and precise.

#include <windows.h>
#include <mmsystem.h>

#include "platform/clock.h"

namespace platform {

namespace {

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (Windows 10 1803 on), which older headers do not name.
constexpr DWORD kHighResolutionTimer = 0x00000002;

// A timer that wakes within about a millisecond without making the system timer tick faster for
// every program; null where the system has none.
HANDLE preciseTimer() {
    static const HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
    return timer;
}

}  // namespace

bool readPerformanceCounter(std::uint64_t& counter) {
    LARGE_INTEGER value;
    if (!QueryPerformanceCounter(&value)) return false;
    counter = static_cast<std::uint64_t>(value.QuadPart);
    return true;
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

void sleepPrecisely(double seconds) {
    if (!(seconds > 0.0)) return;
    if (const HANDLE timer = preciseTimer()) {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(seconds * 1e7);  // relative, in 100 ns units
        if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
            WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0)
            return;
    }
    // Without such a timer the system timer ticks every millisecond for the length of the wait only:
    // a faster tick costs every program power, and a paused screensaver asks for none.
    timeBeginPeriod(1);
    Sleep(static_cast<DWORD>(seconds * 1000.0));
    timeEndPeriod(1);
}

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
    out.second = now.wSecond;
    out.millisecond = now.wMilliseconds;
    return out;
}

}  // namespace platform
