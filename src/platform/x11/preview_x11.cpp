#include "platform/preview.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/x11/x_errors_x11.h"

// The preview talks to the X server directly rather than through SDL: it must draw into a window
// that another program owns, and an SDL window would also switch the host's screensaver off.

namespace platform {
namespace {

// Shown when there is no picture to decode.
constexpr std::uint32_t kPlainDarkBlue = 0x00102050;

// The picture as 0x00RRGGBB pixels, rows top first. False for an empty picture or one of more than
// 4096 x 4096 pixels.
bool convertPicture(const BmpPicture& decoded, std::vector<std::uint32_t>& pixels, int& width, int& height) {
    constexpr int kLargestSide = 4096;
    if (decoded.width <= 0 || decoded.height <= 0 || decoded.width > kLargestSide ||
        decoded.height > kLargestSide ||
        decoded.rgb.size() != std::size_t(decoded.width) * std::size_t(decoded.height) * 3)
        return false;
    width = decoded.width;
    height = decoded.height;
    pixels.resize(static_cast<std::size_t>(width) * height);
    // The decoded rows run bottom first.
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* rgb = &decoded.rgb[static_cast<std::size_t>(height - 1 - y) * width * 3];
        std::uint32_t* row = &pixels[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < width; ++x, rgb += 3)
            row[x] = (std::uint32_t(rgb[0]) << 16) | (std::uint32_t(rgb[1]) << 8) | rgb[2];
    }
    return true;
}

}  // namespace

struct PreviewWindow::State {
    Display* display = nullptr;
    Window window = 0;
    Window parent = 0;  // the host's window, 0 for an own window
    Atom deleteWindow = 0;
    GC gc = nullptr;
    bool gone = false;
    bool canPutImage = false;  // a 24-bit true-colour visual that takes our pixels as they are
    int windowWidth = 0, windowHeight = 0;

    std::vector<std::uint32_t> picture;
    int pictureWidth = 0, pictureHeight = 0;

    // The picture scaled to the window; rebuilt only when the window size changes.
    std::vector<std::uint32_t> scaled;
    XImage* image = nullptr;

    void releaseImage() {
        if (image) {
            image->data = nullptr;  // the pixels belong to `scaled`
            XDestroyImage(image);
            image = nullptr;
        }
    }

    bool rebuildImage() {
        if (image && image->width == windowWidth && image->height == windowHeight) return true;
        releaseImage();
        if (windowWidth <= 0 || windowHeight <= 0) return false;
        scaled.resize(static_cast<std::size_t>(windowWidth) * windowHeight);
        for (int y = 0; y < windowHeight; ++y) {
            const int sourceY = static_cast<int>(static_cast<long long>(y) * pictureHeight / windowHeight);
            for (int x = 0; x < windowWidth; ++x) {
                const int sourceX = static_cast<int>(static_cast<long long>(x) * pictureWidth / windowWidth);
                scaled[static_cast<std::size_t>(y) * windowWidth + x] =
                    picture[static_cast<std::size_t>(sourceY) * pictureWidth + sourceX];
            }
        }
        const int screen = DefaultScreen(display);
        image = XCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
                             0, reinterpret_cast<char*>(scaled.data()), windowWidth, windowHeight, 32, 0);
        if (!image) return false;
        const std::uint32_t probe = 1;
        std::uint8_t firstByte;
        std::memcpy(&firstByte, &probe, 1);
        image->byte_order = firstByte == 1 ? LSBFirst : MSBFirst;  // our pixels are in host order
        return true;
    }

    void paint() {
        if (gone || !window) return;
        if (canPutImage && !picture.empty() && rebuildImage()) {
            XPutImage(display, window, gc, image, 0, 0, 0, 0, windowWidth, windowHeight);
        } else {
            XSetForeground(display, gc,
                           canPutImage ? kPlainDarkBlue : BlackPixel(display, DefaultScreen(display)));
            XFillRectangle(display, window, gc, 0, 0, windowWidth, windowHeight);
        }
        XFlush(display);
    }
};

PreviewWindow::PreviewWindow() = default;
PreviewWindow::~PreviewWindow() { destroy(); }

bool PreviewWindow::isCreated() const { return state_ != nullptr; }
std::uint32_t PreviewWindow::windowId() const {
    return state_ && !state_->gone ? static_cast<std::uint32_t>(state_->window) : 0;
}
int PreviewWindow::pictureWidth() const { return state_ ? state_->pictureWidth : 0; }
int PreviewWindow::pictureHeight() const { return state_ ? state_->pictureHeight : 0; }

