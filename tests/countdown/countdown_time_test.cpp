#include <gtest/gtest.h>

#include <string>

#include "countdown/countdown.h"

namespace {

struct Left {
    int days, hours, minutes, seconds;
};

Left leftAt(int year, int month, int day, int hour, int minute, int second) {
    CountdownTime time;
    time.setDateTime(year, month, day, hour, minute, second);
    time.updateCountdown();
    return {time.days, time.hours, time.minutes, time.seconds};
}

TEST(CountdownCalendar, LeapYearsFollowTheGregorianRule) {
    EXPECT_TRUE(isLeapYear(2008));
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_TRUE(isLeapYear(2028));
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_FALSE(isLeapYear(2100));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_FALSE(isLeapYear(2026));
}

TEST(CountdownCalendar, DayOfYearCountsFebruaryByTheYear) {
    EXPECT_EQ(dayOfYear(2008, 3, 1), 61);
    EXPECT_EQ(dayOfYear(2024, 3, 1), 61);
    EXPECT_EQ(dayOfYear(2026, 3, 1), 60);
    EXPECT_EQ(dayOfYear(2100, 3, 1), 60);
    EXPECT_EQ(dayOfYear(2026, 12, 31), 365);
    EXPECT_EQ(dayOfYear(2024, 12, 31), 366);
    EXPECT_EQ(dayOfYear(2026, 1, 1), 1);
    // A corrupt month never reads outside the month table.
    EXPECT_EQ(dayOfYear(2026, 0, 5), 5);
    EXPECT_EQ(dayOfYear(2026, 40, 1), 335);
}

// The time left: to Christmas, to the new year from the 27th of December, nothing on Christmas and
// Boxing Day; seconds 0-59 with the carry into minutes, hours and days.
TEST(CountdownTime, TimeLeftAtEachMomentOfTheYear) {
    struct Case {
        int year, month, day, hour, minute, second;
        Left left;
    };
    const Case cases[] = {
        // The last day before Christmas carries whole minutes and hours.
        {2026, 12, 24, 23, 59, 59, {0, 0, 0, 1}},
        {2026, 12, 24, 10, 0, 0, {0, 14, 0, 0}},
        {2026, 12, 24, 10, 0, 1, {0, 13, 59, 59}},
        {2026, 12, 24, 0, 0, 0, {1, 0, 0, 0}},
        {2026, 12, 23, 12, 30, 15, {1, 11, 29, 45}},
        // Christmas and Boxing Day have nothing left.
        {2026, 12, 25, 0, 0, 0, {0, 0, 0, 0}},
        {2026, 12, 25, 14, 0, 0, {0, 0, 0, 0}},
        {2026, 12, 26, 23, 59, 59, {0, 0, 0, 0}},
        // From the 27th it counts to the new year; leap years end on the same date.
        {2026, 12, 27, 12, 0, 0, {4, 12, 0, 0}},
        {2026, 12, 27, 0, 0, 1, {4, 23, 59, 59}},
        {2026, 12, 31, 18, 45, 30, {0, 5, 14, 30}},
        {2026, 12, 31, 23, 59, 59, {0, 0, 0, 1}},
        {2024, 12, 28, 12, 0, 0, {3, 12, 0, 0}},
        // January counts to the next Christmas: at 1 January 00:00:00 of a common year exactly 358
        // days (357 days and the whole first day).
        {2026, 1, 1, 0, 0, 0, {358, 0, 0, 0}},
        {2026, 1, 1, 0, 0, 1, {357, 23, 59, 59}},
        {2024, 1, 1, 0, 0, 1, {358, 23, 59, 59}},
        {2026, 1, 8, 12, 0, 0, {350, 12, 0, 0}},
        // 1 March is day 61 of 366 in 2008 and 2024, day 60 of 365 in 2026 and 2100: either way 298
        // whole days follow. The leap day only exists in leap years and shifts February's end.
        {2008, 3, 1, 12, 0, 0, {298, 12, 0, 0}},
        {2024, 3, 1, 12, 0, 0, {298, 12, 0, 0}},
        {2026, 3, 1, 12, 0, 0, {298, 12, 0, 0}},
        {2100, 3, 1, 12, 0, 0, {298, 12, 0, 0}},
        {2024, 2, 28, 12, 0, 0, {300, 12, 0, 0}},
        {2026, 2, 28, 12, 0, 0, {299, 12, 0, 0}},
        // A leap second.
        {2026, 12, 24, 23, 59, 60, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const Left got = leftAt(c.year, c.month, c.day, c.hour, c.minute, c.second);
        const std::string when = std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                                 std::to_string(c.day) + " " + std::to_string(c.hour) + ":" +
                                 std::to_string(c.minute) + ":" + std::to_string(c.second);
        EXPECT_EQ(got.days, c.left.days) << when;
        EXPECT_EQ(got.hours, c.left.hours) << when;
        EXPECT_EQ(got.minutes, c.left.minutes) << when;
        EXPECT_EQ(got.seconds, c.left.seconds) << when;
    }
}

TEST(CountdownTime, CorruptClockValuesNeverGoNegative) {
    const Left odd = leftAt(2026, 13, 40, 30, 70, 70);
    EXPECT_GE(odd.days, 0);
    EXPECT_GE(odd.hours, 0);
    EXPECT_GE(odd.minutes, 0);
    EXPECT_GE(odd.seconds, 0);
}

}  // namespace
