#include <algorithm>

#include "countdown/countdown.h"

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;
constexpr int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Christmas is a week before the end of the year in every year.
constexpr int kDaysFromChristmasToYearEnd = 7;

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int dayOfYear(int year, int month, int day) {
    month = std::clamp(month, 1, 12);
    int days = day;
    for (int m = 1; m < month; ++m) days += kMonthLengths[m - 1] + (m == 2 && isLeapYear(year) ? 1 : 0);
    return days;
}

void CountdownTime::setDateTime(int y, int mo, int d, int h, int mi, int s) {
    year = static_cast<std::uint16_t>(y);
    month = static_cast<std::uint16_t>(mo);
    day = static_cast<std::uint16_t>(d);
    hour = static_cast<std::uint16_t>(h);
    minute = static_cast<std::uint16_t>(mi);
    second = static_cast<std::uint16_t>(s);
}

void CountdownTime::updateCountdown() {
    const int yearLength = isLeapYear(year) ? 366 : 365;
    // Whole days after today and before the target day.
    int daysAfterToday = yearLength - dayOfYear(year, month, day) - kDaysFromChristmasToYearEnd;
    if (month == 12 && day >= 27) daysAfterToday = 31 - day;

    // Counting the rest of today in seconds lets a whole day carry: 24 December 10:00:00 is 14 hours,
    // not 13:59:60. A clock beyond the day's end (a leap second) counts as its last moment.
    const int secondOfDay = std::min(hour * 3600 + minute * 60 + second, kSecondsPerDay);
    // 64 bits: a corrupt year or day in the record must not overflow the product.
    long long left = static_cast<long long>(daysAfterToday) * kSecondsPerDay + (kSecondsPerDay - secondOfDay);
    // Past the target (25 and 26 December) nothing is left to count.
    if (daysAfterToday < 0 || left < 0) left = 0;

    days = static_cast<std::int32_t>(left / kSecondsPerDay);
    const int rest = static_cast<int>(left % kSecondsPerDay);
    hours = rest / 3600;
    minutes = rest / 60 % 60;
    seconds = rest % 60;
}
