#pragma once
// Run mode's frame loop over a run session: one event per pass, a frame on every pass that finds the
// queue empty, and a wait after it when the swap does not pace the loop to the frame-rate cap.
//
//   FrameView      what a frame draws in 3-D: the room, or the model viewer's one model
//   runFrameLoop   the loop, until the run mode leaves Run or the quit request arrives
//   renderFrame    one frame: timing, fades, mouse test, capture, 3-D passes, overlay pass, the
//                  other monitors, swap; freed heap pages go back to the system when a cut's
//                  cross-fade ends
//   pollInput      the left mouse button ends the screensaver

#include "app/run_session.h"
#include "platform/cursor.h"

class FrameView {
public:
    virtual ~FrameView() = default;
    // Into the capture square, just before a camera cut: the picture the cross-fade starts from.
    // `dt` is the frame step of the frame being drawn.
    virtual void drawCapturePass(RunSession& session, float dt) = 0;
    // The frame's 3-D picture, advanced by the frame step `dt`, and each other monitor's view
    // stepped; may set session.frame.captureRequested (and a monitor's) for the next frame.
    virtual void drawScene(RunSession& session, float dt) = 0;
    // Drawn after the particles (the glass of the windows).
    virtual void drawGlassPass(RunSession& session, float dt) = 0;

    // The monitors beside the primary. A view that does not draw them leaves them black.
    virtual bool drawsOtherMonitors() const { return false; }
    // Into that monitor's capture square: the picture its cut cross-fades from.
    virtual void drawOtherCapturePass(RunSession& /*session*/, MonitorView& /*monitor*/,
                                      bool /*withParticles*/) {}
    // That monitor's 3-D picture of this frame, nothing moving.
    virtual void drawOtherView(RunSession& /*session*/, MonitorView& /*monitor*/) {}
};

// A movement of more than 30 pixels on either axis between two frames.
bool cursorJumped(const platform::CursorPosition& previous, const platform::CursorPosition& now);

// Runs while the run mode is Run: each pass takes one event (a key or close request makes the mode
// Quit; the quit request ends the loop at once) or, with the queue empty, updates the countdown,
// draws a frame and polls the left button. While no display shows the screensaver (visibility.h) a
// pass waits for an event instead and draws nothing, the music paused ("Paused: " and the reason in
// the log), and a click or a mouse jump still ends the run; when one shows it again the music goes
// on from where it was and the frame timer measures from then, so the pause never becomes a step of
// the animation ("Resumed: " and the reason). A sound device that would not open after a resume is
// tried again every kMusicDeviceRetryMilliseconds. --frames ends the loop after that many frames. A
// run ended before its last frame keeps what is on screen as its screenshot.
void runFrameLoop(RunSession& session, FrameView& view);

// Draws one frame and presents it.
void renderFrame(RunSession& session, FrameView& view);

// Once per frame after renderFrame: a left button press makes the run mode Quit.
void pollInput(RunSession& session);

// With --soak-report, once per frame: keeps the most particle quads drawn, and every
// kSoakReportFrames frames logs "Soak: frame N, resident K kB, settled S kB, heap in use U kB of H kB,
// particles P, most particles M, GL errors: none" (or the error codes read). K is the resident memory
// as the frame left it; S, U and H are read after the renderer has let go of its recent frames'
// working memory and freed heap pages went back to the system, so they do not depend on the view. A
// heap in use that grows is live memory; resident memory that grows while the heap does not is memory
// mapped outside the heap.
constexpr long kSoakReportFrames = 1000;
void reportSoak(RunSession& session);

// Once per frame after the swap: sleeps as long as the frame pacer asks, to within about a millisecond.
void waitForNextFrame(RunSession& session);

// Writes the screenshot if this is the picture the options asked for (called before a swap).
// `framesAfterThis` is the number of frames drawn once this picture is on screen.
void keepScreenshotIfLast(RunSession& session, long framesAfterThis);
