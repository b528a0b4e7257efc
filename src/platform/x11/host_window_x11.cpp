// The video backend over a window another program owns (XScreenSaver's saver window, a settings
// dialog's preview area, the root window), with GLX on a connection of our own.
//
// It talks to the X server directly rather than through SDL: SDL would select input on the host's
// window (taking the framework's clicks) and switch the host's screensaver off. Here only structure
// events of the host window are selected, on our own connection, which leaves the host's event
// selection as it was.

#include "platform/host_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>

#include <cstring>

#include "platform/x11/monitors_x11.h"
#include "platform/x11/x_errors_x11.h"

// Xlib's macro None (the null resource id) would hide WindowEvent::None.
#undef None
namespace {
constexpr XID kNoResource = 0;
}  // namespace

namespace platform {
namespace {

// Whether GL can draw into windows of this visual the way the renderer needs: RGBA, double
// buffered, with a depth buffer.
bool suitsRenderer(Display* display, XVisualInfo* visual) {
    int useGl = 0, rgba = 0, doubleBuffer = 0, depth = 0;
    return glXGetConfig(display, visual, GLX_USE_GL, &useGl) == 0 && useGl &&
           glXGetConfig(display, visual, GLX_RGBA, &rgba) == 0 && rgba &&
           glXGetConfig(display, visual, GLX_DOUBLEBUFFER, &doubleBuffer) == 0 && doubleBuffer &&
           glXGetConfig(display, visual, GLX_DEPTH_SIZE, &depth) == 0 && depth >= 16;
}

// The nearest visual to the request, as a pixel-format chooser would pick it: the depth and stencil
// sizes are lowered until the screen has one.
XVisualInfo* chooseVisual(Display* display, int screen, const PixelFormatRequest& format) {
    const bool sixteen = format.colorBits <= 16;
    const int depths[] = {format.depthBits, 24, 16};
    const int stencils[] = {format.stencilBits, 8, 0};
    for (int depth : depths) {
        for (int stencil : stencils) {
            int attributes[] = {
                GLX_RGBA,         GLX_DOUBLEBUFFER, GLX_RED_SIZE,    sixteen ? 5 : 8, GLX_GREEN_SIZE,
                sixteen ? 6 : 8,  GLX_BLUE_SIZE,    sixteen ? 5 : 8, GLX_DEPTH_SIZE,  depth,
                GLX_STENCIL_SIZE, stencil,          int(kNoResource)};
            if (XVisualInfo* visual = glXChooseVisual(display, screen, attributes)) return visual;
        }
    }
    return nullptr;
}

bool hasGlxExtension(Display* display, int screen, const char* name) {
    const char* extensions = glXQueryExtensionsString(display, screen);
    if (!extensions) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(extensions, name); at; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == extensions || at[-1] == ' ';
        if (startsWord && (at[length] == ' ' || at[length] == '\0')) return true;
    }
    return false;
}

class HostWindowBackend final : public VideoBackend {
public:
    explicit HostWindowBackend(std::uint32_t hostWindow) : requestedHost_(hostWindow) {}
    ~HostWindowBackend() override { closeWindow(); }

    // The display belongs to the host: its mode is neither read nor changed.
    bool readCurrentDisplayMode(DisplayMode&) override { return false; }
    bool changeDisplayMode(const DisplayMode&) override { return false; }
    void restoreDisplayMode() override {}

    bool openWindow(const WindowRequest& request) override {
        closeWindow();
        display_ = XOpenDisplay(nullptr);
        if (!display_) return false;
        x11::holdErrorHandlers();
        XSync(display_, False);
        x11::resetErrorCount();

        host_ = requestedHost_ ? Window(requestedHost_) : DefaultRootWindow(display_);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, host_, &attributes) || x11::errorCount()) {
            closeWindow();
            return false;
        }
        width_ = attributes.width;
        height_ = attributes.height;
        screen_ = XScreenNumberOfScreen(attributes.screen);
        monitor_ = monitorOfHost(attributes);
        // Our own selection on the host's window: its size changes and its end.
        XSelectInput(display_, host_, StructureNotifyMask);

