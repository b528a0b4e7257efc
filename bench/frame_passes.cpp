// Where a Run-mode frame's time goes: the room of this build's media drawn at 1024 x 768 from fixed
// places on the camera paths, each pass of the frame timed with glFinish before and after, so a
// software renderer's raster threads count for the pass that gave them the work. Needs a display and
// the build's media (media/main.rar and media/interface.rar next to bench/):
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_frame_passes
//
// Each benchmark is one camera place; the counters are milliseconds per frame for each pass
// (clear, scene = camera, visibility, opaque pass and occlusion queries; particles; glass; overlay;
// swap) and the frame rate those add up to. "/layered" runs draw every layer in a pass of its own,
// as earlier versions did.

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <string>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/frame_loop.h"
#include "app/launch_options.h"
#include "app/run_screensaver.h"
#include "app/run_session.h"
#include "core/run_mode.h"
#include "media/media_pack.h"
#include "settings/settings.h"
#include "support/process.h"

namespace {

std::vector<std::uint8_t> readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::filesystem::path mediaFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return self.parent_path().parent_path() / "media";
}

enum Pass { kClear, kScene, kParticles, kGlass, kOverlay, kSwap, kPassCount };
const char* const kPassNames[kPassCount] = {"clear_ms", "scene_ms",   "particles_ms",
                                            "glass_ms", "overlay_ms", "swap_ms"};

// The room's frame step by step, as renderFrame draws it, without the capture (no camera cut falls
// inside the timed frames) and without the fade, which is over before the timed frames.
// Wall time and the processor time of every thread of the process (the renderer's raster threads
// too): on a machine shared with other work the processor time says more about the cost.
class PassTimer {
public:
    void begin() {
        glFinish();
        last_ = std::chrono::steady_clock::now();
        lastCpu_ = processSeconds();
    }
    void end(Pass pass) {
        glFinish();
        const auto now = std::chrono::steady_clock::now();
        const double cpu = processSeconds();
        seconds_[pass] += std::chrono::duration<double>(now - last_).count();
        cpuSeconds_[pass] += cpu - lastCpu_;
        last_ = now;
        lastCpu_ = cpu;
    }
    double seconds(int pass) const { return seconds_[pass]; }
    double cpuSeconds(int pass) const { return cpuSeconds_[pass]; }

private:
    static double processSeconds() {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }
    std::chrono::steady_clock::time_point last_;
    double lastCpu_ = 0;
    double seconds_[kPassCount] = {};
    double cpuSeconds_[kPassCount] = {};
};

class TimedRoomView final : public FrameView {
public:
    void drawCapturePass(RunSession& session, float dt) override {
        ::drawCapturePass(session.scene, session.frame.primaryView, dt);
    }
    void drawScene(RunSession& session, float dt) override {
        View& view = session.frame.primaryView;
        const bool occlusion = session.window.occlusionQueryAvailable;
        beginSceneFrame(session.scene, dt);
        if (stepView(session.scene, view, dt, occlusion, {})) session.frame.captureRequested = true;
        drawViewPass(session.scene, view, occlusion);
    }
    void drawGlassPass(RunSession& session, float) override {
        ::drawGlassPass(session.scene, session.frame.primaryView);
    }
};

void drawTimedFrame(RunSession& session, TimedRoomView& view, PassTimer& timer) {
    const float dt = 1.0f;
    timer.begin();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    timer.end(kClear);
    view.drawScene(session, dt);
    timer.end(kScene);
    session.particles.update(dt);
    session.particles.render();
    timer.end(kParticles);
    view.drawGlassPass(session, dt);
    timer.end(kGlass);
    overlayPass(session.frame.overlay, [&session] {
        session.countdown.drawOverlay(session.time, OverlayOptions{false, true, false}, 60.0f);
    });
    timer.end(kOverlay);
    session.video().swapBuffers();
    timer.end(kSwap);
}

// Camera `camera` from key `key`: 100 frames to let the particles and the fade settle, then the
// timed frames.
void BM_FramePasses(benchmark::State& state, int camera, int key, bool layered) {
    const std::vector<std::uint8_t> mainArchive = readWhole(mediaFolder() / "main.rar");
    const std::vector<std::uint8_t> interfaceArchive = readWhole(mediaFolder() / "interface.rar");
    if (mainArchive.empty()) {
        state.SkipWithError("no media/main.rar in this build");
        return;
    }
    MediaPack media;
    media.open(MemoryArchive{mainArchive.data(), std::uint32_t(mainArchive.size())},
               MemoryArchive{interfaceArchive.data(), std::uint32_t(interfaceArchive.size())});
    testsupport::TempDir folder("gdpasses");
    SettingsStore settings(folder.path());
    settings.reset();
    LaunchOptions options;
    options.windowed = true;
    options.width = 1024;
    options.height = 768;
    options.noVsync = true;
    options.fixedDt = 1.0;
    options.seeded = true;
    options.seed = 1;
    options.camera = camera;
    options.cameraKey = key;
    options.layeredDrawing = layered;
    setRunMode(RunMode::Run);
    RunSession session(settings, options, media, platform::systemVideoBackend());
    if (!session.openWindow("bench")) {
        state.SkipWithError("no window (no display?)");
        return;
    }
    loadRunMode(session);
    session.frame.fadeAlpha = 0.0f;
    TimedRoomView view;
    PassTimer warmUp;
    for (int frame = 0; frame < 100; ++frame) drawTimedFrame(session, view, warmUp);

    PassTimer timer;
    for (auto _ : state) drawTimedFrame(session, view, timer);
    const double frames = double(state.iterations());
    double total = 0, cpuTotal = 0;
    for (int pass = 0; pass < kPassCount; ++pass) {
        state.counters[kPassNames[pass]] = timer.seconds(pass) * 1000.0 / frames;
        state.counters[std::string("cpu_") + kPassNames[pass]] = timer.cpuSeconds(pass) * 1000.0 / frames;
        total += timer.seconds(pass);
        cpuTotal += timer.cpuSeconds(pass);
    }
    state.counters["fps"] = frames / total;
    state.counters["cpu_ms"] = cpuTotal * 1000.0 / frames;
    session.release();
}

}  // namespace

// The overview (camera 0) and the mantel (camera 1) at the start and the middle of their paths.
BENCHMARK_CAPTURE(BM_FramePasses, overview_start, 0, 0, false)
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FramePasses, overview_start_layered, 0, 0, true)
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FramePasses, mantel_middle, 1, 150, false)
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FramePasses, mantel_middle_layered, 1, 150, true)
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
