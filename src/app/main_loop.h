#pragma once
// Run mode's frame loop: one event per pass, a frame on every pass that finds the queue empty, no
// sleep; then the shutdown in its order.
//
//   RunLoopState   cursor positions, first-frame flag, frame count and the limits from the options
//   mainLoop       the loop and the shutdown
//   renderFrame    one frame: timing, fades, mouse test, capture, 3-D passes, overlay pass, swap
//   pollInput      the left mouse button ends the screensaver

#include <string>

#include "app/main_loop_hooks.h"
#include "gfx/gl_window.h"
#include "platform/cursor.h"

struct RunLoopState {
    bool firstFrame = true;
    platform::CursorPosition cursor;          // read this frame
    platform::CursorPosition previousCursor;  // read the frame before
    bool exitOnMouseMove = true;              // the ExitMM option
    bool musicEnabled = true;                 // the Enable music option
    long frameLimit = -1;                     // quit after this many frames (-1: no limit)
    long framesDrawn = 0;
    std::string screenshotPath;  // written from the last frame (or the loading picture)
    bool screenshotWritten = false;
    // The frame's scene steps; the scene's own unless a test draws something of its own.
    void (*drawScene)(GLWindow& window) = runhooks::drawScene;
    void (*drawOpaquePass)(GLWindow& window) = runhooks::drawOpaquePass;
};

// The process-wide state of the loop (tests may reset it with a fresh RunLoopState).
RunLoopState& runLoopState();

// A movement of more than 30 pixels on either axis between two frames.
bool cursorJumped(const platform::CursorPosition& previous, const platform::CursorPosition& now);

// Runs until the run mode leaves Run or a quit request arrives, then shuts down: music, gamma,
// scene, textures, models, window (frame-rate lines), log, and finally the window itself.
void mainLoop(GLWindow& window);

// Draws one frame and presents it.
void renderFrame(GLWindow& window);

// Once per frame after renderFrame: a left button press makes the run mode Quit.
void pollInput(GLWindow& window);

// Writes the screenshot if this is the picture the options asked for (called before a swap).
// `framesAfterThis` is the number of frames drawn once this picture is on screen.
void keepScreenshotIfLast(GLWindow& window, long framesAfterThis);
