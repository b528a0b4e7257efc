// Display-power and sleep reports folded into the frame loop's events, and the once-a-second reading.

#include "platform/power_events.h"

#include <gtest/gtest.h>

namespace {

using platform::PollSchedule;
using platform::PowerEvents;
using platform::WindowEvent;

TEST(PowerEvents, OneEventPerChangeTheLoopHasNotBeenToldSleepFirst) {
    PowerEvents events;
    EXPECT_EQ(events.take(), WindowEvent::None);  // on and awake: nothing to tell
    events.noteDisplays(true);
    EXPECT_EQ(events.take(), WindowEvent::None);  // a report that changes nothing
    events.noteDisplays(false);
    events.noteDisplays(true);
    EXPECT_EQ(events.take(), WindowEvent::None);  // undone before the loop looked

    events.noteDisplays(false);
    events.noteSystemSleep(true);
    EXPECT_EQ(events.take(), WindowEvent::SystemSuspending);
    EXPECT_EQ(events.take(), WindowEvent::DisplaysOff);
    EXPECT_EQ(events.take(), WindowEvent::None);
    events.noteDisplays(true);
    events.noteSystemSleep(false);
    EXPECT_EQ(events.take(), WindowEvent::SystemResumed);
    EXPECT_EQ(events.take(), WindowEvent::DisplaysOn);
    EXPECT_EQ(events.take(), WindowEvent::None);
}

TEST(PollSchedule, DueAtOnceThenOncePerIntervalAcrossTheTicksWrap) {
    PollSchedule schedule(1000);
    std::uint32_t now = 0xFFFFFFFFu - 1500;
    EXPECT_TRUE(schedule.due(now));
    EXPECT_FALSE(schedule.due(now + 999));
    EXPECT_TRUE(schedule.due(now += 1000));
    EXPECT_FALSE(schedule.due(now + 400));  // past 2^32: the tick reads 399
    EXPECT_TRUE(schedule.due(now += 1200));
    EXPECT_LT(now, 1000u);
    EXPECT_FALSE(schedule.due(now + 999));
}

}  // namespace
