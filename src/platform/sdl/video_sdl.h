#pragma once
// The SDL video subsystem as the SDL backend's parts share it.

namespace platform::sdl {

// Starts SDL's video and event subsystems on first use and keeps them running until the process
// ends. Returns false (with the reason on stderr) when there is no display to run on.
//
// They are kept because closing the last connection to an X server that resets when its last client
// leaves (Xvfb, and any server started without -noreset) makes the server drop the next connection
// while it resets. SDL would then quietly take its "offscreen" driver instead of X11: the window
// never appears and GLEW finds no GLX display.
bool startVideo();

}  // namespace platform::sdl
