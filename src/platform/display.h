#pragma once
// Display modes: what the screen runs at, and the size the screensaver asks for.

namespace platform {

struct DisplayMode {
    int width = 0;        // pixels
    int height = 0;       // pixels
    int refreshRate = 0;  // Hz; 0 when the system does not say
};

}  // namespace platform
