// Frame rate of Run mode next to a bare clear-and-swap loop at the same size, in the same run, plus
// the time from process start to the first frame and the peak memory of the screensaver process.
// Needs a display; under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_run_mode_fps
//
// The screensaver is build/Glimmerdale.scr next to this program's folder, or $GLIMMERDALE_EXE.
// The ratio of the two frame rates is what counts: Xvfb's software GL makes absolute numbers small.

#include <GL/glew.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/window.h"
#include "support/process.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

std::string screensaverPath() {
    if (const char* path = std::getenv("GLIMMERDALE_EXE"); path && *path) return path;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path().parent_path() / "Glimmerdale.scr").string();
}

// Runs the screensaver windowed at 1024 x 768 without vsync for `frames` frames; returns the wall
// time in seconds, or a negative number when it did not run through.
double timedRun(long frames, std::string& problem) {
    testsupport::TempDir dir("gdbench");
    testsupport::ProcessRequest request;
    request.program = screensaverPath();
    request.args = {"--config-dir", dir.path(), "--windowed",           "--size", "1024x768",
                    "--no-vsync",   "--frames", std::to_string(frames), "/s"};
    request.cwd = dir.path();
    request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
    request.env["SDL_AUDIODRIVER"] = "dummy";
    request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
    const auto start = std::chrono::steady_clock::now();
    const testsupport::ProcessResult result = testsupport::runProcess(request, std::chrono::seconds(300));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string log = testsupport::readTextFile(dir.file("Log.txt"));
    if (result.timedOut || log.find("Fps: ") == std::string::npos) {
        problem =
            "the screensaver did not run through (another copy running? no display?): " + result.errorOutput;
        return -1.0;
    }
    return seconds;
}

double peakChildMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

void BM_BareClearAndSwap(benchmark::State& state) {
    platform::VideoBackend& backend = platform::systemVideoBackend();
    platform::WindowRequest request;
    request.title = "bench";
    request.width = kWidth;
    request.height = kHeight;
    request.fullscreen = false;
    if (!backend.openWindow(request) || backend.createContext() != platform::ContextResult::Created) {
        state.SkipWithError("no window or GL context (no display?)");
        return;
    }
    backend.setSwapInterval(0);
    glClearColor(0, 0, 0, 1);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        backend.swapBuffers();
    }
    glFinish();
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    backend.closeWindow();
}
BENCHMARK(BM_BareClearAndSwap)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

// Frames per second of the whole program: (time of N frames - time of 0 frames) / N, so start-up
// and shutdown drop out.
void BM_RunModeFrames(benchmark::State& state) {
    const long frames = state.range(0);
    double framesSeconds = 0;
    for (auto _ : state) {
        std::string problem;
        const double empty = timedRun(0, problem);
        const double full = timedRun(frames, problem);
        if (empty < 0 || full < 0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        framesSeconds = full - empty;
        state.SetIterationTime(framesSeconds / static_cast<double>(frames));
    }
    state.counters["fps"] = static_cast<double>(frames) / framesSeconds;
    state.counters["peak_rss_MB"] = peakChildMegabytes();
}
BENCHMARK(BM_RunModeFrames)->Arg(300)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// From process start to the first frame on screen (and its shutdown, which is short).
void BM_StartToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        std::string problem;
        const double seconds = timedRun(1, problem);
        if (seconds < 0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_StartToFirstFrame)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
