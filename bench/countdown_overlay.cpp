// Per-frame cost of the countdown: the remaining-time arithmetic plus the overlay layout (text
// formatting, glyph lookup, quad placement), without GL. And the audio mixer's cost per block.
#include <benchmark/benchmark.h>

#include <vector>

#include "countdown/countdown.h"

namespace {

CountdownDisplay& preparedDisplay() {
    static CountdownDisplay display;
    static bool ready = false;
    if (!ready) {
        unsigned names[kOverlayTextureCount];
        for (int i = 0; i < kOverlayTextureCount; ++i) names[i] = 1 + i;
        display.setTextures(names);
        ready = true;
    }
    return display;
}

// A frame with every readout on: frame rate, 12-hour clock, countdown with heading and labels.
void BM_UpdateAndLayoutFullOverlay(benchmark::State& state) {
    CountdownDisplay& display = preparedDisplay();
    CountdownTime time;
    OverlayLayout layout;
    const OverlayOptions options{true, true, false};
    int second = 0;
    for (auto _ : state) {
        time.setDateTime(2026, 3, 14, 15, 9, second);
        second = (second + 1) % 60;
        time.updateCountdown();
        display.layoutOverlay(time, options, 59.0f, layout);
        benchmark::DoNotOptimize(layout.count);
    }
}
BENCHMARK(BM_UpdateAndLayoutFullOverlay);

// The default options (clock on, frame rate off) in the first week of January (greeting + countdown).
void BM_UpdateAndLayoutDefaultOptions(benchmark::State& state) {
    CountdownDisplay& display = preparedDisplay();
    CountdownTime time;
    OverlayLayout layout;
    const OverlayOptions options{false, true, false};
    for (auto _ : state) {
        time.setDateTime(2027, 1, 3, 23, 59, 59);
        time.updateCountdown();
        display.layoutOverlay(time, options, 60.0f, layout);
        benchmark::DoNotOptimize(layout.count);
    }
}
BENCHMARK(BM_UpdateAndLayoutDefaultOptions);

void BM_UpdateCountdownOnly(benchmark::State& state) {
    CountdownTime time;
    time.setDateTime(2026, 11, 30, 12, 0, 0);
    for (auto _ : state) {
        time.updateCountdown();
        benchmark::DoNotOptimize(time.seconds);
    }
}
BENCHMARK(BM_UpdateCountdownOnly);

}  // namespace

BENCHMARK_MAIN();
