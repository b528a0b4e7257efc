#pragma once
// Keeps the frame loop from drawing faster than a cap when nothing else paces it. With vsync the
// swap waits for the vertical blank and the pacer never waits, unless the swap turns out not to
// wait after all (software renderers and some virtual machines accept the swap interval and
// ignore it): a loop that runs clearly faster than the cap for a whole second is paced from then
// on. Without vsync every frame starts no sooner than one cap period after the one before; a frame
// that took longer than that is followed at once, and the lost time is never made up in a burst.
//
//   FramePacer::initialise   the cap and whether the swap is meant to pace the loop
//   FramePacer::frameDone    after each swap: how long to wait before the next frame

class FramePacer {
public:
    // `framesPerSecond` 0 (or less) means no cap; `swapPaces` is true when vsync was asked for
    // and the driver accepted it.
    void initialise(int framesPerSecond, bool swapPaces);

    // Called once a frame is presented, with the monotonic time in seconds; returns the seconds to
    // wait before the next frame (0 when it may start at once).
    double frameDone(double now);

    int cap() const { return framesPerSecond_; }
    bool swapPaces() const { return swapPaces_; }

private:
    int framesPerSecond_ = 0;
    bool swapPaces_ = false;
    bool started_ = false;
    double nextStart_ = 0;    // the earliest start of the next frame
    double windowStart_ = 0;  // the second over which a pacing swap's frames are counted
    int windowFrames_ = 0;
};

// The cap the loop runs at: `requested` when 0 or more (0: none), else the display's refresh rate,
// 60 when the display does not say (`displayRate` 0 or less).
int frameRateCap(int requested, int displayRate);
