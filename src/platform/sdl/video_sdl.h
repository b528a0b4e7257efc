#pragma once
// The SDL video subsystem as the SDL backend's parts share it.

struct SDL_Window;
struct _XDisplay;  // Xlib's Display
struct wl_display;
struct wl_surface;

namespace platform::sdl {

// Starts SDL's video and event subsystems on first use and keeps them running until the process
// ends. Returns false (with the reason on stderr) when there is no display to run on.
//
// They are kept because closing the last connection to an X server that resets when its last client
// leaves (Xvfb, and any server started without -noreset) makes the server drop the next connection
// while it resets. SDL would then quietly take its "offscreen" driver instead of X11: the window
// never appears and GLEW finds no GLX display.
bool startVideo();

// SDL's connection to the X server of `window`; null when SDL runs on another driver. (Here, not in
// the window backend: SDL's X11 headers define names such as None that clash with ours.)
_XDisplay* x11DisplayOf(SDL_Window* window);
// SDL's Wayland connection and `window`'s surface on it; false when SDL runs on another driver.
bool waylandSurfaceOf(SDL_Window* window, wl_display*& display, wl_surface*& surface);

}  // namespace platform::sdl
