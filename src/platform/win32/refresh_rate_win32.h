#pragma once
// The refresh rate the frame pacer caps the frame rate at without vsync: the display mode's.

#include <windows.h>

namespace platform::win32 {

// Hertz of the display mode of the monitor `window` is on; 0 when the system does not say.
int refreshRateOf(HWND window);

}  // namespace platform::win32
