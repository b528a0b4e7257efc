#pragma once
// The frame timer: the smoothed time step that every animation scales its motion by, and the frame
// rate over the last second.
//
// One frame unit is 1/55 second when the high-resolution counter works (the step is elapsed seconds
// x scale x 1.1) and 1/50 second on the millisecond clock fall-back (elapsed seconds x scale).

#include <cstdint>

class FrameTimer {
public:
    static constexpr int kHistory = 15;

    // Back to the start-of-run state: history all 1.0, no frame rate, extremes 10000 / 0, dt 0.
    void reset() {
        for (float& step : history) step = 1.0f;
        dt = 0.0f;
        framesPerSecond = 0.0f;
        minFps = 10000.0f;
        maxFps = 0.0f;
        previousSeconds = frameCount = periodStart = 0.0f;
    }

    // Marks the start of the frame loop: the first tick measures from here, so however long the
    // loading took, it never becomes the first step. Reads the clocks.
    void start();

    // After a pause in which no frames were drawn: the next tick measures from here, not across the
    // pause, and the frame rate is counted afresh from here. The smoothed step stays as it was, so
    // the animation goes on at the pace it had. Reads the clocks.
    void resume();

    // One frame: reads the counter and the millisecond clock and advances the timer. `elapsed` is
    // the window's elapsed value; the frame-rate extremes are only recorded while it is not 0.
    void tick(float elapsed);

    // The arithmetic of tick() on given clock readings: `counterRead` false means the
    // high-resolution counter could not be read and the millisecond clock gives the step. The
    // counter measures again from the first frame after one it could be read on.
    void advance(bool counterRead, std::uint64_t counter, std::uint32_t milliseconds, float elapsed);

    // Setting the start point and the resume point by hand (start() and resume() read the clocks):
    // `counterRead` false when the counter could not be read there.
    void startAt(std::uint64_t frequency, std::uint64_t counter, std::uint32_t milliseconds = 0,
                 bool counterRead = true);
    void resumeAt(bool counterRead, std::uint64_t counter, std::uint32_t milliseconds);

    // Seconds a frame unit stands for with the counter: 1/55 at the scale of 50.
    double secondsPerUnit() const { return 1.0 / (double(scale) * 1.1); }

    std::uint64_t frequency = 0;  // counts per second of the high-resolution counter
    std::uint64_t previousCounter = 0;
    bool previousCounterRead = true;  // false after a frame whose counter read failed
    float scale = 50.0f;
    float dt = 0.0f;               // smoothed step of the last frame, in frame units
    float history[kHistory] = {};  // raw steps of the 15 frames before the current one, oldest first
    float framesPerSecond = 0.0f;  // frames counted in the last period of about a second
    float minFps = 10000.0f;
    float maxFps = 0.0f;
    float previousSeconds = 0.0f;  // millisecond clock at the last tick, in seconds
    float frameCount = 0.0f;       // frames in the current period
    float periodStart = 0.0f;      // seconds
    float fixedStep = 0.0f;        // when above 0, dt is this every frame (repeatable runs)
};
