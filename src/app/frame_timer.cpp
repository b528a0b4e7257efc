#include "app/frame_timer.h"

#include "platform/clock.h"

namespace {

float secondsOf(std::uint32_t milliseconds) {
    return static_cast<float>(static_cast<double>(milliseconds) * 0.001);
}

}  // namespace

void FrameTimer::startAt(std::uint64_t counterFrequency, std::uint64_t counter, std::uint32_t milliseconds,
                         bool counterRead) {
    frequency = counterFrequency;
    previousCounter = counter;
    previousCounterRead = counterRead;
    // The millisecond clock too: a first step on the fall-back is not the time since boot.
    previousSeconds = secondsOf(milliseconds);
    dt = 0.0f;
}

void FrameTimer::start() {
    std::uint64_t counter = 0;
    const bool counterRead = platform::readPerformanceCounter(counter);
    startAt(platform::performanceFrequency(), counter, platform::tickCount(), counterRead);
}

void FrameTimer::resumeAt(bool counterRead, std::uint64_t counter, std::uint32_t milliseconds) {
    previousCounter = counter;
    previousCounterRead = counterRead;
    previousSeconds = secondsOf(milliseconds);
    periodStart = previousSeconds;
    frameCount = 0.0f;
}

void FrameTimer::resume() {
    std::uint64_t counter = 0;
    const bool counterRead = platform::readPerformanceCounter(counter);
    resumeAt(counterRead, counter, platform::tickCount());
}

void FrameTimer::tick(float elapsed) {
    std::uint64_t counter = 0;
    const bool counterRead = platform::readPerformanceCounter(counter);
    advance(counterRead, counter, platform::tickCount(), elapsed);
}

void FrameTimer::advance(bool counterRead, std::uint64_t counter, std::uint32_t milliseconds, float elapsed) {
    float raw = 0.0f;
    // A counter read after a failed one has nothing to measure from: that frame's step comes from the
    // millisecond clock as well.
    const bool measuredByCounter = counterRead && previousCounterRead && frequency != 0;
    if (measuredByCounter) {
        // Elapsed seconds x 55: one frame unit is 1/55 second.
        raw = static_cast<float>(counter - previousCounter) * scale * 1.1f / static_cast<float>(frequency);
    }
    if (counterRead) previousCounter = counter;
    previousCounterRead = counterRead;

    const float seconds = secondsOf(milliseconds);
    if (!measuredByCounter) raw = (seconds - previousSeconds) * scale;

    frameCount += 1.0f;
    previousSeconds = seconds;

    // A millisecond clock that wrapped (every 49.7 days) starts a new period instead of freezing
    // the frame rate until it catches up again.
    if (seconds - periodStart > 1.0f || seconds < periodStart) {
        periodStart = seconds;
        framesPerSecond = frameCount;
        frameCount = 0.0f;
    }

    if (elapsed != 0.0f) {
        if (framesPerSecond < minFps && framesPerSecond > 10.0f) minFps = framesPerSecond;
        if (framesPerSecond > maxFps) maxFps = framesPerSecond;
    }

    float sum = raw;
    for (float step : history) sum += step;
    dt = sum / 16.0f;

    for (int i = 0; i + 1 < kHistory; ++i) history[i] = history[i + 1];
    history[kHistory - 1] = raw;

    if (fixedStep > 0.0f) dt = fixedStep;
}
