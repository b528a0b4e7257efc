#pragma once
// The pixel format asked of the window and the outcome of making a GL context on it.

namespace platform {

struct PixelFormatRequest {
    int colorBits = 32;    // 16 or 32
    int depthBits = 32;    // asked for as many as the colour bits
    int stencilBits = 32;  // more than any display gives; the nearest format that exists is taken
    bool doubleBuffer = true;
};

enum class ContextResult {
    Created,             // the context exists and is current
    NoPixelFormat,       // no pixel format near the request could be had for the window
    PixelFormatRefused,  // a format was found, but no GL context could be made with it
};

}  // namespace platform
