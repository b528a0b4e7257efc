// Frame rate of Run mode full screen on one 1024 x 768 monitor and on two, in the same run, on a
// private Xorg dummy server (needs root and xserver-xorg-video-dummy):
//
//   sudo build/bench/bench_monitors_fps
//
// Three layouts of the same server: the second monitor switched off (one monitor), two monitors
// with --monitors primary (the second cleared to black), two monitors with the room on both. Each
// is (time of N frames − time of 0 frames) / N without vsync or frame-rate cap, at a fixed step
// and camera order, so loading and shutdown drop out. Every figure comes twice: from the wall clock
// and from the CPU time the screensaver's process used (all its threads, the renderer's included),
// which the load of other programs on the machine disturbs far less.
//
//   times_one            a two-monitor case's frame time over its primary's picture's drawn alone
//                        on one monitor with the same camera over the same frames
//   overhead_over_shots  a two-monitor case's frame time over the sum of the frame times of its two
//                        monitors' pictures, each drawn alone so: 1.00 means the second monitor
//                        costs no more than its own picture
//
// Each figure is the median of GLIMMERDALE_BENCH_REPEATS measurements (3 unless set), the runs of a
// case interleaved so that a change in the machine's load reaches both sides of a ratio alike.
//
// On the camera paths the second monitor shows other shots than the first, and one shot can cost
// half as much again as another (the tree's needles close up against the mantel), so times_one
// measures the shots as much as the second monitor; overhead_over_shots takes them out. The still
// camera shows the whole room, the same picture on both monitors. The cameras each monitor starts
// on are worked out with the scene's own rules from this build's Models/test.BSS; over the frames
// measured no path reaches its end, so each picture stays on its camera.

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "scene/scene.h"
#include "support/dummy_x_server.h"
#include "support/process.h"

namespace {

constexpr long kFrames = 200;

std::filesystem::path buildFolder() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().parent_path();
}

std::string screensaver() {
    if (const char* path = std::getenv("GLIMMERDALE_EXE"); path && *path) return path;
    return (buildFolder() / "Glimmerdale.scr").string();
}

testsupport::DummyXServer& server() {
    static testsupport::DummyXServer x;
    static const bool started = x.start();
    (void)started;
    return x;
}

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Cost {
    double wall = 0, cpu = 0;  // seconds
};

// Wall and CPU time of a full-screen run of `frames` frames; negative when it did not run through.
Cost timedRun(const std::vector<std::string>& extra, long frames, std::string& problem) {
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
    const double cpuBefore = childCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const testsupport::ProcessResult result = testsupport::runProcess(request, std::chrono::seconds(600));
    Cost cost{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              childCpuSeconds() - cpuBefore};
    if (result.timedOut ||
        testsupport::readTextFile(dir.file("Log.txt")).find("Fps: ") == std::string::npos) {
        problem = "the screensaver did not run through: " + result.errorOutput;
        cost.wall = -1;
    }
    return cost;
}

// Time per frame of kFrames frames with these options on the layout the server has now.
Cost perFrame(const std::vector<std::string>& extra, std::string& problem) {
    const Cost empty = timedRun(extra, 0, problem);
    const Cost full = timedRun(extra, kFrames, problem);
    if (empty.wall < 0 || full.wall < 0) return {-1, -1};
    return {(full.wall - empty.wall) / double(kFrames), (full.cpu - empty.cpu) / double(kFrames)};
}

enum class Layout { OneMonitor, TwoPrimaryOnly, TwoBoth };
enum class Camera { Paths, Still };

struct Case {
    const char* name;
    Layout layout;
    Camera camera;
    int primaryCamera;  // --camera for the primary's path (−1: drawn from the bag)
};

std::vector<std::string> cameraOptions(const Case& c) {
    if (c.camera == Camera::Still)
        return {"--look-from", "-250,-250,170", "--look-at", "150,150,60", "--fov", "60"};
    if (c.primaryCamera >= 0) return {"--camera", std::to_string(c.primaryCamera)};
    return {};
}

