#pragma once
// The size of the primary screen (the desktop's own resolution).

namespace platform {

struct ScreenSize {
    int width;
    int height;
};

// The primary display's current desktop size in pixels. Without a display (no X server), the
// fallback 800 x 600.
ScreenSize primaryScreenSize();

}  // namespace platform
