// The test GL context on Windows: a hidden window of its own class with a WGL context.

#include <windows.h>

#include <GL/glew.h>

#include "support/test_gl_context.h"

#include "gl/gl_entry_points.h"

namespace platform {
namespace {

constexpr wchar_t kClassName[] = L"GlimmerdaleTestGL";

bool registerClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_OWNDC;  // one DC for the window's life, so GetDC always gives the GL one
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    return registered;
}

}  // namespace

bool TestGLContext::create(int width, int height) { return createSharing(*this, width, height); }

bool TestGLContext::createSharing(TestGLContext& owner, int width, int height) {
    const bool sharing = &owner != this && owner.isReady();
    destroy();
    error_.clear();
    if (!registerClassOnce()) {
        error_ = "RegisterClassEx failed";
        return false;
    }
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const HWND window = CreateWindowExW(0, kClassName, L"Glimmerdale test", WS_OVERLAPPEDWINDOW, 0, 0,
                                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) {
        error_ = "CreateWindowEx failed";
        return false;
    }
    window_ = window;
    const HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 32;
    wanted.cAlphaBits = 8;
    wanted.cDepthBits = 24;
    wanted.cStencilBits = 8;
    wanted.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(dc, &wanted);
    if (format == 0 || !SetPixelFormat(dc, format, &wanted)) {
        error_ = "no pixel format for the test window";
        destroy();
        return false;
    }
    const HGLRC context = wglCreateContext(dc);
    // Sharing is set up before the new context holds any object of its own.
    if (context != nullptr && sharing && !wglShareLists(static_cast<HGLRC>(owner.context_), context)) {
        wglDeleteContext(context);
        error_ = "wglShareLists failed";
        destroy();
        return false;
    }
    if (context == nullptr || !wglMakeCurrent(dc, context)) {
        if (context != nullptr) wglDeleteContext(context);
        error_ = "wglCreateContext failed";
        destroy();
        return false;
    }
    context_ = context;
    width_ = width;
    height_ = height;

    // The entry points and extension flags as Run mode loads them.
    loadGLEntryPoints();
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    return true;
}

void TestGLContext::destroy() {
    if (context_ != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(static_cast<HGLRC>(context_));
        context_ = nullptr;
    }
    if (window_ != nullptr) {
        DestroyWindow(static_cast<HWND>(window_));
        window_ = nullptr;
    }
    width_ = height_ = 0;
}

void TestGLContext::makeCurrent() {
    if (context_ == nullptr) return;
    const HDC dc = GetDC(static_cast<HWND>(window_));
    wglMakeCurrent(dc, static_cast<HGLRC>(context_));
    ReleaseDC(static_cast<HWND>(window_), dc);
}

void TestGLContext::swapBuffers() {
    if (window_ == nullptr) return;
    const HDC dc = GetDC(static_cast<HWND>(window_));
    SwapBuffers(dc);
    ReleaseDC(static_cast<HWND>(window_), dc);
}

}  // namespace platform
