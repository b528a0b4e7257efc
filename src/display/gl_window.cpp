#include "display/gl_window.h"

#include <GL/glu.h>

#include "core/log.h"
#include "core/run_mode.h"
#include "gl/gl_entry_points.h"
#include "gl/gl_state.h"
#include "platform/message_box.h"

platform::VideoBackend& backendOf(GLWindow& window) {
    return window.backend ? *window.backend : platform::systemVideoBackend();
}

void reportError(GLWindow& window, const std::string& text) {
    if (window.showError) {
        window.showError(text);
    } else {
        platform::showErrorMessage(text);
    }
}

void changeDisplayMode(GLWindow& window) {
    platform::VideoBackend& backend = backendOf(window);
    platform::DisplayMode mode;
    if (!backend.readCurrentDisplayMode(mode)) {
        reportError(window, "Could Not Enum Display Settings");
        return;
    }
    // Only the size changes; the refresh rate and depth stay as the display runs them.
    mode.width = window.width;
    mode.height = window.height;
    if (!backend.changeDisplayMode(mode)) {
        reportError(window, "Display Mode Not Compatible");
        backend.postQuit();
        return;
    }
    window.displayModeChanged = true;
}

bool createGLWindow(GLWindow& window, const std::string& title, int width, int height) {
    platform::VideoBackend& backend = backendOf(window);
    window.width = width;
    window.height = height;
    if (window.fullscreen) {
        changeDisplayMode(window);
        backend.showCursor(false);
        window.cursorHidden = true;
    }
    platform::WindowRequest request;
    request.title = title;
    request.width = width;
    request.height = height;
    request.fullscreen = window.fullscreen;
    request.everyMonitor = window.everyMonitor;
    request.pixelFormat.colorBits = window.colorBits;
    request.pixelFormat.depthBits = window.colorBits;
    request.pixelFormat.stencilBits = 32;
    request.pixelFormat.doubleBuffer = true;
    if (!backend.openWindow(request)) {
        // Nothing will run the normal shutdown, so the display comes back here.
        restoreDisplayState(window);
        return false;
    }
    window.windowCreated = true;
    return true;
}

bool setupPixelFormat(GLWindow& window) {
    switch (backendOf(window).createContext()) {
        case platform::ContextResult::Created:
            window.contextCreated = true;
            return true;
        case platform::ContextResult::NoPixelFormat:
            reportError(window, "ChoosePixelFormat failed");
            return false;
        case platform::ContextResult::PixelFormatRefused:
            reportError(window, "SetPixelFormat failed");
            return false;
    }
    return false;
}

void setPerspective(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 3000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

int captureSizeForHeight(int height) {
    if (height >= 1024) return 1024;
    if (height >= 512) return 512;
    return 256;
}

namespace {

std::string glText(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

void initGL(GLWindow& window, float gammaOption) {
    platform::VideoBackend& backend = backendOf(window);
    int clientWidth = 0, clientHeight = 0;
    backend.clientSize(clientWidth, clientHeight);

    if (!setupPixelFormat(window)) backend.postQuit();
    const bool intervalAccepted = backend.setSwapInterval(window.vsync ? 1 : 0);
    window.swapPaces = window.vsync && intervalAccepted;

    setPerspective(clientWidth, clientHeight);

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    backend.swapBuffers();

    window.captureSize = captureSizeForHeight(window.height);
    glGenTextures(1, &window.captureTexture);
    glBindTexture(GL_TEXTURE_2D, window.captureTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, window.captureSize, window.captureSize, 0);

    if (!loadGLEntryPoints().coreFunctions) logLine("Glew init failed!");
    // What every pass starts from; the second texture unit needs the entry points just loaded.
    applyGLBaseline();

    window.maxTextureUnits = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &window.maxTextureUnits);
    logLine("Video card: ", glText(GL_RENDERER));
    logLine("Vendor: ", glText(GL_VENDOR));
    logLine("OpenGL version : ", glText(GL_VERSION));
    logLine("Max Texture Units: ", window.maxTextureUnits);

    if (GLEW_ARB_vertex_buffer_object) {
        window.vboAvailable = true;
        logLine("VBO supported");
    } else {
        window.vboAvailable = false;
        logLine("VBO not supported!");
    }

    window.occlusionQueryAvailable = false;
    window.occlusionCounterBits = 0;
    if (GLEW_ARB_occlusion_query && glGetQueryivARB) {
        glGetQueryivARB(GL_SAMPLES_PASSED_ARB, GL_QUERY_COUNTER_BITS_ARB, &window.occlusionCounterBits);
    }
    if (window.occlusionCounterBits > 0) {
        window.occlusionQueryAvailable = true;
        logLine("ARB_Occlusion_querry supported");
        logLine("Occlussion querry bit: ", window.occlusionCounterBits);
    } else {
        logLine("ARB_Occlusion_querry not supported!");
    }

    logLine("Model manager init");

    window.gamma.savedExponent = readGammaExponent(window.gamma, backend);
    logLine("Old Gamma: ", window.gamma.savedExponent);
    const double newExponent = 4.0 - static_cast<double>(gammaOption);
    applyGammaExponent(window.gamma, backend, newExponent);
    logLine("New Gamma: ", static_cast<float>(newExponent));
}

bool handleWindowEvent(platform::WindowEvent event) {
    switch (event) {
        case platform::WindowEvent::CloseOrKey:
            requestQuit();
            return false;
        case platform::WindowEvent::QuitRequest:
            return true;
        case platform::WindowEvent::None:
        case platform::WindowEvent::Ignored:
        case platform::WindowEvent::Resized:
        case platform::WindowEvent::DisplaysOff:
        case platform::WindowEvent::DisplaysOn:
        case platform::WindowEvent::SystemSuspending:
        case platform::WindowEvent::SystemResumed:
        case platform::WindowEvent::WindowsHidden:
        case platform::WindowEvent::WindowsShown:
        case platform::WindowEvent::MonitorsChanged:
            return false;
    }
    return false;
}

void followClientSize(GLWindow& window) {
    int width = 0, height = 0;
    backendOf(window).clientSize(width, height);
    if (width <= 0 || height <= 0 || (width == window.width && height == window.height)) return;
    window.width = width;
    window.height = height;
    if (!window.contextCreated) return;
    setPerspective(width, height);
    const int size = captureSizeForHeight(height);
    if (window.captureTexture && size != window.captureSize) {
        window.captureSize = size;
        glBindTexture(GL_TEXTURE_2D, window.captureTexture);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, size, size, 0);
    }
}

void shutdownWindow(GLWindow& window, float maxFps, float minFps) {
    logLine("Max fps: ", maxFps);
    logLine("Min fps: ", minFps);
    logLine("Fps: ", (maxFps + minFps) * 0.5f);

    platform::VideoBackend& backend = backendOf(window);
    if (window.contextCreated) {
        // The capture texture is ours; it goes while its context is still current.
        if (window.captureTexture) glDeleteTextures(1, &window.captureTexture);
        window.captureTexture = 0;
        backend.destroyContext();
        window.contextCreated = false;
    }
    restoreDisplayState(window);
}

void restoreDisplayState(GLWindow& window) {
    platform::VideoBackend& backend = backendOf(window);
    restoreOriginalGamma(window.gamma, backend);
    if (window.displayModeChanged) {
        window.displayModeChanged = false;
        backend.restoreDisplayMode();
    }
    if (window.cursorHidden) {
        window.cursorHidden = false;
        backend.showCursor(true);
    }
}
