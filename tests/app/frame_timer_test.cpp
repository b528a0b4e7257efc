#include "app/frame_timer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t kFrequency = 1000000;  // counts per second

// A timer started at `counter` with the start-of-run state.
FrameTimer startedTimer(std::uint64_t counter = 5000000) {
    FrameTimer timer;
    timer.reset();
    timer.startAt(kFrequency, counter);
    return timer;
}

TEST(FrameTimer, StartOfRunState) {
    FrameTimer timer;
    timer.reset();
    EXPECT_EQ(timer.dt, 0.0f);
    EXPECT_EQ(timer.framesPerSecond, 0.0f);
    EXPECT_EQ(timer.minFps, 10000.0f);
    EXPECT_EQ(timer.maxFps, 0.0f);
    EXPECT_EQ(timer.scale, 50.0f);
    for (float step : timer.history) EXPECT_EQ(step, 1.0f);
}

TEST(FrameTimer, CounterStepIsSecondsTimesFiftyFive) {
    FrameTimer timer = startedTimer();
    // One second: raw 55, smoothed with the fifteen 1.0 of the start.
    timer.advance(true, 5000000 + kFrequency, 1000, 0.0f);
    EXPECT_FLOAT_EQ(timer.history[FrameTimer::kHistory - 1], 55.0f);
    EXPECT_FLOAT_EQ(timer.dt, (55.0f + 15.0f) / 16.0f);
    EXPECT_EQ(timer.previousCounter, 5000000 + kFrequency);
}

TEST(FrameTimer, StepIsTheMeanOfTheLastSixteen) {
    FrameTimer timer = startedTimer(0);
    std::uint64_t counter = 0;
    const std::uint64_t frame = kFrequency / 55;  // about one frame unit
    const float raw = static_cast<float>(frame) * 50.0f * 1.1f / static_cast<float>(kFrequency);
    for (int i = 0; i < 16; ++i) {
        counter += frame;
        timer.advance(true, counter, 1000 + i * 18, 1.0f);
    }
    EXPECT_NEAR(timer.dt, raw, 1e-6);
    // History keeps order: the oldest first, the newest last.
    counter += 3 * frame;
    timer.advance(true, counter, 2000, 1.0f);
    EXPECT_NEAR(timer.history[FrameTimer::kHistory - 1], 3 * raw, 1e-5);
    EXPECT_NEAR(timer.history[0], raw, 1e-6);
}

TEST(FrameTimer, StallSpreadsOverSixteenFrames) {
    FrameTimer timer = startedTimer(0);
    std::uint64_t counter = 0;
    const std::uint64_t unit = kFrequency / 55 + 1;  // raw just over 1
    for (int i = 0; i < 20; ++i) timer.advance(true, counter += unit, 0, 1.0f);
    const float steady = timer.dt;
    // A stall of 17 frame units raises dt by about one unit on its frame and the 15 after it.
    timer.advance(true, counter += 17 * unit, 0, 1.0f);
    const float raised = timer.dt;
    EXPECT_NEAR(raised - steady, 1.0f, 0.01f);
    for (int i = 0; i < 15; ++i) {
        timer.advance(true, counter += unit, 0, 1.0f);
        ASSERT_NEAR(timer.dt, raised, 0.01f) << i;
    }
    timer.advance(true, counter += unit, 0, 1.0f);
    EXPECT_NEAR(timer.dt, steady, 0.01f);
}

TEST(FrameTimer, FirstStepMeasuresFromTheLoopStartNotFromLoading) {
    FrameTimer timer = startedTimer(0);
    // Loading took ten seconds; the loop starts then and the first frame takes 1/55 second.
    const std::uint64_t loopStart = 10 * kFrequency;
    timer.startAt(kFrequency, loopStart);
    timer.advance(true, loopStart + kFrequency / 55, 10000, 0.0f);
    EXPECT_NEAR(timer.history[FrameTimer::kHistory - 1], 1.0f, 1e-4);
    EXPECT_NEAR(timer.dt, 1.0f, 1e-4);
}

