#pragma once
// The one window Run mode draws into: its creation in the chosen display mode, the GL context and
// what the renderer learns about it, the capture texture for camera-cut cross-fades, and the
// teardown that puts the display back as it was.
//
//   createGLWindow      display mode, cursor, window
//   initGL              context, perspective, capture texture, capabilities in the log, gamma
//   handleWindowEvent   what an event from the queue does to the run mode
//   followClientSize    viewport and capture square after the window changed size
//   shutdownWindow      frame-rate summary, context, display mode, cursor
//   restoreDisplayState gamma, mode and cursor back, on any way out (idempotent)

#include <GL/glew.h>

#include <string>

#include "display/gamma.h"
#include "platform/window.h"

using ErrorReporter = void (*)(const std::string& text);

struct GLWindow {
    platform::VideoBackend* backend = nullptr;  // not owned; the system backend unless a test sets one
    ErrorReporter showError = nullptr;          // message box "Error"; the platform's unless a test sets one

    bool windowCreated = false;
    bool contextCreated = false;
    int width = 0, height = 0, colorBits = 32;  // from the resolution table (or --size)
    bool fullscreen = true;                     // display mode changed and cursor hidden
    bool everyMonitor = true;                   // full screen: the other monitors covered too
    bool vsync = true;
    bool swapPaces = false;  // vsync asked for and accepted by the driver (set by initGL)

    // The last picture before a camera cut, for the cross-fade into the next camera: a square at the
    // lower-left corner of the frame, as large a power of two as the window height holds.
    GLuint captureTexture = 0;
    int captureSize = 0;  // side in pixels: 256, 512 or 1024

    int maxTextureUnits = 0;
    bool vboAvailable = false;
    bool occlusionQueryAvailable = false;
    int occlusionCounterBits = 0;

    // The display state to put back.
    DisplayGamma gamma;
    bool displayModeChanged = false;
    bool cursorHidden = false;
};

// The backend a window uses (its own, else the system's) and its error reporter.
platform::VideoBackend& backendOf(GLWindow& window);
void reportError(GLWindow& window, const std::string& text);

// Changes the display mode (full-screen windows), hides the cursor and opens the window at
// width x height. Returns false when no window could be opened; the display mode and cursor are
// then already put back. The window's size, colour bits, fullscreen and vsync fields must be set.
bool createGLWindow(GLWindow& window, const std::string& title, int width, int height);

// Switches the display to the window's size. "Could Not Enum Display Settings" when the current mode
// cannot be read (nothing changes); "Display Mode Not Compatible" and a quit request when the
// display refuses the size. Creation goes on either way.
void changeDisplayMode(GLWindow& window);

// Makes the GL context with the window's pixel format: "ChoosePixelFormat failed" or
// "SetPixelFormat failed" and false when it cannot be had (the caller posts the quit request).
bool setupPixelFormat(GLWindow& window);

// Viewport (0, 0, width, height) and a 45-degree perspective, near 1, far 3000; model-view identity.
// A height of 0 counts as 1.
void setPerspective(int width, int height);

// 1024 for a height of at least 1024, 512 from 512, else 256.
int captureSizeForHeight(int height);

// The context, the black first picture, the capture texture, GLEW, the GL baseline every pass starts
// from (gl/gl_state.h) and the capability lines in the log, then the gamma: the current ramp is kept
// and a ramp for 4.0 - gammaOption is set.
void initGL(GLWindow& window, float gammaOption);

// What an event does: a close request or a key (not space, not a system key) makes the run mode
// Quit. Returns true when the event is the quit request that ends the frame loop at once.
bool handleWindowEvent(platform::WindowEvent event);

// Takes the window's new drawable size from the backend: viewport and perspective, and a capture
// texture sized for the new height. Nothing when the size is unchanged or not above 0.
void followClientSize(GLWindow& window);

// Logs "Max fps: ", "Min fps: " and "Fps: " (their mean) with the frame loop's extremes, deletes
// the capture texture and the context, and puts the display mode and cursor back. The window itself
// stays open until the backend's closeWindow.
void shutdownWindow(GLWindow& window, float maxFps, float minFps);

// Puts back what the screensaver changed and has not yet restored: the gamma ramp found at start,
// the display mode, the cursor. Safe to call any number of times and from an exit hook.
void restoreDisplayState(GLWindow& window);
