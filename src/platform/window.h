#pragma once
// The screensaver's window and everything the display does for it: the full-screen display mode,
// the monitors it covers, the GL context and buffer swap, the event queue, the cursor and the gamma
// ramp.
//
// The interface is narrow so that a backend is one class: sdl/ on Linux, x11/ for a window another
// program owns (host_window.h), a recording fake for tests (it can be told to fail). Every operation
// is cheap to call when no window is open; it then reports failure or does nothing. What input means
// to the screensaver is decided here (keyPressEvent, LeftButtonLatch in window.cpp); a backend only
// says which key or button it was.

#include <string>

#include "platform/cursor.h"
#include "platform/display.h"
#include "platform/events.h"
#include "platform/gamma_ramp.h"
#include "platform/gl_context.h"
#include "platform/monitors.h"

namespace platform {

struct WindowRequest {
    std::string title;
    int width = 0;  // client size in pixels
    int height = 0;
    bool fullscreen = true;  // in the display mode last accepted by changeDisplayMode
    // Full screen only: every other monitor is covered too, each by a surface of its own.
    bool everyMonitor = true;
    PixelFormatRequest pixelFormat;
};

// A key press as the system reports it, reduced to what the screensaver tells apart.
struct KeyPress {
    enum class Key { Space, F10, Alt, Other };
    Key key = Key::Other;
    bool altHeld = false;  // an Alt key was down when it was pressed
};

// What a key press means: the space bar does not end the run, and system keys (Alt itself, any key
// with Alt held, F10) are left to the system's own handling; both are Ignored. Every other key ends
// the run (CloseOrKey).
WindowEvent keyPressEvent(const KeyPress& press);

// The left button as the frame loop tests it once a frame: down while held, and down once after a
// press that was released between two tests, so a quick click is never missed.
class LeftButtonLatch {
public:
    // A press the system reported (a button-down event).
    void notePress() { pressed_ = true; }
    // Whether the button counts as down now, given whether the system says it is held.
    bool test(bool heldNow);

private:
    bool pressed_ = false;
};

class VideoBackend {
public:
    virtual ~VideoBackend() = default;

    // --- display mode ---
    // The mode the primary display runs at now. False when it cannot be read.
    virtual bool readCurrentDisplayMode(DisplayMode& mode) = 0;
    // Switches the display to a mode of exactly this size for full-screen use (temporary, never
    // stored). False when the display has no such mode; the display is then left as it was.
    virtual bool changeDisplayMode(const DisplayMode& mode) = 0;
    // Puts back the mode the display had before changeDisplayMode. Safe to call more than once.
    virtual void restoreDisplayMode() = 0;

    // --- window ---
    // Opens the window, shows it, raises it and gives it the keyboard focus. False on failure.
    virtual bool openWindow(const WindowRequest& request) = 0;
    // Destroys the window (and a context still on it). Safe without a window.
    virtual void closeWindow() = 0;
    // The drawable size in pixels; 0 x 0 without a window. With several windows, the primary's.
    virtual void clientSize(int& width, int& height) = 0;

    // --- monitors ---
    // The parts of the picture, one per monitor covered, the primary's first: a window per monitor
    // (each surface its whole drawable) or one window over all of them (a rectangle each). A
    // windowed or borrowed window is one surface, its whole drawable; none without a window. The
    // list changes only after a MonitorsChanged event, and after it every surface with a context of
    // its own has a new one.
    virtual int surfaceCount();
    virtual Surface surface(int index);
    // Makes current the context that draws into the window holding the surface (its own, or the
    // primary's moved there); the viewport and scissor are the caller's. The primary's window is
    // current again after swapBuffers.
    virtual void makeSurfaceCurrent(int /*index*/) {}
    // Presents the surface once it is drawn. A frame draws and presents its surfaces in order, the
    // primary's first, each wholly before the next: a software renderer keeps no back buffer of a
    // window the primary's context leaves. One window over all monitors is swapped with its last
    // surface.
    virtual void presentSurface(int index) {
        if (index >= surfaceCount() - 1) swapBuffers();
    }

    // --- GL context ---
    // Makes a context on the window with the format chosen when it was opened and makes it current
    // (and one for each other monitor's window that has its own, sharing its objects).
    virtual ContextResult createContext() = 0;
    // Makes no context current and deletes the contexts, the primary's last. Safe without one.
    virtual void destroyContext() = 0;
    // 1: swaps wait for the vertical blank; 0: they do not. False when the driver refuses.
    virtual bool setSwapInterval(int interval) = 0;
    // Presents every surface, the primary's first; with several windows only the primary's swap
    // waits for the vertical blank, so a frame waits once.
    virtual void swapBuffers() = 0;
    // Refresh rate in hertz of the display the window is on; 0 when it cannot be told.
    virtual int refreshRate() { return 0; }

    // --- events ---
    // Takes at most one event off the queue without waiting.
    virtual WindowEvent pollEvent() = 0;
    // Takes one event, waiting up to `timeoutMilliseconds` for it to come (None when none came), with
    // the process asleep meanwhile: a frame loop that draws nothing must not spin. The default polls,
    // sleeps the whole time when the queue is empty, then polls again.
    virtual WindowEvent waitEvent(int timeoutMilliseconds);
    // Puts a quit request at the end of the queue, so the frame loop ends at its next event.
    virtual void postQuit() = 0;

    // --- cursor ---
    virtual void showCursor(bool visible) = 0;
    virtual CursorPosition cursorPosition() = 0;
    // True while the left button is down, and once after a left press that was released between
    // two calls (so a quick click is never missed): a LeftButtonLatch's test.
    virtual bool leftButtonDown() = 0;

    // --- gamma ---
    // False when the display has no readable ramp; the ramp is then left untouched. A display with
    // several ramps (one per monitor) reports the first, brought to 256 entries.
    virtual bool readGammaRamp(GammaRamp& ramp) = 0;
    // False when the display refuses the ramp; the display then stays as it was.
    virtual bool writeGammaRamp(const GammaRamp& ramp) = 0;
    // For backends that keep the ramps found before their first write themselves (whole, at the
    // display's own sizes): puts them back exactly and returns true. False when the backend keeps
    // none; the caller then writes back the ramp it read.
    virtual bool restoreGammaRamp() { return false; }
};

// The backend of this platform (SDL on Linux). Lives for the whole process.
VideoBackend& systemVideoBackend();

}  // namespace platform
