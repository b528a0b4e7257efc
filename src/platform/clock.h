#pragma once
// Clocks: the high-resolution counter, the 32-bit millisecond tick, the local date and time, sleeping.
// The local clock may be overridden (--time) so that pictures depending on the date are repeatable.
// The calendar arithmetic and the override are portable (clock.cpp); the system's clocks and sleeps
// are the backends' (sdl/, posix/, win32/).

#include <cstdint>
#include <string>

namespace platform {

// A local calendar date and time of day, as the desktop shows it.
struct LocalTime {
    int year = 0;         // e.g. 2026
    int month = 0;        // 1-12
    int dayOfWeek = 0;    // 0 = Sunday ... 6 = Saturday
    int day = 0;          // 1-31
    int hour = 0;         // 0-23
    int minute = 0;       // 0-59
    int second = 0;       // 0-59
    int millisecond = 0;  // 0-999
};

// The monotonic high-resolution counter, in counts of performanceFrequency() per second; 0 when the
// system could not read it.
std::uint64_t performanceCounter();
// The same counter, false (and `counter` untouched) when the system could not read it.
bool readPerformanceCounter(std::uint64_t& counter);
// Counts per second of performanceCounter(); constant for the life of the process, never 0.
std::uint64_t performanceFrequency();

// Milliseconds since an arbitrary start, wrapping at 2^32 (about 49.7 days).
std::uint32_t tickCount();

// The current local date and time: the system's, or, after setLocalTimeOverride, the override's
// start plus the time that has passed since it was set.
LocalTime localTime();

// Parses "YYYY-MM-DD HH:MM:SS" (exactly that shape, a real Gregorian date, 24-hour time).
// Returns false and leaves `out` alone for anything else.
bool parseLocalTime(const std::string& text, LocalTime& out);

// How an overridden local clock runs on: in real time, or only by the steps it is given (a
// repeatable run, whose clock follows its fixed frame steps).
enum class ClockPace { RealTime, Stepped };

// From now on localTime() starts at `start` (its dayOfWeek and millisecond are ignored and worked
// out) and runs on at `pace`. Returns false, changing nothing, when `start` is not a real date.
bool setLocalTimeOverride(const LocalTime& start, ClockPace pace = ClockPace::RealTime);
// Moves a stepped override on by `seconds` (0 or more); nothing for any other clock.
void advanceLocalTimeOverride(double seconds);
// Back to the system's local time.
void clearLocalTimeOverride();

// The local time `seconds` after `start` (seconds may be negative), with the day of the week filled
// in; pure calendar arithmetic, no time zone or daylight saving shifts. `start` must be a real date.
LocalTime addSeconds(const LocalTime& start, std::int64_t seconds, int milliseconds = 0);

// Gives up the processor for at least this many milliseconds.
void sleepMilliseconds(std::uint32_t milliseconds);
// Gives up the processor for `seconds`, waking within about a millisecond of the end: the frame
// pacer's waits. (A plain sleep on Windows counts in steps of the system timer, 15.6 ms.)
void sleepPrecisely(double seconds);

// --- The backend's part (besides the counters, the tick and the sleeps above) ---

// The system's local date and time, all fields filled; a leap second may read as second 60.
LocalTime systemLocalTime();

}  // namespace platform
