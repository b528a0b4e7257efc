// Frame rate of Run mode next to a bare clear-and-swap loop at the same size, in the same run, plus
// the time from process start to the first frame (with the renderer's shader cache off, and warm) and
// the peak memory of the screensaver process.
// Needs a display; under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_run_mode_fps
//
// The screensaver is build/Glimmerdale.scr next to this program's folder, or $GLIMMERDALE_EXE. With
// $GLIMMERDALE_BEFORE_EXE naming an earlier build (one without --max-fps, whose loop never waits),
// the same runs are made with it too, "before" in their names, so both builds are measured side by
// side under the same load. Use renamed copies: a process called Glimmerdale.scr makes later copies
// stop at once. The ratio of the frame rates is what counts: Xvfb's software GL makes absolute
// numbers small.

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/window.h"
#include "support/process.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A build to measure: the program, and whether it has a frame-rate cap to lift.
struct Build {
    std::string program;
    bool paced = true;
};

Build currentBuild() {
    if (const char* path = std::getenv("GLIMMERDALE_EXE"); path && *path) return {path, true};
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return {(self.parent_path().parent_path() / "Glimmerdale.scr").string(), true};
}

// Runs the screensaver windowed at 1024 x 768 without vsync or frame-rate cap, with camera order seed 1
// and a fixed step, for `frames` frames; returns the wall time in seconds, or a negative number when
// it did not run through. `peakMegabytes` gets the process's peak resident size. With `shaderCache`
// the renderer keeps its compiled shaders in that folder, as it does by default on a user's machine;
// without it every run compiles them afresh.
double timedRun(const Build& build, long frames, std::string& problem, double* peakMegabytes = nullptr,
                const std::string& shaderCache = {}) {
    testsupport::TempDir dir("gdbench");
    testsupport::ProcessRequest request;
    request.program = build.program;
    // The same camera and steps in every run, so that two builds draw the same frames.
    request.args = {"--config-dir", dir.path(), "--windowed", "--size",     "1024x768",
                    "--no-vsync",   "--seed",   "1",          "--fixed-dt", "1"};
    if (build.paced) request.args.insert(request.args.end(), {"--max-fps", "0"});
    request.args.insert(request.args.end(), {"--frames", std::to_string(frames), "/s"});
    request.cwd = dir.path();
    request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
    request.env["SDL_AUDIODRIVER"] = "dummy";
    if (shaderCache.empty()) {
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
    } else {
        request.env["MESA_SHADER_CACHE_DIR"] = shaderCache;
    }
    const auto start = std::chrono::steady_clock::now();
    const testsupport::ProcessResult result = testsupport::runProcess(request, std::chrono::seconds(300));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string log = testsupport::readTextFile(dir.file("Log.txt"));
    if (result.timedOut || log.find("Fps: ") == std::string::npos) {
        problem =
            "the screensaver did not run through (another copy running? no display?): " + result.errorOutput;
        return -1.0;
    }
    if (peakMegabytes) *peakMegabytes = result.peakKilobytes / 1024.0;
    return seconds;
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
void BM_RunModeFrames(benchmark::State& state, const Build& build) {
    const long frames = state.range(0);
    double framesSeconds = 0, peakMegabytes = 0;
    for (auto _ : state) {
        std::string problem;
        const double empty = timedRun(build, 0, problem);
        const double full = timedRun(build, frames, problem, &peakMegabytes);
        if (empty < 0 || full < 0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        framesSeconds = full - empty;
        state.SetIterationTime(framesSeconds / static_cast<double>(frames));
    }
    state.counters["fps"] = static_cast<double>(frames) / framesSeconds;
    state.counters["peak_rss_MB"] = peakMegabytes;
}

// From process start to the first frame on screen (and its shutdown, which is short).
void BM_StartToFirstFrame(benchmark::State& state, const Build& build) {
    for (auto _ : state) {
        std::string problem;
        const double seconds = timedRun(build, 1, problem);
        if (seconds < 0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
}

// The same once the shader cache holds what an earlier start compiled: every start after the first.
void BM_StartToFirstFrameWarmCache(benchmark::State& state, const Build& build) {
    testsupport::TempDir cache("gdcache");
    std::string problem;
    if (timedRun(build, 1, problem, nullptr, cache.path()) < 0) {
        state.SkipWithError(problem.c_str());
        return;
    }
    for (auto _ : state) {
        const double seconds = timedRun(build, 1, problem, nullptr, cache.path());
        if (seconds < 0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
}

// The runs of one build, after the bare loop; "before" builds alternate with this one's.
void registerBuild(const std::string& label, const Build& build) {
    benchmark::RegisterBenchmark(("BM_RunModeFrames" + label).c_str(), BM_RunModeFrames, build)
        ->Arg(300)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_StartToFirstFrame" + label).c_str(), BM_StartToFirstFrame, build)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_StartToFirstFrameWarmCache" + label).c_str(),
                                 BM_StartToFirstFrameWarmCache, build)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    registerBuild("", currentBuild());
    if (const char* before = std::getenv("GLIMMERDALE_BEFORE_EXE"); before && *before) {
        registerBuild("/before", Build{before, false});
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
