#include "support/test_gl_context.h"

#include <GL/glew.h>
#include <SDL.h>

#include "gl/gl_entry_points.h"

namespace platform {

bool TestGLContext::create(int width, int height) { return createSharing(*this, width, height); }

bool TestGLContext::createSharing(TestGLContext& owner, int width, int height) {
    const bool sharing = &owner != this && owner.isReady();
    destroy();
    error_.clear();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            error_ = std::string("SDL video: ") + SDL_GetError();
            return false;
        }
        ownsVideo_ = true;
    }

    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    if (sharing) owner.makeCurrent();
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, sharing ? 1 : 0);

    SDL_Window* window =
        SDL_CreateWindow("Glimmerdale test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        error_ = std::string("SDL window: ") + SDL_GetError();
        destroy();
        return false;
    }
    window_ = window;

    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        error_ = std::string("GL context: ") + SDL_GetError();
        destroy();
        return false;
    }
    context_ = context;
    SDL_GL_MakeCurrent(window, context);
    width_ = width;
    height_ = height;

    // The entry points and extension flags as Run mode loads them.
    loadGLEntryPoints();
    // Tests start without a GL error left behind.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    return true;
}

void TestGLContext::destroy() {
    if (context_ != nullptr) {
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window_), nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(static_cast<SDL_Window*>(window_));
        window_ = nullptr;
    }
    if (ownsVideo_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        ownsVideo_ = false;
    }
    width_ = height_ = 0;
}

void TestGLContext::makeCurrent() {
    if (context_ != nullptr)
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window_), static_cast<SDL_GLContext>(context_));
}

void TestGLContext::swapBuffers() {
    if (window_ != nullptr) SDL_GL_SwapWindow(static_cast<SDL_Window*>(window_));
}

}  // namespace platform
