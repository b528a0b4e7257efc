#pragma once
// What one event taken from the window's queue means to the screensaver.

namespace platform {

enum class WindowEvent {
    None,         // the queue was empty
    Ignored,      // handled by default (space bar, Alt held, F10, mouse buttons and motion, focus, ...)
    CloseOrKey,   // a close request or a key press that ends the screensaver
    QuitRequest,  // the quit message: the frame loop ends at once
    Resized,      // the window took another size (a host's window); clientSize() has the new one
    // What the system says about who can see the window (see power_events.h):
    DisplaysOff,       // every display is off, dimmed or in power saving
    DisplaysOn,        // a display shows a picture again
    SystemSuspending,  // the system is about to sleep
    SystemResumed,     // the system woke up
    WindowsHidden,     // the compositor no longer shows the windows (a session lock covers them)
    WindowsShown,      // it shows them again
    // Monitors came, went, moved or took another size; the backend has covered them anew and the
    // surfaces are the new ones.
    MonitorsChanged,
};

}  // namespace platform
