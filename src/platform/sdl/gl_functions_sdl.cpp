// The GL entry points of the current context: through SDL for its own windows (it knows whether the
// context is EGL or GLX), through GLX for a context made on a framework's window.

#include <SDL.h>
#include <GL/glx.h>

#include "platform/gl_functions.h"

namespace platform {

GLFunction glFunctionAddress(const char* name) {
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GL_GetCurrentContext()) {
        return reinterpret_cast<GLFunction>(SDL_GL_GetProcAddress(name));
    }
    if (glXGetCurrentContext()) return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
    return nullptr;
}

}  // namespace platform
