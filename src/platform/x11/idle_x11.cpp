#include "platform/x11/idle_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace platform::x11 {
namespace {

constexpr unsigned kPollMilliseconds = 500;

class X11Idle final : public posix::IdleSignal {
public:
    X11Idle(Display* display, unsigned milliseconds, Report report)
        : display_(display),
          milliseconds_(milliseconds),
          report_(std::move(report)),
          info_(XScreenSaverAllocInfo()) {}
    ~X11Idle() override {
        if (info_) XFree(info_);
        XCloseDisplay(display_);
    }

    int fd() const override { return ConnectionNumber(display_); }
    unsigned pollMilliseconds() const override { return kPollMilliseconds; }

    bool update() override {
        // Events nobody asked for are dropped; a broken connection ends the X session and us with it.
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
        }
        if (!info_ || !XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_)) return true;
        const bool idleNow = info_->idle >= milliseconds_;
        if (idleNow != idle_) {
            idle_ = idleNow;
            report_(idleNow ? DesktopEvent::Idle : DesktopEvent::Active);
        }
        return true;
    }

    // A program that suspends the server's screen saver (a video player) holds off idle.
    bool inhibited() override { return info_ && info_->state == ScreenSaverDisabled; }

private:
    Display* display_;
    unsigned long milliseconds_;
    Report report_;
    XScreenSaverInfo* info_;
    bool idle_ = false;
};

}  // namespace

std::unique_ptr<posix::IdleSignal> openX11Idle(unsigned milliseconds, posix::IdleSignal::Report report,
                                               std::string& why) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        why = "no X display";
        return nullptr;
    }
    int eventBase = 0, errorBase = 0;
    if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        why = "the X server lacks the MIT-SCREEN-SAVER extension";
        return nullptr;
    }
    return std::make_unique<X11Idle>(display, milliseconds, std::move(report));
}

}  // namespace platform::x11
