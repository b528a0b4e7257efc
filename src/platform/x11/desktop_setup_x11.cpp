// The X server's own screen saver timeout, which blanks the screen whatever else runs.

#include <X11/Xlib.h>

#include "platform/desktop_setup.h"

namespace platform {

bool xServerBlankSeconds(unsigned& seconds) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int timeout = 0, interval = 0, preferBlanking = 0, allowExposures = 0;
    XGetScreenSaver(display, &timeout, &interval, &preferBlanking, &allowExposures);
    XCloseDisplay(display);
    seconds = timeout > 0 ? unsigned(timeout) : 0;
    return true;
}

}  // namespace platform
