#include "app/main_loop.h"

#include <cstdio>
#include <cstdlib>

#include "app/log.h"
#include "app/main_loop_hooks.h"
#include "app/run_mode.h"
#include "gfx/bitmap_font.h"
#include "gfx/gamma.h"
#include "gfx/overlay.h"
#include "gfx/screenshot.h"
#include "media/texture_manager.h"

RunLoopState& runLoopState() {
    static RunLoopState state;
    return state;
}

bool cursorJumped(const platform::CursorPosition& previous, const platform::CursorPosition& now) {
    return std::abs(now.x - previous.x) > 30 || std::abs(now.y - previous.y) > 30;
}

void keepScreenshotIfLast(GLWindow& window, long framesAfterThis) {
    RunLoopState& state = runLoopState();
    if (state.screenshotPath.empty() || framesAfterThis != state.frameLimit) return;
    int width = 0, height = 0;
    backendOf(window).clientSize(width, height);
    state.screenshotWritten = true;
    if (!saveScreenshot(state.screenshotPath, width, height)) {
        std::fprintf(stderr, "screenshot: could not write %s\n", state.screenshotPath.c_str());
    }
}

void renderFrame(GLWindow& window) {
    RunLoopState& state = runLoopState();
    platform::VideoBackend& backend = backendOf(window);
    FrameTimer& timer = window.frameTimer;

    if (state.firstFrame) {
        state.cursor = backend.cursorPosition();
        state.previousCursor = state.cursor;
        state.firstFrame = false;
    }

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The elapsed value grows by the previous frame's step, before the tick.
    window.elapsed += timer.dt * 0.5f;
    timer.tick(window.elapsed);
    const float dt = timer.dt;
    window.captureAlpha -= dt * 0.01f;
    if (window.elapsed > 1.0f) window.fadeAlpha -= dt * 0.015f;
    if (window.fadeAlpha > 0.0f) {
        // The capture texture is RGB, so with a black colour the quad is black at the fade alpha.
        queueOverlayQuad(window, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, window.fadeAlpha,
                         window.captureTexture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (state.exitOnMouseMove) {
        state.cursor = backend.cursorPosition();
        if (cursorJumped(state.previousCursor, state.cursor)) requestQuit();
        state.previousCursor = state.cursor;
    }

    if (window.captureRequested) {
        window.captureRequested = false;
        const int size = window.captureSize;
        glViewport(0, 0, size, size);
        state.drawOpaquePass(window);
        glAlphaFunc(GL_ALWAYS, 0.0f);
        if (timer.framesPerSecond > 20.0f) runhooks::renderParticles();
        window.captureAlpha = 1.2f;
        glBindTexture(GL_TEXTURE_2D, window.captureTexture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, size, size);
        glViewport(0, 0, window.width, window.height);
        glClear(GL_DEPTH_BUFFER_BIT);
    }

    runhooks::resetSceneFlags();
    state.drawScene(window);

    runhooks::updateParticles(dt);
    glAlphaFunc(GL_ALWAYS, 1.0f);
    runhooks::renderParticles();

    runhooks::drawGlassPass(window);

    // Queued after the fade quad, so the captured frame lies over the darkened scene. At an alpha
    // of 0 or below it would blend nothing into the picture, so between cuts it is left out: on a
    // software renderer a full-screen blended quad costs as much as the rest of an empty frame.
    if (window.captureAlpha > 0.0f) {
        queueOverlayQuad(window, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, window.captureAlpha,
                         window.captureTexture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    overlayPass(window, runhooks::drawCountdownOverlay);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ++state.framesDrawn;
    keepScreenshotIfLast(window, state.framesDrawn);
    backend.swapBuffers();
}

void pollInput(GLWindow& window) {
    if (backendOf(window).leftButtonDown()) requestQuit();
}

void mainLoop(GLWindow& window) {
    RunLoopState& state = runLoopState();
    platform::VideoBackend& backend = backendOf(window);

    // The first step measures from here, not from the start of loading.
    window.frameTimer.start();

    while (currentRunMode() == RunMode::Run) {
        if (state.frameLimit >= 0 && state.framesDrawn >= state.frameLimit) {
            requestQuit();
            break;
        }
        const platform::WindowEvent event = backend.pollEvent();
        if (event != platform::WindowEvent::None) {
            if (windowProc(event)) break;
            continue;
        }
        runhooks::updateCountdown();
        renderFrame(window);
        pollInput(window);
    }

    // A run ended by the user before its frame limit keeps what is on screen now.
    if (!state.screenshotPath.empty() && !state.screenshotWritten && window.contextCreated) {
        int width = 0, height = 0;
        backend.clientSize(width, height);
        state.screenshotWritten = true;
        if (!saveScreenshot(state.screenshotPath, width, height, GL_FRONT)) {
            std::fprintf(stderr, "screenshot: could not write %s\n", state.screenshotPath.c_str());
        }
    }

    if (state.musicEnabled) runhooks::stopMusic();
    logLine("Set old Gamma: ", window.savedGammaExponent);
    // The ramp found at start comes back exactly, not its power-law approximation.
    restoreOriginalGamma(window);
    runhooks::releaseScene();
    if (window.contextCreated) {
        theTextureManager().releaseTextures();
        theBitmapFont().release();
    }
    runhooks::releaseModels();
    shutdownWindow(window);
    theLog().close();
    backend.closeWindow();
}
