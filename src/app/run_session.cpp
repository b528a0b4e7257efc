#include "app/run_session.h"

#include "core/log.h"
#include "core/run_mode.h"
#include "gl/gl_state.h"
#include "media/media_pack.h"
#include "platform/host_window.h"
#include "platform/message_box.h"
#include "platform/process_memory.h"
#include "platform/signals.h"

namespace {

RunSession* g_currentSession = nullptr;

// Runs from exit() and from a second SIGINT/SIGTERM: whatever the normal shutdown has not yet put
// back comes back here.
void restoreOnAbnormalExit() {
    if (RunSession* session = currentRunSession()) restoreDisplayState(session->window);
}

}  // namespace

RunSession* currentRunSession() { return g_currentSession; }

RunSession::RunSession(const SettingsStore& settings, const LaunchOptions& options, MediaPack& media,
                       platform::VideoBackend& video, platform::AudioOutputFactory audio)
    : store_(settings),
      options_(options),
      media_(media),
      sources_{[this](const char* path) { return media_.readFile(path); },
               [this](const std::string& path) { return unsigned(textures.getTexture(path)); },
               [this](unsigned texture) { return textures.isOpaque(texture); }},
      textures([this](const char* path) { return media_.readFile(path); }, platform::showErrorMessage),
      models(pool, sources_),
      particles(sources_),
      sound(std::move(audio)) {
    window.backend = &video;
    g_currentSession = this;
}

RunSession::~RunSession() {
    if (g_currentSession == this) g_currentSession = nullptr;
}

bool RunSession::openWindow(const std::string& title) {
    const Resolution& resolution = store_.chosenResolution();
    int width = resolution.width;
    int height = resolution.height;
    if (options_.width > 0 && options_.height > 0) {
        width = options_.width;
        height = options_.height;
    }
    window.colorBits = resolution.colorBits > 0 ? resolution.colorBits : 32;
    window.vsync = !options_.noVsync;
    window.fullscreen = !options_.windowed && !options_.embedded;
    frame.roomOnEveryMonitor = !options_.roomOnPrimaryOnly;
    frame.timer.fixedStep = options_.fixedDt > 0.0 ? static_cast<float>(options_.fixedDt) : 0.0f;
    frame.frameLimit = options_.frames;
    frame.screenshotPath = options_.screenshotPath;
    frame.soakReport = options_.soakReport;
    frame.cursor = video().cursorPosition();
    frame.previousCursor = video().cursorPosition();
    frame.elapsed = 0.0f;

    platform::installExitHandlers(requestQuit, restoreOnAbnormalExit);
    if (!createGLWindow(window, title, width, height)) return false;
    // A host's window has the size it has, and so has a full-screen one: a mirror larger than the
    // primary makes it the mirror's size.
    if (options_.embedded || window.fullscreen) {
        int clientWidth = 0, clientHeight = 0;
        video().clientSize(clientWidth, clientHeight);
        if (clientWidth > 0 && clientHeight > 0) {
            window.width = clientWidth;
            window.height = clientHeight;
        }
    }
    return true;
}

void RunSession::startGraphics() {
    initGL(window, settings().gamma);
    followMonitors();
    frame.pacer.initialise(frameRateCap(options_.maxFps, video().refreshRate()), window.swapPaces);
    frame.timer.reset();
    frame.timer.scale = 50.0f;
    frame.elapsed = 0.0f;
    frame.fadeAlpha = 1.0f;
}

namespace {

// The capture texture is shared by every context; the view's queries are its context's, deleted
// while it is current, or only forgotten when `contextGone` took them along.
void releaseMonitorView(platform::VideoBackend& video, MonitorView& monitor, bool contextGone) {
    if (monitor.captureTexture) glDeleteTextures(1, &monitor.captureTexture);
    monitor.captureTexture = 0;
    if (contextGone) {
        releaseViewQueries(monitor.view, true);
    } else {
        const MonitorContext context(video, monitor);
        releaseViewQueries(monitor.view, false);
    }
    releaseView(monitor.view);
}

}  // namespace

