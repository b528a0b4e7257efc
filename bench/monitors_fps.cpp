// Frame rate of Run mode full screen on one 1024 x 768 monitor and on two, in the same run, on a
// private Xorg dummy server (needs root and xserver-xorg-video-dummy):
//
//   sudo build/bench/bench_monitors_fps
//
// Three layouts of the same server: the second monitor switched off (one monitor), two monitors
// with --monitors primary (the second cleared to black), two monitors with the room on both. Each
// is (time of N frames − time of 0 frames) / N without vsync or frame-rate cap, at a fixed step
// and camera order, so loading and shutdown drop out. Drawing the room twice should cost at most
// 2.1 times drawing it once ("times_one"): the scene, the particles and the animation move once a
// frame.
//
// On the camera paths the second monitor shows other shots than the first, and one shot can cost
// half as much again as another (the tree's needles close up against the mantel), so those
// figures measure the shots as much as the second monitor. The still camera shows the whole room,
// the same picture on both monitors: its ratio is what a second monitor costs.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "support/dummy_x_server.h"
#include "support/process.h"

namespace {

std::string screensaver() {
    if (const char* path = std::getenv("GLIMMERDALE_EXE"); path && *path) return path;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path().parent_path() / "Glimmerdale.scr").string();
}

testsupport::DummyXServer& server() {
    static testsupport::DummyXServer x;
    static const bool started = x.start();
    (void)started;
    return x;
}

// Wall time of a full-screen run of `frames` frames; negative when it did not run through.
double timedRun(const std::vector<std::string>& extra, long frames, std::string& problem) {
    testsupport::TempDir dir("gdbench");
    testsupport::ProcessRequest request;
    // Not named Glimmerdale.scr, so a copy running elsewhere on the machine does not stop it.
    request.program = dir.file("gd-bench.scr");
    std::filesystem::create_symlink(screensaver(), request.program);
    request.args = {"--config-dir", dir.path(), "--no-vsync", "--max-fps", "0",
                    "--seed",       "1",        "--fixed-dt", "1"};
    request.args.insert(request.args.end(), extra.begin(), extra.end());
    request.args.insert(request.args.end(), {"--frames", std::to_string(frames), "/s"});
    request.cwd = dir.path();
    request.env["DISPLAY"] = server().display();
    request.env["GLIMMERDALE_MESSAGE_BOX"] = "stderr";
    request.env["SDL_AUDIODRIVER"] = "dummy";
    request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
    const auto start = std::chrono::steady_clock::now();
    const testsupport::ProcessResult result = testsupport::runProcess(request, std::chrono::seconds(600));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result.timedOut ||
        testsupport::readTextFile(dir.file("Log.txt")).find("Fps: ") == std::string::npos) {
        problem = "the screensaver did not run through: " + result.errorOutput;
        return -1.0;
    }
    return seconds;
}

enum class Layout { OneMonitor, TwoPrimaryOnly, TwoBoth };
enum class Camera { Paths, Still };

// Seconds per frame on one monitor, by camera, for the two-monitor cases that follow it.
double oneMonitorSeconds[2] = {0, 0};

void BM_FullScreenFrames(benchmark::State& state, Layout layout, Camera camera) {
    testsupport::DummyXServer& x = server();
    if (x.display().empty()) {
        state.SkipWithError("no Xorg dummy server (needs root and xserver-xorg-video-dummy)");
        return;
    }
    if (layout == Layout::OneMonitor) {
        x.unplugSecond();
    } else {
        x.plugSecondBack();
    }
    std::vector<std::string> extra;
    if (layout == Layout::TwoPrimaryOnly) extra = {"--monitors", "primary"};
    if (camera == Camera::Still)
        extra.insert(extra.end(), {"--look-from", "-250,-250,170", "--look-at", "150,150,60", "--fov", "60"});
    const long frames = state.range(0);
    double seconds = 0;
    for (auto _ : state) {
        std::string problem;
        const double empty = timedRun(extra, 0, problem);
        const double full = timedRun(extra, frames, problem);
        if (empty < 0 || full < 0) {
            state.SkipWithError(problem.c_str());
            return;
        }
        seconds = full - empty;
        state.SetIterationTime(seconds / double(frames));
    }
    state.counters["fps"] = double(frames) / seconds;
    state.counters["monitors"] = x.monitorCount();
    double& one = oneMonitorSeconds[camera == Camera::Still ? 1 : 0];
    if (layout == Layout::OneMonitor) {
        one = seconds / double(frames);
    } else if (one > 0) {
        state.counters["times_one"] = seconds / double(frames) / one;
    }
}

// In this order: each two-monitor case is compared with the one-monitor case of its camera before it.
const bool registered = [] {
    const struct {
        const char* name;
        Layout layout;
        Camera camera;
    } cases[] = {{"one_monitor", Layout::OneMonitor, Camera::Paths},
                 {"two_monitors_room_on_primary", Layout::TwoPrimaryOnly, Camera::Paths},
                 {"two_monitors_room_on_both", Layout::TwoBoth, Camera::Paths},
                 {"still_one_monitor", Layout::OneMonitor, Camera::Still},
                 {"still_two_monitors", Layout::TwoBoth, Camera::Still}};
    for (const auto& c : cases) {
        benchmark::RegisterBenchmark((std::string("BM_FullScreenFrames/") + c.name).c_str(),
                                     BM_FullScreenFrames, c.layout, c.camera)
            ->Arg(200)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
