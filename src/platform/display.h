#pragma once
// Display modes: what the screen runs at, and the size the screensaver asks for.
//
//   DisplayMode        a mode's size and refresh rate
//   needsModeSwitch    the rule every window backend follows before it switches the display

namespace platform {

struct DisplayMode {
    int width = 0;        // pixels
    int height = 0;       // pixels
    int refreshRate = 0;  // Hz; 0 when the system does not say
};

// False when `wanted` has the size the display runs at now (`current`): the desktop's own size
// needs no switch. Backends then cover the display at the mode it has, since a switch would make the
// system put its own mode back whenever a monitor is plugged in or out while the screensaver runs
// (and Wine then brings back a monitor just unplugged).
bool needsModeSwitch(const DisplayMode& current, const DisplayMode& wanted);

}  // namespace platform
