#include "app/run_screensaver.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/frame_loop.h"
#include "app/loading_screen.h"
#include "app/run_session.h"
#include "core/log.h"
#include "platform/clock.h"
#include "platform/host_window.h"
#include "platform/message_box.h"

void RoomView::drawCapturePass(RunSession& session, float dt) {
    ::drawCapturePass(session.scene, session.frame.primaryView, dt);
}

void RoomView::drawScene(RunSession& session, float dt) {
    Scene& scene = session.scene;
    View& primary = session.frame.primaryView;
    const bool occlusion = session.window.occlusionQueryAvailable;
    scene.clock = ClockTime{session.time.hour, session.time.minute, session.time.second};
    beginSceneFrame(scene, dt);
    // The primary follows the camera order it would follow alone: it avoids no other view's camera.
    if (stepView(scene, primary, dt, occlusion, noCameras_)) session.frame.captureRequested = true;
    const bool others = !session.frame.otherMonitors.empty() && session.frame.roomOnEveryMonitor;
    if (others) stepOtherViews(session, dt);
    drawViewPass(scene, primary, occlusion);
    // Beside other monitors the particles have always been built for the primary's camera loaded
    // anew, not for the matrix its pass leaves (the models' turns and their undoing change its last
    // bits): loaded again here, those pictures stay the same to the bit.
    if (others) loadViewCamera(primary);
}

void RoomView::drawGlassPass(RunSession& session, float /*dt*/) {
    ::drawGlassPass(session.scene, session.frame.primaryView);
}

void RoomView::stepOtherViews(RunSession& session, float dt) {
    Scene& scene = session.scene;
    std::vector<MonitorView>& monitors = session.frame.otherMonitors;
    const int monitorCount = int(monitors.size()) + 1;
    const bool occlusion = session.window.occlusionQueryAvailable;
    // What every view shows now, the primary's first: a view starting avoids them, and so does a cut
    // while it can.
    camerasInUse_.assign(1, session.frame.primaryView.currentCamera);
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        View& view = monitors[i].view;
        if (!viewStarted(scene, view)) {
            const MonitorContext context(session.video(), monitors[i]);
            startView(scene, view, int(i) + 1, monitorCount, camerasInUse_);
        }
        camerasInUse_.push_back(view.currentCamera);
    }
    // Stepped before the primary draws its room: a monitor whose queries live in a context of its
    // own makes that context current, and the switch hands the renderer whatever the primary's
    // context has drawn so far, to be finished apart from the rest of the primary's frame.
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        MonitorView& monitor = monitors[i];
        const MonitorContext context(session.video(), monitor);
        if (stepView(scene, monitor.view, dt, occlusion, camerasInUse_)) monitor.captureRequested = true;
        camerasInUse_[i + 1] = monitor.view.currentCamera;
    }
}

void RoomView::drawOtherCapturePass(RunSession& session, MonitorView& monitor, bool withParticles) {
    ::drawCapturePass(session.scene, monitor.view, 0.0f);
    if (withParticles) drawParticlesFacingLoadedCamera(session.scene);
}

void RoomView::drawOtherView(RunSession& session, MonitorView& monitor) {
    Scene& scene = session.scene;
    drawViewPass(scene, monitor.view, session.window.occlusionQueryAvailable);
    drawParticlesFacingLoadedCamera(scene);
    ::drawGlassPass(scene, monitor.view);
}

namespace {

// Where the room finds its media, models and particles, and the camera the options ask for.
SceneServices roomServices(RunSession& session) {
    const LaunchOptions& options = session.options();
    SceneServices services;
    services.sources = session.mediaSources();
    services.pool = &session.pool;
    services.models = &session.models;
    services.particles = &session.particles;
    services.showMessage = [](const std::string& caption, const std::string& text) {
        platform::showMessageBox(caption, text);
    };
    services.tickCount = [] { return platform::tickCount(); };
    services.occlusionQueries = session.window.occlusionQueryAvailable;
    services.seeded = options.seeded;
    services.seed = options.seed;
    services.startCamera = options.camera;
    services.startCameraKey = std::max(options.cameraKey, 0);
    services.fixedView = options.fixedView;
    services.lookFrom = Vec3{options.lookFrom[0], options.lookFrom[1], options.lookFrom[2]};
    services.lookAt = Vec3{options.lookAt[0], options.lookAt[1], options.lookAt[2]};
    services.fixedFieldOfView = float(options.fieldOfView);
    services.layeredDrawing = options.layeredDrawing;
    // A framework's copies (one per monitor) each start from the monitor their window is on.
    if (options.embedded) services.copyIndex = session.video().surface(0).monitor;
    return services;
}

}  // namespace

void loadRunMode(RunSession& session) {
    session.startGraphics();
    logLine("initializing font...");
    session.font.create();
    logLine("Loading data...");
    session.frame.captureRequested = false;
    session.frame.captureAlpha = 0.0f;
    showLoadingScreen(session);
    session.countdown.loadGlyphs(session.textures);
    loadSceneFile(session.scene, roomServices(session));
    startView(session.scene, session.frame.primaryView, 0, 1, {});
    // What only the loading needed goes before the pool's GL buffer adds to what is resident.
    session.releaseLoadingMemory();
    session.pool.setBufferObjectsAvailable(session.window.vboAvailable);
    session.pool.uploadPool();
    // In buffer mode the buffer now holds the vertices.
    session.pool.releaseClientCopy();
    releaseLoadingScreen(session);
    logLine("Loading models");
}

void runScreensaver(const SettingsStore& settings, const LaunchOptions& options, MediaPack& media) {
    logLine("Starting...");
    logLine("Starting init OpenGL");

    // Inside a framework's window the framework owns the display and the input.
    std::unique_ptr<platform::VideoBackend> host;
    if (options.embedded) {
        host = platform::createHostWindowBackend(options.hostWindow);
        // Never the full-screen window instead: it would take no input and so never end.
        if (!host) {
            logLine("Creating window...");
            logLine("Create Window failed!");
            return;
        }
    }
    RunSession session(settings, options, media, host ? *host : platform::systemVideoBackend());
    session.frame.exitOnMouseMove = session.settings().exitOnMouseMove && !options.embedded;
    const bool created = session.openWindow("Glimmerdale");
    logLine("Creating window...");
    if (!created) {
        logLine("Create Window failed!");
        return;
    }
    // Other tools and people's scripts read the log's lines; this one keeps the text the program has
    // always written.
    logLine("Window is create");
    session.frame.countdownShown = !options.embedded || session.video().surface(0).monitor == 0;

    loadRunMode(session);
    logLine("OpenGL initialized");

    session.startMusic();

    RoomView room;
    runFrameLoop(session, room);
    session.release();
}