// The camera and key each monitor of two starts on with these options (seed 1), by the scene's
// own rules; empty when the room has no cameras or the camera stands still.
std::vector<std::pair<int, int>> startingShots(const Case& c) {
    std::ifstream file(buildFolder() / "media/main/Models/test.BSS", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    SceneServices services;
    services.seeded = true;
    services.seed = 1;
    services.startCamera = c.primaryCamera;
    services.fixedView = c.camera == Camera::Still;
    services.sources.readFile = [&bytes](const char* path) {
        FileBuffer buffer;
        if (std::string(path) != "Models/test.BSS" || bytes.empty()) return buffer;
        buffer.data = static_cast<std::uint8_t*>(std::malloc(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), buffer.data);
        buffer.size = std::uint32_t(bytes.size());
        return buffer;
    };
    Scene scene;
    loadSceneFile(scene, services);
    if (scene.cameras.empty() || services.fixedView) return {};
    View primary, other;
    startView(scene, primary, 0, 2, {});
    startView(scene, other, 1, 2, {primary.currentCamera});
    return {{primary.currentCamera, primary.cameraKey}, {other.currentCamera, other.cameraKey}};
}

// The options of each monitor's picture drawn alone on one monitor: the primary's first.
std::vector<std::vector<std::string>> shotsAlone(const Case& c) {
    const std::vector<std::pair<int, int>> starts = startingShots(c);
    if (starts.empty()) return {cameraOptions(c), cameraOptions(c)};
    std::vector<std::vector<std::string>> shots;
    for (const auto& [camera, key] : starts)
        shots.push_back({"--camera", std::to_string(camera), "--camera-key", std::to_string(key)});
    return shots;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

int repeats() {
    const char* text = std::getenv("GLIMMERDALE_BENCH_REPEATS");
    const int n = text ? std::atoi(text) : 3;
    return n > 0 ? n : 1;
}

void BM_FullScreenFrames(benchmark::State& state, Case c) {
    testsupport::DummyXServer& x = server();
    if (x.display().empty()) {
        state.SkipWithError("no Xorg dummy server (needs root and xserver-xorg-video-dummy)");
        return;
    }
    std::vector<std::string> extra = cameraOptions(c);
    if (c.layout == Layout::TwoPrimaryOnly) extra.insert(extra.end(), {"--monitors", "primary"});
    const std::vector<std::vector<std::string>> shots = shotsAlone(c);
    const bool differentShots = shots[0] != shots[1];
    std::vector<double> wall, cpu, timesOne, cpuTimesOne, overhead, cpuOverhead;
    int monitors = 0;  // in the case's own layout
    for (auto _ : state) {
        for (int r = 0; r < repeats(); ++r) {
            std::string problem;
            c.layout == Layout::OneMonitor ? x.unplugSecond() : x.plugSecondBack();
            monitors = x.monitorCount();
            const Cost frame = perFrame(extra, problem);
            Cost first, second;
            if (frame.wall >= 0 && c.layout != Layout::OneMonitor) {
                x.unplugSecond();
                first = perFrame(shots[0], problem);
                second = c.layout == Layout::TwoBoth && differentShots ? perFrame(shots[1], problem) : first;
            }
            if (frame.wall < 0 || first.wall < 0 || second.wall < 0) {
                state.SkipWithError(problem.c_str());
                return;
            }
            wall.push_back(frame.wall);
            cpu.push_back(frame.cpu);
            if (c.layout == Layout::OneMonitor) continue;
            timesOne.push_back(frame.wall / first.wall);
            cpuTimesOne.push_back(frame.cpu / first.cpu);
            overhead.push_back(frame.wall / (first.wall + second.wall));
            cpuOverhead.push_back(frame.cpu / (first.cpu + second.cpu));
        }
        state.SetIterationTime(median(wall));
    }
    state.counters["fps"] = 1.0 / median(wall);
    state.counters["cpu_ms"] = median(cpu) * 1000.0;
    state.counters["monitors"] = monitors;
    if (c.layout == Layout::OneMonitor) return;
    state.counters["times_one"] = median(timesOne);
    state.counters["cpu_times_one"] = median(cpuTimesOne);
    if (c.layout != Layout::TwoBoth) return;
    state.counters["overhead_over_shots"] = median(overhead);
    state.counters["cpu_overhead_over_shots"] = median(cpuOverhead);
}

const bool registered = [] {
    const Case cases[] = {{"one_monitor", Layout::OneMonitor, Camera::Paths, -1},
                          {"two_monitors_room_on_primary", Layout::TwoPrimaryOnly, Camera::Paths, -1},
                          {"two_monitors_room_on_both", Layout::TwoBoth, Camera::Paths, -1},
                          {"two_monitors_room_on_both_camera_1", Layout::TwoBoth, Camera::Paths, 1},
                          {"two_monitors_room_on_both_camera_3", Layout::TwoBoth, Camera::Paths, 3},
                          {"still_one_monitor", Layout::OneMonitor, Camera::Still, -1},
                          {"still_two_monitors", Layout::TwoBoth, Camera::Still, -1}};
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark((std::string("BM_FullScreenFrames/") + c.name).c_str(),
                                     BM_FullScreenFrames, c)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
