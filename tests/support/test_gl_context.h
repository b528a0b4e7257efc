#pragma once
// A GL context for tests and tools: a hidden window with a legacy (compatibility profile) OpenGL
// context, made current on the calling thread, with GLEW initialised. Under Xvfb with Mesa this is
// a real GL implementation, so tests can check GL state and read pixels back.
//
//   platform::TestGLContext gl;
//   ASSERT_TRUE(gl.create(256, 256)) << gl.error();
//   ... draw, glReadPixels from GL_BACK ...
//
// One context at a time per process is the intended use; it needs a display (or
// SDL_VIDEODRIVER=offscreen).

#include <string>

namespace platform {

class TestGLContext {
public:
    TestGLContext() = default;
    TestGLContext(const TestGLContext&) = delete;
    TestGLContext& operator=(const TestGLContext&) = delete;
    ~TestGLContext() { destroy(); }

    // Opens the hidden window (width x height pixels, RGBA 8-8-8-8 double-buffered, 24-bit depth,
    // 8-bit stencil), makes its context current and initialises GLEW. Returns false, with the
    // reason in error(), when no window or context could be had; everything made so far is
    // released again. A GLEW failure alone is not fatal.
    bool create(int width = 64, int height = 64);
    // The same, with a context that shares textures, display lists and buffer objects with
    // `owner`'s, as a further monitor's window has.
    bool createSharing(TestGLContext& owner, int width, int height);
    // Makes this context current on its window.
    void makeCurrent();
    // Releases the context and the window; safe to call twice.
    void destroy();

    bool isReady() const { return context_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::string& error() const { return error_; }

    // Presents the back buffer.
    void swapBuffers();

private:
    void* window_ = nullptr;   // SDL_Window* (HWND on Windows)
    void* context_ = nullptr;  // SDL_GLContext (HGLRC on Windows)
    bool ownsVideo_ = false;   // this object initialised the SDL video subsystem
    int width_ = 0;
    int height_ = 0;
    std::string error_;
};

}  // namespace platform
