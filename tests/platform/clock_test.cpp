#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using platform::LocalTime;

LocalTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    LocalTime t;
    t.year = year, t.month = month, t.day = day, t.hour = hour, t.minute = minute, t.second = second;
    return t;
}

void expectTime(const LocalTime& t, int year, int month, int day, int hour, int minute, int second,
                int dayOfWeek) {
    EXPECT_EQ(t.year, year);
    EXPECT_EQ(t.month, month);
    EXPECT_EQ(t.day, day);
    EXPECT_EQ(t.hour, hour);
    EXPECT_EQ(t.minute, minute);
    EXPECT_EQ(t.second, second);
    EXPECT_EQ(t.dayOfWeek, dayOfWeek);
}

TEST(ParseLocalTime, ReadsTheFixedShape) {
    LocalTime t;
    ASSERT_TRUE(platform::parseLocalTime("2026-12-24 18:30:05", t));
    expectTime(t, 2026, 12, 24, 18, 30, 5, 4);                        // a Thursday
    ASSERT_TRUE(platform::parseLocalTime("2000-02-29 00:00:00", t));  // 2000 is a leap year (400 rule)
    expectTime(t, 2000, 2, 29, 0, 0, 0, 2);
}

TEST(ParseLocalTime, RefusesAnythingElseAndLeavesTheResultAlone) {
    LocalTime t = at(1999, 1, 1);
    for (const char* text :
         {"", "2026-12-24", "2026-12-24 18:30", "2026-12-24 18:30:05 ", " 2026-12-24 18:30:05",
          "2026-13-01 00:00:00", "2026-00-10 00:00:00", "2026-04-31 00:00:00", "1900-02-29 00:00:00",
          "2026-12-24 24:00:00", "2026-12-24 23:60:00", "2026-12-24 23:59:60", "2026/12/24 18:30:05",
          "+026-12-24 18:30:05", "0000-01-01 00:00:00"}) {
        EXPECT_FALSE(platform::parseLocalTime(text, t)) << text;
    }
    EXPECT_EQ(t.year, 1999);
}

TEST(AddSeconds, CarriesThroughDaysMonthsYearsAndLeapDays) {
    expectTime(platform::addSeconds(at(2026, 12, 31, 23, 59, 59), 1), 2027, 1, 1, 0, 0, 0, 5);
    expectTime(platform::addSeconds(at(2028, 2, 28, 12, 0, 0), 86400), 2028, 2, 29, 12, 0, 0, 2);
    expectTime(platform::addSeconds(at(2100, 2, 28, 12, 0, 0), 86400), 2100, 3, 1, 12, 0, 0,
               1);  // 2100: no leap
    expectTime(platform::addSeconds(at(2026, 3, 1, 0, 0, 0), -1), 2026, 2, 28, 23, 59, 59, 6);
    expectTime(platform::addSeconds(at(1970, 1, 1), -1), 1969, 12, 31, 23, 59, 59, 3);
    // Four years with one leap day in them.
    expectTime(platform::addSeconds(at(2026, 1, 1), (365LL * 4 + 1) * 86400), 2030, 1, 1, 0, 0, 0, 2);
}

TEST(LocalTimeOverride, StartsAtTheGivenMomentAndRunsOn) {
    ASSERT_TRUE(platform::setLocalTimeOverride(at(2026, 12, 24, 23, 59, 59)));
    const LocalTime first = platform::localTime();
    expectTime(first, 2026, 12, 24, 23, 59, 59, 4);
    // Wait for the clock to tick over into Christmas Day.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    LocalTime later = first;
    while (later.day == 24 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        later = platform::localTime();
    }
    expectTime(later, 2026, 12, 25, 0, 0, 0, 5);
    EXPECT_FALSE(platform::setLocalTimeOverride(at(2026, 2, 30)));
    platform::clearLocalTimeOverride();
    EXPECT_GE(platform::localTime().year, 2024);
}

TEST(LocalTimeOverride, ASteppedClockMovesOnlyByItsSteps) {
    ASSERT_TRUE(platform::setLocalTimeOverride(at(2026, 12, 20, 21, 0, 59), platform::ClockPace::Stepped));
    platform::sleepMilliseconds(20);
    expectTime(platform::localTime(), 2026, 12, 20, 21, 0, 59, 0);
    // 55 steps of 1/55 s make a whole second, not one frame short of it.
    for (int i = 0; i < 55; ++i) platform::advanceLocalTimeOverride(1.0 / 55.0);
    expectTime(platform::localTime(), 2026, 12, 20, 21, 1, 0, 0);
    EXPECT_EQ(platform::localTime().millisecond, 0);
    platform::advanceLocalTimeOverride(-5.0);
    platform::advanceLocalTimeOverride(0.25);
    EXPECT_EQ(platform::localTime().millisecond, 250);
    // A clock running in real time takes no steps.
    ASSERT_TRUE(platform::setLocalTimeOverride(at(2026, 12, 20, 21, 0, 0)));
    platform::advanceLocalTimeOverride(3600.0);
    EXPECT_EQ(platform::localTime().hour, 21);
    platform::clearLocalTimeOverride();
}

TEST(Clocks, CountersMoveForwardAtTheirRates) {
    EXPECT_GT(platform::performanceFrequency(), 0u);
    const std::uint64_t counterBefore = platform::performanceCounter();
    const std::uint32_t tickBefore = platform::tickCount();
    platform::sleepMilliseconds(30);
    const double counterMs = double(platform::performanceCounter() - counterBefore) * 1000.0 /
                             double(platform::performanceFrequency());
    const std::uint32_t tickMs = platform::tickCount() - tickBefore;
    EXPECT_GE(counterMs, 29.0);
    // The tick moves in the system timer's steps: 1 ms on Linux, about 16 ms on Windows.
    EXPECT_GE(tickMs + 16u, 30u);
    EXPECT_LT(counterMs, 5000.0);
    std::uint64_t counter = 0;
    ASSERT_TRUE(platform::readPerformanceCounter(counter));
    platform::sleepPrecisely(0.005);
    const double preciseMs =
        double(platform::performanceCounter() - counter) * 1000.0 / double(platform::performanceFrequency());
    EXPECT_GE(preciseMs, 4.9);
    EXPECT_LT(preciseMs, 5000.0);
    const platform::LocalTime now = platform::localTime();
    EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.day >= 1 && now.millisecond >= 0 &&
                now.millisecond < 1000);
}

}  // namespace
