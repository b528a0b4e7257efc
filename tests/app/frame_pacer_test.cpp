#include "app/frame_pacer.h"

#include <gtest/gtest.h>

namespace {

// Runs `frames` frames that each take `drawSeconds` to draw, waiting as the pacer asks; returns the
// time the last one was presented.
double runFrames(FramePacer& pacer, int frames, double drawSeconds, double start = 10.0) {
    double now = start;
    for (int i = 0; i < frames; ++i) {
        now += drawSeconds;
        now += pacer.frameDone(now);
    }
    return now;
}

TEST(FramePacer, FastFramesAreHeldToTheCap) {
    FramePacer pacer;
    pacer.initialise(60, false);
    const double start = 10.0;
    const double end = runFrames(pacer, 601, 0.002, start);
    // 600 periods after the first frame's start, give or take the first frame's drawing.
    EXPECT_NEAR(end - start, 10.0, 0.01);
}

TEST(FramePacer, WaitIsThePeriodLessTheDrawing) {
    FramePacer pacer;
    pacer.initialise(50, false);
    EXPECT_DOUBLE_EQ(pacer.frameDone(1.0), 0.0);  // the first frame has nothing to wait for
    EXPECT_NEAR(pacer.frameDone(1.005), 0.015, 1e-9);
    // Woken a millisecond early (a coarse sleep): the next wait makes up for it, the schedule stays.
    EXPECT_NEAR(pacer.frameDone(1.019 + 0.005), 0.016, 1e-9);
}

TEST(FramePacer, SlowFramesNeverWaitAndLostTimeIsNotMadeUp) {
    FramePacer pacer;
    pacer.initialise(60, false);
    double now = 0.0;
    for (int i = 0; i < 10; ++i) {
        now += 0.05;  // 20 frames a second
        EXPECT_DOUBLE_EQ(pacer.frameDone(now), 0.0);
    }
    // After a long stall, fast frames come at the cap again, not in a burst.
    now += 2.0;
    pacer.frameDone(now);
    EXPECT_NEAR(pacer.frameDone(now + 0.001), 1.0 / 60 - 0.001, 1e-9);
}

TEST(FramePacer, NoCapNeverWaits) {
    FramePacer pacer;
    pacer.initialise(0, false);
    EXPECT_NEAR(runFrames(pacer, 100, 0.001, 0.0), 0.1, 1e-9);
}

TEST(FramePacer, PacingSwapIsTrustedWhileItHoldsTheRate) {
    FramePacer pacer;
    pacer.initialise(60, true);
    // A swap that waits for a 60 Hz blank: 1/60 s a frame, nothing added.
    double now = 0.0;
    for (int i = 0; i < 300; ++i) {
        now += 1.0 / 60;
        EXPECT_DOUBLE_EQ(pacer.frameDone(now), 0.0);
    }
    EXPECT_TRUE(pacer.swapPaces());
}

TEST(FramePacer, SwapThatDoesNotWaitIsPacedAfterASecond) {
    FramePacer pacer;
    pacer.initialise(60, true);
    double now = 0.0;
    int framesBeforePacing = 0;
    while (pacer.swapPaces() && framesBeforePacing < 10000) {
        now += 0.002;
        now += pacer.frameDone(now);
        ++framesBeforePacing;
    }
    EXPECT_FALSE(pacer.swapPaces());
    EXPECT_NEAR(now, 1.0, 0.01);
    const double end = runFrames(pacer, 120, 0.002, now);
    EXPECT_NEAR(end - now, 2.0, 0.02);
}

TEST(FramePacer, CapIsTheRequestTheDisplayOrSixty) {
    EXPECT_EQ(frameRateCap(30, 75), 30);
    EXPECT_EQ(frameRateCap(0, 75), 0);
    EXPECT_EQ(frameRateCap(-1, 75), 75);
    EXPECT_EQ(frameRateCap(-1, 0), 60);
}

}  // namespace
