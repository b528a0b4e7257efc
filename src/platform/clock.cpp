#include "platform/clock.h"

#include <cmath>
#include <cstdio>

namespace platform {
namespace {

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isRealDate(const LocalTime& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

// Days since 1970-01-01 in the proleptic Gregorian calendar. Counting years from March puts the
// leap day at the end of the year, so each 400-year era has a fixed shape.
std::int64_t daysFromCivil(int year, int month, int day) {
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;  // 0-399
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

struct Override {
    bool active = false;
    ClockPace pace = ClockPace::RealTime;
    LocalTime start;
    std::uint64_t startCounter = 0;
    double steppedSeconds = 0.0;  // a stepped clock's time since its start
};

Override& theOverride() {
    static Override state;
    return state;
}

}  // namespace

std::uint64_t performanceCounter() {
    std::uint64_t counter = 0;
    readPerformanceCounter(counter);
    return counter;
}

LocalTime addSeconds(const LocalTime& start, std::int64_t seconds, int milliseconds) {
    const std::int64_t startSeconds = daysFromCivil(start.year, start.month, start.day) * 86400 +
                                      start.hour * 3600 + start.minute * 60 + start.second;
    std::int64_t total = startSeconds + seconds;
    std::int64_t days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    std::int64_t secondOfDay = total - days * 86400;
    LocalTime out;
    civilFromDays(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(secondOfDay / 3600);
    out.minute = static_cast<int>(secondOfDay / 60 % 60);
    out.second = static_cast<int>(secondOfDay % 60);
    out.millisecond = milliseconds;
    // 1970-01-01 was a Thursday.
    out.dayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7);
    return out;
}

bool parseLocalTime(const std::string& text, LocalTime& out) {
    // The fixed shape, digit by digit: sscanf alone would accept signs, spaces and short fields.
    static const char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof(kShape) - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool wantDigit = kShape[i] == 'd';
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (wantDigit ? !isDigit : text[i] != kShape[i]) return false;
    }
    auto number = [&text](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    LocalTime parsed;
    parsed.year = number(0, 4);
    parsed.month = number(5, 2);
    parsed.day = number(8, 2);
    parsed.hour = number(11, 2);
    parsed.minute = number(14, 2);
    parsed.second = number(17, 2);
    if (!isRealDate(parsed)) return false;
    out = addSeconds(parsed, 0);
    return true;
}

bool setLocalTimeOverride(const LocalTime& start, ClockPace pace) {
    if (!isRealDate(start)) return false;
    Override& state = theOverride();
    state.start = addSeconds(start, 0);
    state.startCounter = performanceCounter();
    state.pace = pace;
    state.steppedSeconds = 0.0;
    state.active = true;
    return true;
}

void advanceLocalTimeOverride(double seconds) {
    Override& state = theOverride();
    if (state.active && state.pace == ClockPace::Stepped && seconds > 0.0) state.steppedSeconds += seconds;
}

void clearLocalTimeOverride() { theOverride().active = false; }

LocalTime localTime() {
    const Override& state = theOverride();
    if (!state.active) {
        LocalTime now = systemLocalTime();
        // A leap second shows as :59 twice rather than as :60, which no caller expects.
        if (now.second > 59) now.second = 59;
        return now;
    }
    if (state.pace == ClockPace::Stepped) {
        // Rounded to the microsecond first, so that 55 steps of 1/55 s make a whole second.
        const std::int64_t milliseconds = std::llround(state.steppedSeconds * 1e6) / 1000;
        return addSeconds(state.start, milliseconds / 1000, static_cast<int>(milliseconds % 1000));
    }
    const std::uint64_t frequency = performanceFrequency();
    const std::uint64_t elapsed = performanceCounter() - state.startCounter;
    const std::uint64_t wholeSeconds = elapsed / frequency;
    const std::uint64_t milliseconds = (elapsed % frequency) * 1000 / frequency;
    return addSeconds(state.start, static_cast<std::int64_t>(wholeSeconds), static_cast<int>(milliseconds));
}

}  // namespace platform