void RunSession::followMonitors() {
    platform::VideoBackend& backend = video();
    const int count = backend.surfaceCount();
    if (count <= 0) return;
    frame.primarySurface = backend.surface(0);
    const bool several = count > 1 || !frame.otherMonitors.empty();
    if (frame.primarySurface.width > 0 && frame.primarySurface.height > 0 && several) {
        window.width = frame.primarySurface.width;
        window.height = frame.primarySurface.height;
    }
    // A monitor gone left of or above the primary moves the desktop's origin, and with it the
    // cursor's coordinates: that is no movement of the mouse.
    frame.cursor = backend.cursorPosition();
    frame.previousCursor = frame.cursor;
    const std::size_t others = std::size_t(count - 1);
    if (window.contextCreated) {
        // Their windows are gone, and their own contexts with them.
        for (std::size_t i = others; i < frame.otherMonitors.size(); ++i) {
            MonitorView& gone = frame.otherMonitors[i];
            releaseMonitorView(backend, gone, gone.surface.ownContext);
        }
    }
    frame.otherMonitors.resize(others);
    for (std::size_t i = 0; i < others; ++i) {
        MonitorView& view = frame.otherMonitors[i];
        const bool hadOwnContext = view.surface.ownContext;
        view.surfaceIndex = int(i + 1);
        view.surface = backend.surface(view.surfaceIndex);
        if (!window.contextCreated) continue;
        if (hadOwnContext || view.surface.ownContext) startMonitorContext(view, hadOwnContext);
        const int size = captureSizeForHeight(view.surface.width < view.surface.height ? view.surface.width
                                                                                       : view.surface.height);
        if (view.captureTexture && size == view.captureSize) continue;
        if (!view.captureTexture) glGenTextures(1, &view.captureTexture);
        view.captureSize = size;
        // Its contents show only after a capture; until then it darkens the fade-in as a black quad.
        glBindTexture(GL_TEXTURE_2D, view.captureTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    }
    if (!window.contextCreated || !several) return;
    const platform::Surface& primary = frame.primarySurface;
    glViewport(primary.x, primary.y, primary.width, primary.height);
    // A monitor that came back has the ramp it had before we set ours.
    if (window.gamma.changed) applyGammaExponent(window.gamma, backend, 4.0 - double(settings().gamma));
    logLine("Monitors: ", count);
}

void RunSession::startMonitorContext(MonitorView& monitor, bool oldContextGone) {
    const bool viewKept = viewStarted(scene, monitor.view);
    if (viewKept) releaseViewQueries(monitor.view, oldContextGone);
    const MonitorContext context(video(), monitor);
    applyGLBaseline();
    if (viewKept) makeViewQueries(scene, monitor.view);
}

void RunSession::startMusic() {
    bool playsMusic = settings().enableMusic;
    // One copy per monitor, one music: the first copy to take the lock plays it.
    if (playsMusic && options_.embedded && !platform::takeMusicLock()) {
        logLine("Music plays in another copy");
        playsMusic = false;
    }
    sound.startMusic(playsMusic, settings().masterVolume,
                     [this](const char* path) { return media_.readFile(path); });
}

void RunSession::releaseLoadingMemory() {
    models.releaseDrawnCorners();
    media_.releaseResidentPages();
    platform::returnFreedHeapPages();
}

void RunSession::release() {
    if (!window.windowCreated || released_) return;
    released_ = true;
    sound.stopMusic();
    logLine("Set old Gamma: ", window.gamma.savedExponent);
    // The ramp found at start comes back exactly, not its power-law approximation.
    restoreOriginalGamma(window.gamma, video());
    if (window.contextCreated) {
        for (MonitorView& view : frame.otherMonitors) releaseMonitorView(video(), view, false);
    }
    frame.otherMonitors.clear();
    releaseView(frame.primaryView);
    releaseScene(scene);
    particles.release();
    if (window.contextCreated) {
        textures.releaseTextures();
        font.release();
    }
    models.releaseAll();
    pool.releaseGL();
    shutdownWindow(window, frame.timer.maxFps, frame.timer.minFps);
    theLog().close();
    video().closeWindow();
}
