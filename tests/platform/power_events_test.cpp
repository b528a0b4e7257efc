// Display-power, sleep and windows-shown reports folded into the frame loop's events, and the once-a-second
// reading.

#include "platform/power_events.h"

#include <gtest/gtest.h>

namespace {

using platform::WindowEvent;

TEST(PowerEvents, OneEventPerChangeNotYetToldSleepFirst) {
    platform::PowerEvents events;
    events.noteDisplays(true);  // as it was: nothing to tell
    events.noteSystemSleep(true);
    events.noteSystemSleep(false);  // undone before the loop looked
    EXPECT_EQ(events.take(), WindowEvent::None);
    events.noteWindowsShown(false);
    events.noteDisplays(false);
    events.noteSystemSleep(true);
    EXPECT_EQ(events.take(), WindowEvent::SystemSuspending);
    EXPECT_EQ(events.take(), WindowEvent::DisplaysOff);
    EXPECT_EQ(events.take(), WindowEvent::WindowsHidden);
    events.noteDisplays(true);
    events.noteSystemSleep(false);
    events.noteWindowsShown(true);
    EXPECT_EQ(events.take(), WindowEvent::SystemResumed);
    EXPECT_EQ(events.take(), WindowEvent::DisplaysOn);
    EXPECT_EQ(events.take(), WindowEvent::WindowsShown);
    EXPECT_EQ(events.take(), WindowEvent::None);
}

TEST(PollSchedule, DueAtOnceThenOncePerIntervalAcrossTheTicksWrap) {
    platform::PollSchedule schedule(1000);
    std::uint32_t now = 0xFFFFFFFFu - 1500;
    EXPECT_TRUE(schedule.due(now));
    EXPECT_FALSE(schedule.due(now + 999));
    EXPECT_TRUE(schedule.due(now += 1000));
    EXPECT_FALSE(schedule.due(now + 400));  // past 2^32: the tick reads 399
    EXPECT_TRUE(schedule.due(now += 1200));
}

}  // namespace