bool PreviewWindow::create(std::uint32_t parentId, const BmpPicture& picture) {
    destroy();
    auto state = std::make_unique<State>();
    if (!convertPicture(picture, state->picture, state->pictureWidth, state->pictureHeight)) {
        state->picture.clear();
        state->pictureWidth = state->pictureHeight = 0;
    }
    state->display = XOpenDisplay(nullptr);
    if (!state->display) return false;
    Display* display = state->display;
    state_ = std::move(state);  // from here destroy() cleans up whatever was made
    State& s = *state_;
    x11::holdErrorHandlers();

    const int screen = DefaultScreen(display);
    const Visual* visual = DefaultVisual(display, screen);
    s.canPutImage = (DefaultDepth(display, screen) == 24 || DefaultDepth(display, screen) == 32) &&
                    visual->red_mask == 0xff0000 && visual->green_mask == 0x00ff00 &&
                    visual->blue_mask == 0x0000ff;
    const unsigned long background = s.canPutImage ? kPlainDarkBlue : BlackPixel(display, screen);

    XSync(display, False);
    x11::resetErrorCount();
    if (parentId != 0) {
        XWindowAttributes parent;
        if (!XGetWindowAttributes(display, parentId, &parent) || x11::errorCount()) {
            destroy();
            return false;
        }
        s.parent = parentId;
        // We hear of the host's window being resized or destroyed. Each client has its own event
        // mask, so this does not disturb what the host itself listens to.
        XSelectInput(display, s.parent, StructureNotifyMask);
        s.windowWidth = parent.width;
        s.windowHeight = parent.height;
        s.window = XCreateSimpleWindow(display, s.parent, 0, 0, static_cast<unsigned>(s.windowWidth),
                                       static_cast<unsigned>(s.windowHeight), 0, background, background);
    } else {
        s.windowWidth = kOwnWidth;
        s.windowHeight = kOwnHeight;
        s.window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kOwnWidth, kOwnHeight, 0,
                                       background, background);
        if (s.window) {
            XStoreName(display, s.window, "Glimmerdale");
            XClassHint classHint;
            char name[] = "Glimmerdale";
            classHint.res_name = name;
            classHint.res_class = name;
            XSetClassHint(display, s.window, &classHint);
            XSizeHints* hints = XAllocSizeHints();
            if (hints) {
                hints->flags = PMinSize | PMaxSize;
                hints->min_width = hints->max_width = kOwnWidth;
                hints->min_height = hints->max_height = kOwnHeight;
                XSetWMNormalHints(display, s.window, hints);
                XFree(hints);
            }
            s.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
            XSetWMProtocols(display, s.window, &s.deleteWindow, 1);
        }
    }
    if (s.window) XSelectInput(display, s.window, ExposureMask | StructureNotifyMask);
    XSync(display, False);
    if (!s.window || x11::errorCount()) {
        destroy();
        return false;
    }
    s.gc = XCreateGC(display, s.window, 0, nullptr);
    return s.gc != nullptr;
}

void PreviewWindow::show() {
    if (!state_ || state_->gone) return;
    XMapRaised(state_->display, state_->window);
    state_->paint();
}

PreviewEvent PreviewWindow::poll() {
    if (!state_) return PreviewEvent::WindowGone;
    State& s = *state_;
    if (s.gone) return PreviewEvent::WindowGone;
    if (XPending(s.display) == 0) return PreviewEvent::QueueEmpty;
    XEvent event;
    XNextEvent(s.display, &event);
    switch (event.type) {
        case Expose:
            if (event.xexpose.window == s.window && event.xexpose.count == 0) s.paint();
            return PreviewEvent::Handled;
        case ConfigureNotify:
            if (event.xconfigure.window == s.parent && s.parent) {
                XResizeWindow(s.display, s.window, static_cast<unsigned>(event.xconfigure.width),
                              static_cast<unsigned>(event.xconfigure.height));
            } else if (event.xconfigure.window == s.window) {
                s.windowWidth = event.xconfigure.width;
                s.windowHeight = event.xconfigure.height;
            }
            return PreviewEvent::Handled;
        case DestroyNotify:
            if (event.xdestroywindow.window == s.window ||
                (s.parent && event.xdestroywindow.window == s.parent)) {
                s.gone = true;
                s.window = 0;  // already destroyed by the server
                return PreviewEvent::WindowGone;
            }
            return PreviewEvent::Handled;
        case ClientMessage:
            if (s.deleteWindow && static_cast<Atom>(event.xclient.data.l[0]) == s.deleteWindow)
                return PreviewEvent::CloseRequested;
            return PreviewEvent::Handled;
        default:
            return PreviewEvent::Handled;
    }
}

void PreviewWindow::destroy() {
    if (!state_) return;
    State& s = *state_;
    if (s.display) {
        s.releaseImage();
        if (s.gc) XFreeGC(s.display, s.gc);
        if (s.window && !s.gone) XDestroyWindow(s.display, s.window);
        XSync(s.display, False);
        XCloseDisplay(s.display);
        x11::releaseErrorHandlers();
    }
    state_.reset();
}

}  // namespace platform