        XVisualInfo wanted;
        wanted.visualid = XVisualIDFromVisual(attributes.visual);
        wanted.screen = screen_;
        int count = 0;
        XVisualInfo* hostVisual = XGetVisualInfo(display_, VisualIDMask | VisualScreenMask, &wanted, &count);
        if (hostVisual && count > 0 && suitsRenderer(display_, hostVisual)) {
            visual_ = *hostVisual;
            drawable_ = host_;
        } else if (!createChild(request.pixelFormat, attributes)) {
            if (hostVisual) XFree(hostVisual);
            closeWindow();
            return false;
        }
        if (hostVisual) XFree(hostVisual);
        XSync(display_, False);
        if (x11::errorCount()) {
            closeWindow();
            return false;
        }
        return true;
    }

    void closeWindow() override {
        if (!display_) return;
        destroyContext();
        if (!hostGone_) {
            if (child_) XDestroyWindow(display_, child_);
            XSelectInput(display_, host_, NoEventMask);
        }
        if (colormap_) XFreeColormap(display_, colormap_);
        XSync(display_, False);
        XCloseDisplay(display_);
        x11::releaseErrorHandlers();
        display_ = nullptr;
        host_ = drawable_ = child_ = 0;
        colormap_ = 0;
        hostGone_ = false;
        width_ = height_ = 0;
    }

    void clientSize(int& width, int& height) override {
        width = width_;
        height = height_;
    }

    // A framework starts one copy per monitor, each in a window on its monitor: which one it is
    // tells the copies apart.
    Surface surface(int index) override {
        Surface whole = VideoBackend::surface(index);
        whole.monitor = monitor_;
        return whole;
    }

    ContextResult createContext() override {
        if (!display_ || !drawable_) return ContextResult::NoPixelFormat;
        destroyContext();
        context_ = glXCreateContext(display_, &visual_, nullptr, True);
        if (!context_) return ContextResult::PixelFormatRefused;
        if (!glXMakeCurrent(display_, drawable_, context_)) {
            destroyContext();
            return ContextResult::PixelFormatRefused;
        }
        return ContextResult::Created;
    }

    void destroyContext() override {
        if (!context_) return;
        glXMakeCurrent(display_, kNoResource, nullptr);
        glXDestroyContext(display_, context_);
        context_ = nullptr;
    }

    bool setSwapInterval(int interval) override {
        if (!context_) return false;
        if (hasGlxExtension(display_, screen_, "GLX_EXT_swap_control")) {
            using SwapInterval = void (*)(Display*, GLXDrawable, int);
            auto set = reinterpret_cast<SwapInterval>(
                glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
            if (set) {
                set(display_, drawable_, interval);
                return true;
            }
        }
        if (hasGlxExtension(display_, screen_, "GLX_MESA_swap_control")) {
            using SwapInterval = int (*)(unsigned);
            auto set = reinterpret_cast<SwapInterval>(
                glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
            return set && set(static_cast<unsigned>(interval)) == 0;
        }
        return false;
    }

    void swapBuffers() override {
        if (context_ && !hostGone_) glXSwapBuffers(display_, drawable_);
    }

    WindowEvent pollEvent() override {
        if (quitPosted_) {
            quitPosted_ = false;
            return WindowEvent::QuitRequest;
        }
        if (!display_ || XPending(display_) == 0) return WindowEvent::None;
        XEvent event;
        XNextEvent(display_, &event);
        switch (event.type) {
            case ConfigureNotify:
                if (event.xconfigure.window != host_) return WindowEvent::Ignored;
                if (event.xconfigure.width == width_ && event.xconfigure.height == height_)
                    return WindowEvent::Ignored;
                width_ = event.xconfigure.width;
                height_ = event.xconfigure.height;
                if (child_) XResizeWindow(display_, child_, unsigned(width_), unsigned(height_));
                return WindowEvent::Resized;
            case DestroyNotify:
                if (event.xdestroywindow.window != host_) return WindowEvent::Ignored;
                hostGone_ = true;  // our child went with it
                return WindowEvent::QuitRequest;
            default:
                return WindowEvent::Ignored;
        }
    }

    void postQuit() override { quitPosted_ = true; }

    // The cursor and the buttons belong to the host.
    void showCursor(bool) override {}
    CursorPosition cursorPosition() override { return CursorPosition{}; }
    bool leftButtonDown() override { return false; }

    // So does the gamma ramp.
    bool readGammaRamp(GammaRamp&) override { return false; }
    bool writeGammaRamp(const GammaRamp&) override { return false; }

private:
    // The place (primary first) of the monitor that holds the host window's centre; 0 when none does.
    int monitorOfHost(const XWindowAttributes& attributes) {
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, host_, attributes.root, 0, 0, &x, &y, &child);
        const int index = monitorAt(primaryFirst(x11::readMonitors(display_)), x + attributes.width / 2,
                                    y + attributes.height / 2);
        return index < 0 ? 0 : index;
    }

    // A child covering the host window, for a host whose visual GL cannot draw into as needed. It
    // selects no input, so the host still gets every key and click.
    bool createChild(const PixelFormatRequest& format, const XWindowAttributes& hostAttributes) {
        XVisualInfo* chosen = chooseVisual(display_, screen_, format);
        if (!chosen) return false;
        visual_ = *chosen;
        XFree(chosen);
        colormap_ = XCreateColormap(display_, host_, visual_.visual, AllocNone);
        XSetWindowAttributes attributes{};
        attributes.colormap = colormap_;
        attributes.border_pixel = 0;
        attributes.background_pixel = 0;
        // Over the root window the child is a top-level window, which no window manager may frame.
        attributes.override_redirect = host_ == hostAttributes.root ? True : False;
        child_ = XCreateWindow(display_, host_, 0, 0, unsigned(width_), unsigned(height_), 0, visual_.depth,
                               InputOutput, visual_.visual,
                               CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect, &attributes);
        if (!child_) return false;
        XMapWindow(display_, child_);
        drawable_ = child_;
        return true;
    }

    const std::uint32_t requestedHost_;
    Display* display_ = nullptr;
    int screen_ = 0;
    Window host_ = 0;
    Window child_ = 0;
    Window drawable_ = 0;  // the host itself, or our child over it
    Colormap colormap_ = 0;
    XVisualInfo visual_{};
    GLXContext context_ = nullptr;
    int width_ = 0, height_ = 0;
    int monitor_ = 0;
    bool hostGone_ = false;
    bool quitPosted_ = false;
};

}  // namespace

std::unique_ptr<VideoBackend> createHostWindowBackend(std::uint32_t hostWindow) {
    return std::make_unique<HostWindowBackend>(hostWindow);
}

}  // namespace platform
