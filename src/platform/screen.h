#pragma once
// The size of the primary screen (the desktop's own resolution).

namespace platform {

struct ScreenSize {
    int width;
    int height;
};

// The primary display's current desktop size in pixels. Without a display (no X server), or when the
// system does not say, the fallback 800 x 600.
ScreenSize primaryScreenSize();

// --- The backend's part ---

// The primary display's desktop size as the system reports it. False without a display to ask.
bool readPrimaryScreenSize(ScreenSize& size);

}  // namespace platform
