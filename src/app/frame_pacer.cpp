#include "app/frame_pacer.h"

#include <algorithm>

namespace {

// A swap that is meant to pace the loop but lets it run this much faster than the cap does not.
constexpr double kUnpacedShare = 1.5;
constexpr int kDefaultCap = 60;

}  // namespace

void FramePacer::initialise(int framesPerSecond, bool swapPaces) {
    *this = FramePacer{};
    framesPerSecond_ = std::max(framesPerSecond, 0);
    swapPaces_ = swapPaces;
}

double FramePacer::frameDone(double now) {
    if (framesPerSecond_ == 0) return 0.0;
    const double period = 1.0 / framesPerSecond_;
    if (!started_) {
        started_ = true;
        windowStart_ = now;
        nextStart_ = now;
    } else if (swapPaces_) {
        ++windowFrames_;
    }
    if (swapPaces_) {
        if (now - windowStart_ < 1.0) return 0.0;
        const double rate = windowFrames_ / (now - windowStart_);
        windowStart_ = now;
        windowFrames_ = 0;
        if (rate <= kUnpacedShare * framesPerSecond_) return 0.0;
        swapPaces_ = false;
        nextStart_ = now;
    }
    // A late frame moves the schedule on, so lost time is never made up in a burst.
    const double wait = std::max(0.0, nextStart_ - now);
    nextStart_ = std::max(nextStart_, now) + period;
    return wait;
}

int frameRateCap(int requested, int displayRate) {
    if (requested >= 0) return requested;
    return displayRate > 0 ? displayRate : kDefaultCap;
}
