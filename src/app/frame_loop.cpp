#include "app/frame_loop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/log.h"
#include "core/run_mode.h"
#include "overlay/overlay.h"
#include "platform/clock.h"
#include "platform/process_memory.h"
#include "scene/particles.h"
#include "screenshot/screenshot.h"

namespace {

void writeScreenshot(RunSession& session, GLenum buffer) {
    FrameLoopState& frame = session.frame;
    int width = 0, height = 0, x = 0, y = 0;
    session.video().clientSize(width, height);
    // In one window over several monitors, the primary's part of it.
    if (!frame.otherMonitors.empty() && frame.primarySurface.width > 0) {
        x = frame.primarySurface.x;
        y = frame.primarySurface.y;
        width = frame.primarySurface.width;
        height = frame.primarySurface.height;
    }
    frame.screenshotWritten = true;
    if (!saveScreenshot(frame.screenshotPath, width, height, buffer, x, y)) {
        std::fprintf(stderr, "screenshot: could not write %s\n", frame.screenshotPath.c_str());
    }
}

// The local date and time of this pass, and the time left that the overlay shows.
void updateCountdown(CountdownTime& time) {
    const platform::LocalTime now = platform::localTime();
    time.setDateTime(now.year, now.month, now.day, now.hour, now.minute, now.second);
    time.updateCountdown();
}

// A software renderer keeps the binning data of its last few frames until it reuses their slots, so
// its memory at any moment depends on what those frames showed (several MB between the overview and a
// close-up). A few empty flushes make it reuse every slot and let go of that data; the freed pages then
// go back to the system. What remains is what the process keeps, comparable from one report to the next.
void settleRendererMemory() {
    constexpr int kEmptyFlushes = 16;
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_SCISSOR_TEST);
    glFinish();
    for (int i = 0; i < kEmptyFlushes; ++i) {
        glClear(GL_DEPTH_BUFFER_BIT);
        glFlush();
    }
    glFinish();
    glDepthMask(depthWrites);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

// Each monitor beside the primary, after the primary's picture is presented: its part of the
// drawable only, cleared, then (with the room on every monitor) its capture when due, its view and
// its fades, presented. The primary's window and viewport are current again afterwards.
void drawOtherMonitors(RunSession& session, FrameView& view, float dt) {
    FrameLoopState& frame = session.frame;
    platform::VideoBackend& video = session.video();
    const bool room = frame.roomOnEveryMonitor && view.drawsOtherMonitors();
    for (MonitorView& monitor : frame.otherMonitors) {
        const platform::Surface& s = monitor.surface;
        video.makeSurfaceCurrent(monitor.surfaceIndex);
        // A context of its own has a clear colour of its own.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        // A part of a window shared with other monitors is fenced in; a window of its own needs no
        // fence, and a software renderer clears a whole buffer far faster than a fenced part.
        if (s.wholeDrawable) {
            glDisable(GL_SCISSOR_TEST);
        } else {
            glEnable(GL_SCISSOR_TEST);
            glScissor(s.x, s.y, s.width, s.height);
        }
        glViewport(s.x, s.y, s.width, s.height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (!room) {
            video.presentSurface(monitor.surfaceIndex);
            continue;
        }
        monitor.captureAlpha -= dt * 0.01f;
        if (monitor.captureRequested && monitor.captureTexture) {
            monitor.captureRequested = false;
            const int size = monitor.captureSize;
            glViewport(s.x, s.y, size, size);
            view.drawOtherCapturePass(session, monitor, frame.timer.framesPerSecond > 20.0f);
            monitor.captureAlpha = 1.2f;
            glBindTexture(GL_TEXTURE_2D, monitor.captureTexture);
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, s.x, s.y, size, size);
            glViewport(s.x, s.y, s.width, s.height);
            glClear(GL_DEPTH_BUFFER_BIT);
        }
        view.drawOtherView(session, monitor);
        if (frame.fadeAlpha > 0.0f) {
            queueOverlayQuad(monitor.overlay, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, frame.fadeAlpha,
                             monitor.captureTexture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        if (monitor.captureAlpha > 0.0f) {
            queueOverlayQuad(monitor.overlay, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, monitor.captureAlpha,
                             monitor.captureTexture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        overlayPass(monitor.overlay);
        video.presentSurface(monitor.surfaceIndex);
    }
    glDisable(GL_SCISSOR_TEST);
    video.makeSurfaceCurrent(0);
    const platform::Surface& primary = frame.primarySurface;
    glViewport(primary.x, primary.y, primary.width, primary.height);
}

}  // namespace

bool cursorJumped(const platform::CursorPosition& previous, const platform::CursorPosition& now) {
    return std::abs(now.x - previous.x) > 30 || std::abs(now.y - previous.y) > 30;
}

void keepScreenshotIfLast(RunSession& session, long framesAfterThis) {
    const FrameLoopState& frame = session.frame;
    if (frame.screenshotPath.empty() || framesAfterThis != frame.frameLimit) return;
    writeScreenshot(session, GL_BACK);
}

void renderFrame(RunSession& session, FrameView& view) {
    FrameLoopState& frame = session.frame;
    GLWindow& window = session.window;
    FrameTimer& timer = frame.timer;

    if (frame.firstFrame) {
        frame.cursor = session.video().cursorPosition();
        frame.previousCursor = frame.cursor;
        frame.firstFrame = false;
    }

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The elapsed value grows by the previous frame's step, before the tick.
    frame.elapsed += timer.dt * 0.5f;
    timer.tick(frame.elapsed);
    const float dt = timer.dt;
    const bool crossFading = frame.captureAlpha > 0.0f;
    frame.captureAlpha -= dt * 0.01f;
    if (frame.elapsed > 1.0f) frame.fadeAlpha -= dt * 0.015f;
    if (frame.fadeAlpha > 0.0f) {
        // The capture texture is RGB, so with a black colour the quad is black at the fade alpha.
        queueOverlayQuad(frame.overlay, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, frame.fadeAlpha,
                         window.captureTexture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (frame.exitOnMouseMove) {
        frame.cursor = session.video().cursorPosition();
        if (cursorJumped(frame.previousCursor, frame.cursor)) requestQuit();
        frame.previousCursor = frame.cursor;
    }

    if (frame.captureRequested) {
        frame.captureRequested = false;
        // The primary's part of the drawable starts at (0, 0) but in one window over several monitors.
        const platform::Surface& primary = frame.primarySurface;
        const int size = window.captureSize;
        glViewport(primary.x, primary.y, size, size);
        view.drawCapturePass(session, dt);
        if (timer.framesPerSecond > 20.0f) session.particles.render();
        frame.captureAlpha = 1.2f;
        glBindTexture(GL_TEXTURE_2D, window.captureTexture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, primary.x, primary.y, size, size);
        glViewport(primary.x, primary.y, window.width, window.height);
        glClear(GL_DEPTH_BUFFER_BIT);
    }

    view.drawScene(session, dt);
    const bool otherMonitors = !frame.otherMonitors.empty();

    session.particles.update(dt);
    session.particles.render();

    view.drawGlassPass(session, dt);

    // Queued after the fade quad, so the captured frame lies over the darkened scene. At an alpha
    // of 0 or below it would blend nothing into the picture, so between cuts it is left out: on a
    // software renderer a full-screen blended quad costs as much as the rest of an empty frame.
    if (frame.captureAlpha > 0.0f) {
        queueOverlayQuad(frame.overlay, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, frame.captureAlpha,
                         window.captureTexture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    overlayPass(frame.overlay, [&session] {
        if (!session.frame.countdownShown) return;
        const Settings& settings = session.settings();
        session.countdown.drawOverlay(
            session.time, OverlayOptions{settings.showFrameRate, settings.showClock, settings.clock24Hour},
            session.frame.timer.framesPerSecond);
    });

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ++frame.framesDrawn;
    keepScreenshotIfLast(session, frame.framesDrawn);
    session.video().presentSurface(0);
    if (otherMonitors) drawOtherMonitors(session, view, dt);
    // A camera cut (the capture, the new path's first frames under the cross-fade) makes the
    // software renderer take several megabytes more for a while; with the cut over, they go back.
    if (crossFading && frame.captureAlpha <= 0.0f) platform::returnFreedHeapPages();
}

void reportSoak(RunSession& session) {
    FrameLoopState& frame = session.frame;
    const int particles = session.particles.lastVertexCount() / 4;
    if (particles > frame.mostParticles) frame.mostParticles = particles;
    // Settling makes the renderer keep more frames' slots than drawing alone does; done once on the
    // first frame, every report then finds them all in use, the first one included.
    if (frame.framesDrawn == 1) settleRendererMemory();
    if (frame.framesDrawn % kSoakReportFrames != 0) return;
    std::string errors;
    // Each error flag is cleared by reading it; a lost context keeps reporting, hence the bound.
    for (int i = 0; i < 8; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) break;
        char text[16];
        std::snprintf(text, sizeof text, " 0x%04x", unsigned(error));
        errors += text;
    }
    const long resident = platform::residentKilobytes();
    settleRendererMemory();
    platform::returnFreedHeapPages();
    const platform::HeapUse heap = platform::heapUse();
    logLine("Soak: frame ", frame.framesDrawn, ", resident ", resident, " kB, settled ",
            platform::residentKilobytes(), " kB, heap in use ", heap.inUseKilobytes, " kB of ",
            heap.heldKilobytes, " kB, particles ", particles, ", most particles ", frame.mostParticles,
            ", GL errors:", errors.empty() ? " none" : errors);
}

void waitForNextFrame(RunSession& session) {
    const double now = double(platform::performanceCounter()) / double(platform::performanceFrequency());
    platform::sleepPrecisely(session.frame.pacer.frameDone(now));
}

void pollInput(RunSession& session) {
    if (session.video().leftButtonDown()) requestQuit();
}

namespace {

const char* reasonFor(platform::WindowEvent event) {
    switch (event) {
        case platform::WindowEvent::DisplaysOff:
            return "displays off";
        case platform::WindowEvent::DisplaysOn:
            return "displays on";
        case platform::WindowEvent::SystemSuspending:
            return "system going to sleep";
        case platform::WindowEvent::SystemResumed:
            return "system awake";
        case platform::WindowEvent::WindowsHidden:
            return "windows not shown";
        case platform::WindowEvent::WindowsShown:
            return "windows shown";
        default:
            return "";
    }
}

// Seconds of music played since it started or last looped.
double musicSeconds(const SoundSystem& sound) {
    return double(sound.musicPosition()) / SoundSystem::kSampleRate;
}

// For each event the loop takes: when it changes whether the screensaver is seen, pauses the
// session (music paused; "Paused: " and the reason in the log) or resumes it (music resumed, frame
// timer and pacer measuring from now; "Resumed: " and the reason, or that the sound device would
// not open and is tried again).
void followVisibility(RunSession& session, platform::WindowEvent event) {
    FrameLoopState& frame = session.frame;
    if (!frame.visibility.apply(event)) return;
    if (!frame.visibility.seen()) {
        session.sound.pauseMusic();
        if (session.sound.musicPaused())
            logLine("Paused: ", reasonFor(event), ", music at ", musicSeconds(session.sound), " s");
        else
            logLine("Paused: ", reasonFor(event));
        return;
    }
    // Measured from now: the next step is one frame's, not the pause.
    frame.timer.resume();
    frame.pacer.initialise(frame.pacer.cap(), frame.pacer.swapPaces());
    const bool musicWasPaused = session.sound.musicPaused();
    if (!session.sound.resumeMusic()) {
        logLine("Resumed: ", reasonFor(event), ", the sound device would not open, trying again every ",
                kMusicDeviceRetryMilliseconds / 1000, " s");
        frame.musicDeviceRetry = platform::PollSchedule(kMusicDeviceRetryMilliseconds);
        frame.musicDeviceRetry.due(platform::tickCount());
        frame.musicDeviceTries = 1;
    } else if (musicWasPaused) {
        logLine("Resumed: ", reasonFor(event), ", music at ", musicSeconds(session.sound), " s");
    } else {
        logLine("Resumed: ", reasonFor(event));
    }
}

// Once per drawn frame: while the music waits for its sound device, opens it again every
// kMusicDeviceRetryMilliseconds; "Music resumed: the sound device opened at try N, ..." once it plays.
void retryMusicDevice(RunSession& session) {
    FrameLoopState& frame = session.frame;
    if (!session.sound.musicWaitingForDevice() || !frame.musicDeviceRetry.due(platform::tickCount())) return;
    ++frame.musicDeviceTries;
    if (session.sound.retryMusicDevice())
        logLine("Music resumed: the sound device opened at try ", frame.musicDeviceTries, ", music at ",
                musicSeconds(session.sound), " s");
}

// A pass that draws nothing still ends the run on a left click or, with the option on, on a mouse
// jump of more than 30 pixels since the last pass.
void pollInputWhileUnseen(RunSession& session) {
    pollInput(session);
    FrameLoopState& frame = session.frame;
    if (!frame.exitOnMouseMove) return;
    const platform::CursorPosition now = session.video().cursorPosition();
    if (cursorJumped(frame.previousCursor, now)) requestQuit();
    frame.previousCursor = now;
}

}  // namespace

void runFrameLoop(RunSession& session, FrameView& view) {
    FrameLoopState& frame = session.frame;
    platform::VideoBackend& video = session.video();

    // The first step measures from here, not from the start of loading.
    frame.timer.start();

    while (currentRunMode() == RunMode::Run) {
        if (frame.frameLimit >= 0 && frame.framesDrawn >= frame.frameLimit) {
            requestQuit();
            break;
        }
        // While no display shows the screensaver, a pass sleeps until an event comes instead of drawing.
        const bool drawing = frame.visibility.seen();
        const platform::WindowEvent event =
            drawing ? video.pollEvent() : video.waitEvent(kUnseenWaitMilliseconds);
        if (event != platform::WindowEvent::None) {
            if (event == platform::WindowEvent::Resized) followClientSize(session.window);
            if (event == platform::WindowEvent::MonitorsChanged) session.followMonitors();
            followVisibility(session, event);
            if (handleWindowEvent(event)) break;
        }
        if (!drawing) {
            pollInputWhileUnseen(session);
            continue;
        }
        if (event != platform::WindowEvent::None) continue;
        updateCountdown(session.time);
        renderFrame(session, view);
        // A repeatable run's local clock moves on by the fixed step.
        if (frame.timer.fixedStep > 0.0f)
            platform::advanceLocalTimeOverride(frame.timer.fixedStep * frame.timer.secondsPerUnit());
        pollInput(session);
        retryMusicDevice(session);
        if (frame.soakReport) reportSoak(session);
        waitForNextFrame(session);
    }

    // A run ended by the user before its frame limit keeps what is on screen now.
    if (!frame.screenshotPath.empty() && !frame.screenshotWritten && session.window.contextCreated) {
        writeScreenshot(session, GL_FRONT);
    }
}
