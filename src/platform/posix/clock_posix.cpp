// The system's local date and time, from the C library's time-zone rules; precise sleeping.

#include <errno.h>
#include <sys/time.h>
#include <time.h>

#include <cmath>

#include "platform/clock.h"

namespace platform {

void sleepPrecisely(double seconds) {
    if (!(seconds > 0.0)) return;
    timespec left{};
    left.tv_sec = static_cast<time_t>(seconds);
    left.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    // A signal handled meanwhile (SIGTERM asks the loop to end) cuts the sleep short; the rest is slept.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

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
    out.second = local.tm_sec;
    out.millisecond = static_cast<int>(now.tv_usec / 1000);
    return out;
}

}  // namespace platform
