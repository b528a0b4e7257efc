#pragma once
// What one event taken from the window's queue means to the screensaver.

namespace platform {

enum class WindowEvent {
    None,         // the queue was empty
    Ignored,      // handled by default (space bar, Alt held, F10, mouse buttons and motion, focus, ...)
    CloseOrKey,   // a close request or a key press that ends the screensaver
    QuitRequest,  // the quit message: the frame loop ends at once
    Resized,      // the window took another size (a host's window); clientSize() has the new one
    // Monitors came, went, moved or took another size; the backend has covered them anew and the
    // surfaces are the new ones.
    MonitorsChanged,
};

}  // namespace platform
