#include <gtest/gtest.h>

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

void expectLeft(const Left& got, int days, int hours, int minutes, int seconds) {
    EXPECT_EQ(got.days, days);
    EXPECT_EQ(got.hours, hours);
    EXPECT_EQ(got.minutes, minutes);
    EXPECT_EQ(got.seconds, seconds);
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

TEST(CountdownTime, LastDayBeforeChristmasCarriesWholeMinutesAndHours) {
    expectLeft(leftAt(2026, 12, 24, 23, 59, 59), 0, 0, 0, 1);
    expectLeft(leftAt(2026, 12, 24, 10, 0, 0), 0, 14, 0, 0);
    expectLeft(leftAt(2026, 12, 24, 10, 0, 1), 0, 13, 59, 59);
    expectLeft(leftAt(2026, 12, 24, 0, 0, 0), 1, 0, 0, 0);
    expectLeft(leftAt(2026, 12, 23, 12, 30, 15), 1, 11, 29, 45);
}

TEST(CountdownTime, ChristmasAndBoxingDayHaveNothingLeft) {
    expectLeft(leftAt(2026, 12, 25, 0, 0, 0), 0, 0, 0, 0);
    expectLeft(leftAt(2026, 12, 25, 14, 0, 0), 0, 0, 0, 0);
    expectLeft(leftAt(2026, 12, 26, 23, 59, 59), 0, 0, 0, 0);
}

TEST(CountdownTime, FromTheTwentySeventhItCountsToNewYear) {
    expectLeft(leftAt(2026, 12, 27, 12, 0, 0), 4, 12, 0, 0);
    expectLeft(leftAt(2026, 12, 27, 0, 0, 1), 4, 23, 59, 59);
    expectLeft(leftAt(2026, 12, 31, 18, 45, 30), 0, 5, 14, 30);
    expectLeft(leftAt(2026, 12, 31, 23, 59, 59), 0, 0, 0, 1);
    // Leap years end on the same date.
    expectLeft(leftAt(2024, 12, 28, 12, 0, 0), 3, 12, 0, 0);
}

TEST(CountdownTime, JanuaryCountsToTheNextChristmas) {
    // 1 January 00:00:00 of a common year: exactly 358 days (357 days and the whole first day).
    expectLeft(leftAt(2026, 1, 1, 0, 0, 0), 358, 0, 0, 0);
    expectLeft(leftAt(2026, 1, 1, 0, 0, 1), 357, 23, 59, 59);
    expectLeft(leftAt(2024, 1, 1, 0, 0, 1), 358, 23, 59, 59);
    expectLeft(leftAt(2026, 1, 8, 12, 0, 0), 350, 12, 0, 0);
}

TEST(CountdownTime, FirstOfMarchInLeapAndCommonYears) {
    // 2008 and 2024: day 61 of 366; 2026 and 2100: day 60 of 365. Either way 298 whole days follow.
    expectLeft(leftAt(2008, 3, 1, 12, 0, 0), 298, 12, 0, 0);
    expectLeft(leftAt(2024, 3, 1, 12, 0, 0), 298, 12, 0, 0);
    expectLeft(leftAt(2026, 3, 1, 12, 0, 0), 298, 12, 0, 0);
    expectLeft(leftAt(2100, 3, 1, 12, 0, 0), 298, 12, 0, 0);
    // The leap day itself only exists in leap years and shifts February's end.
    expectLeft(leftAt(2024, 2, 28, 12, 0, 0), 300, 12, 0, 0);
    expectLeft(leftAt(2026, 2, 28, 12, 0, 0), 299, 12, 0, 0);
}

TEST(CountdownTime, CorruptClockValuesNeverGoNegative) {
    expectLeft(leftAt(2026, 12, 24, 23, 59, 60), 0, 0, 0, 0);  // a leap second
    const Left odd = leftAt(2026, 13, 40, 30, 70, 70);
    EXPECT_GE(odd.days, 0);
    EXPECT_GE(odd.hours, 0);
    EXPECT_GE(odd.minutes, 0);
    EXPECT_GE(odd.seconds, 0);
}

}  // namespace