// The counter can fail to read (QueryPerformanceCounter may), at the loop's start or on any frame.
// Whenever it has nothing to measure from, the millisecond clock gives the step: seconds x 50, from
// the last reading of that clock, which the start makes too (never the time since boot). The clock
// readings are those start() and tick() take.
TEST(FrameTimer, TheMillisecondClockGivesTheStepWheneverTheCounterHasNothingToMeasureFrom) {
    struct Reading {
        bool counterRead;
        std::uint64_t counter;
        std::uint32_t milliseconds;
        float rawStep;  // the frame's step before smoothing; unused for the start
    };
    constexpr std::uint64_t F = kFrequency;
    struct Case {
        const char* what;
        Reading start;
        std::vector<Reading> frames;
    };
    const Case cases[] = {
        {"the counter reads: 1/55 s a unit",
         {true, 5 * F, 100000, 0},
         {{true, 6 * F, 100900, 55.0f}, {true, 6 * F + F / 55, 100918, 1.0f}}},
        {"every read fails: 1/50 s a unit, from the start's reading",
         {false, 0, 100000, 0},
         {{false, 0, 101000, 50.0f}, {false, 0, 102000, 50.0f}, {false, 0, 102020, 1.0f}}},
        {"the start's read fails: the first frame on the clock, then the counter",
         {false, 0, 100000, 0},
         {{true, 7 * F, 100040, 2.0f}, {true, 7 * F + F / 55, 100058, 1.0f}}},
        {"one frame's read fails: that frame and the next on the clock, not across the gap",
         {true, 0, 100000, 0},
         {{false, 0, 100040, 2.0f}, {true, 7 * F, 100060, 1.0f}, {true, 7 * F + F / 55, 100078, 1.0f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FrameTimer timer;
        timer.reset();
        timer.startAt(F, c.start.counter, c.start.milliseconds, c.start.counterRead);
        for (std::size_t i = 0; i < c.frames.size(); ++i) {
            const Reading& frame = c.frames[i];
            timer.advance(frame.counterRead, frame.counter, frame.milliseconds, 1.0f);
            EXPECT_NEAR(timer.history[FrameTimer::kHistory - 1], frame.rawStep, 1e-3) << "frame " << i;
        }
    }
}

TEST(FrameTimer, AfterAPauseTheStepAndTheFrameRateMeasureFromTheResume) {
    FrameTimer timer = startedTimer(0);
    std::uint64_t counter = 0;
    std::uint32_t ms = 100000;
    const std::uint64_t frame = kFrequency / 50;  // 50 frames a second, raw 1.1
    for (int i = 0; i < 75; ++i) timer.advance(true, counter += frame, ms += 20, 1.0f);
    const float steady = timer.dt;
    ASSERT_NEAR(steady, 1.1f, 1e-3);
    // A minute without frames, then 50 frames a second again.
    timer.resumeAt(true, counter += 60 * kFrequency, ms += 60000);
    timer.advance(true, counter += frame, ms += 20, 1.0f);
    EXPECT_NEAR(timer.dt, steady, 1e-3);
    for (int i = 0; i < 60; ++i) timer.advance(true, counter += frame, ms += 20, 1.0f);
    // No period spans the pause: the slowest second is a whole one of the frames drawn.
    EXPECT_GE(timer.minFps, 50.0f);
}

TEST(FrameTimer, FramesPerSecondCountsAPeriodOfMoreThanASecond) {
    FrameTimer timer = startedTimer(0);
    std::uint32_t ms = 100000;
    timer.advance(true, 0, ms, 1.0f);  // the first tick opens a period (its count is 1)
    EXPECT_EQ(timer.framesPerSecond, 1.0f);
    for (int i = 0; i < 40; ++i) timer.advance(true, 0, ms += 25, 1.0f);  // exactly 1.0 s: not yet
    EXPECT_EQ(timer.framesPerSecond, 1.0f);
    timer.advance(true, 0, ms += 25, 1.0f);
    EXPECT_EQ(timer.framesPerSecond, 41.0f);
    EXPECT_EQ(timer.maxFps, 41.0f);
    EXPECT_EQ(timer.minFps, 41.0f);
}

TEST(FrameTimer, ExtremesOnlyOnceElapsedAndMinimumAboveTen) {
    FrameTimer timer = startedTimer(0);
    std::uint32_t ms = 100000;
    // elapsed 0 (the first frame): nothing recorded, however many periods pass.
    for (int i = 0; i < 60; ++i) timer.advance(true, 0, ms += 20, 0.0f);
    EXPECT_GT(timer.framesPerSecond, 10.0f);
    EXPECT_EQ(timer.maxFps, 0.0f);
    EXPECT_EQ(timer.minFps, 10000.0f);

    FrameTimer slow = startedTimer(0);
    ms = 100000;
    // Periods of 5 frames: a maximum, but too few frames for the minimum.
    for (int i = 0; i < 12; ++i) slow.advance(true, 0, ms += 210, 1.0f);
    EXPECT_EQ(slow.maxFps, 5.0f);
    EXPECT_EQ(slow.minFps, 10000.0f);
    // Then periods of 50 frames: both move.
    for (int i = 0; i < 120; ++i) slow.advance(true, 0, ms += 20, 1.0f);
    EXPECT_GE(slow.maxFps, 50.0f);
    EXPECT_LE(slow.minFps, 51.0f);
    EXPECT_GT(slow.minFps, 10.0f);
}

TEST(FrameTimer, WrappedMillisecondClockStartsANewPeriod) {
    FrameTimer timer = startedTimer(0);
    std::uint32_t ms = 0xFFFFFFFFu - 3000;
    for (int i = 0; i < 10; ++i) timer.advance(true, 0, ms += 100, 1.0f);
    ms += 2500;  // past 2^32: the clock reads 499
    ASSERT_EQ(ms, 499u);
    timer.advance(true, 0, ms, 1.0f);
    for (int i = 0; i < 22; ++i) timer.advance(true, 0, ms += 45, 1.0f);
    const float before = timer.framesPerSecond;
    timer.advance(true, 0, ms += 45, 1.0f);
    EXPECT_EQ(timer.framesPerSecond, 23.0f);
    EXPECT_NE(before, 23.0f);
}

TEST(FrameTimer, FixedStepOverridesTheMeasuredStep) {
    FrameTimer timer = startedTimer(0);
    timer.fixedStep = 2.5f;
    timer.advance(true, 10 * kFrequency, 5000, 1.0f);
    EXPECT_EQ(timer.dt, 2.5f);
    timer.reset();
    EXPECT_EQ(timer.fixedStep, 2.5f);  // a new run keeps the option
}

}  // namespace
