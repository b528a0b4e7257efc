#include "app/frame_timer.h"

#include "platform/clock.h"

void FrameTimer::startAt(std::uint64_t counterFrequency, std::uint64_t counter) {
    frequency = counterFrequency;
    previousCounter = counter;
    dt = 0.0f;
}

void FrameTimer::start() { startAt(platform::performanceFrequency(), platform::performanceCounter()); }

void FrameTimer::tick(float elapsed) {
    advance(true, platform::performanceCounter(), platform::tickCount(), elapsed);
}

void FrameTimer::advance(bool counterRead, std::uint64_t counter, std::uint32_t milliseconds, float elapsed) {
    float raw = 0.0f;
    if (counterRead && frequency != 0) {
        // Elapsed seconds x 55: one frame unit is 1/55 second.
        raw = static_cast<float>(counter - previousCounter) * scale * 1.1f / static_cast<float>(frequency);
        previousCounter = counter;
    } else {
        counterRead = false;
    }

    const float seconds = static_cast<float>(static_cast<double>(milliseconds) * 0.001);
    if (!counterRead) raw = (seconds - previousSeconds) * scale;

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
