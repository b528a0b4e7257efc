#pragma once
// Where the GL entry points beyond OpenGL 1.1 come from: the window system that made the current
// context. On Linux that is SDL (EGL under Wayland, GLX under X11) or GLX for a framework's window;
// on Windows it is WGL, with opengl32.dll for the 1.1 functions.

namespace platform {

using GLFunction = void (*)();

// The entry point `name` (e.g. "glGenBuffersARB") for the context current on this thread; null
// when no context is current or the implementation has no such function.
GLFunction glFunctionAddress(const char* name);

}  // namespace platform
