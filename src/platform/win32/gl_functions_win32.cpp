// The GL entry points of the current WGL context. wglGetProcAddress knows only what lies beyond
// OpenGL 1.1 (and some drivers answer 1, 2, 3 or -1 for "no"); the 1.1 functions are opengl32.dll's.

#include <windows.h>

#include "platform/gl_functions.h"

namespace platform {

GLFunction glFunctionAddress(const char* name) {
    if (!wglGetCurrentContext()) return nullptr;
    const PROC address = wglGetProcAddress(name);
    const auto value = reinterpret_cast<INT_PTR>(address);
    if (address && value != 1 && value != 2 && value != 3 && value != -1)
        return reinterpret_cast<GLFunction>(address);
    const HMODULE opengl = GetModuleHandleA("opengl32.dll");
    return opengl ? reinterpret_cast<GLFunction>(GetProcAddress(opengl, name)) : nullptr;
}

}  // namespace platform
