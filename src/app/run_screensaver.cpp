#include "app/run_screensaver.h"

#include "app/launch_options.h"
#include "app/loading_screen.h"
#include "app/log.h"
#include "app/main_loop.h"
#include "app/main_loop_hooks.h"
#include "app/run_mode.h"
#include "gfx/bitmap_font.h"
#include "gfx/gl_window.h"
#include "platform/signals.h"
#include "settings/settings.h"

namespace {

// Runs from exit() and from a second SIGINT/SIGTERM: whatever the normal shutdown has not yet put
// back comes back here.
void restoreOnAbnormalExit() { restoreDisplayState(theGLWindow()); }

}  // namespace

void loadScene(GLWindow& window) {
    initGL(window, theSettings().gamma);
    logLine("initializing font...");
    theBitmapFont().create();
    logLine("Loading data...");
    window.captureRequested = false;
    window.captureAlpha = 0.0f;
    showLoadingScreen(window);
    runhooks::loadCountdownGlyphs();
    runhooks::loadSceneFile();
    logLine("Loading models");
}

void runScreensaver() {
    logLine("Starting...");
    logLine("Starting init OpenGL");

    const LaunchOptions& options = launchOptions();
    const Settings& settings = theSettings();
    GLWindow& window = theGLWindow();
    const Resolution& resolution = theSettingsStore().chosenResolution();
    int width = resolution.width;
    int height = resolution.height;
    if (options.width > 0 && options.height > 0) {
        width = options.width;
        height = options.height;
    }
    window.colorBits = resolution.colorBits > 0 ? resolution.colorBits : 32;
    window.vsync = !options.noVsync;
    window.frameTimer.fixedStep = options.fixedDt > 0.0 ? static_cast<float>(options.fixedDt) : 0.0f;

    RunLoopState& state = runLoopState();
    state.exitOnMouseMove = settings.ExitMM;
    state.musicEnabled = settings.enableMusic;
    state.frameLimit = options.frames;
    state.screenshotPath = options.screenshotPath;
    state.cursor = backendOf(window).cursorPosition();
    state.previousCursor = backendOf(window).cursorPosition();

    window.elapsed = 0.0f;
    window.fullscreen = !options.windowed;

    platform::installExitHandlers(restoreOnAbnormalExit);
    const bool created = createGLWindow(window, "Glimmerdale", width, height);
    logLine("Creating window...");
    if (!created) {
        logLine("Create Window failed!");
        return;
    }
    logLine("Window is create");

    loadScene(window);
    logLine("OpenGL initialized");

    if (settings.enableMusic) runhooks::startMusic();

    mainLoop(window);
}
