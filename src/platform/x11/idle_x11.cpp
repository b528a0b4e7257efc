#include "platform/x11/idle_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <string>

#include "platform/posix/restore_guardian_posix.h"
#include "platform/x11/x_errors_x11.h"

namespace platform::x11 {
namespace {

// The protocol carries the timeout as a signed 16-bit count of seconds.
constexpr unsigned kLongestServerTimeout = 32767;
// For longer delays the timer fires at its longest and the rest is waited out by reading the idle
// time this often.
constexpr unsigned kLongDelayPollMilliseconds = 1000;

// The server's screen-saver settings, as XGetScreenSaver gives them and XSetScreenSaver takes them.
struct SaverSettings {
    int timeout = 0, interval = 0, preferBlanking = 0, allowExposures = 0;
};

void setSettings(Display* display, const SaverSettings& settings) {
    XSetScreenSaver(display, settings.timeout, settings.interval, settings.preferBlanking,
                    settings.allowExposures);
}

void putBackSettings(const std::string& displayName, const SaverSettings& settings) {
    if (Display* display = XOpenDisplay(displayName.c_str())) {
        setSettings(display, settings);
        XCloseDisplay(display);
    }
}

class X11Idle final : public posix::IdleSignal {
public:
    X11Idle(Display* display, int eventBase, unsigned seconds, Report report)
        : display_(display), eventBase_(eventBase), seconds_(seconds), report_(std::move(report)) {
        const Window root = DefaultRootWindow(display_);
        XGetScreenSaver(display_, &found_.timeout, &found_.interval, &found_.preferBlanking,
                        &found_.allowExposures);
        // The server keeps its settings after our end: a process killed outright (SIGKILL, a crash)
        // would leave the user's blanking at our delay, and the next launcher would take that for
        // the user's. The guardian puts them back then.
        const std::string name = DisplayString(display_);
        const SaverSettings found = found_;
        guardian_.start([name, found] { putBackSettings(name, found); });
        // No cycle: an external saver would be told to change its picture every interval.
        XSetScreenSaver(display_, int(std::min(seconds_, kLongestServerTimeout)), 0, found_.preferBlanking,
                        found_.allowExposures);
        // Another program may be the external saver already (the server refuses a second one): the
        // timer still fires, and that program shows what it shows.
        holdErrorHandlers();
        resetErrorCount();
        XSetWindowAttributes attributes{};
        XScreenSaverSetAttributes(display_, root, -1, -1, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                                  0, &attributes);
        XSync(display_, False);
        external_ = errorCount() == 0;
        releaseErrorHandlers();
        XScreenSaverSelectInput(display_, root, ScreenSaverNotifyMask);
        // A saver already on sends no notify until it goes off.
        XScreenSaverInfo info{};
        serverSaverOn_ = XScreenSaverQueryInfo(display_, root, &info) && info.state == ScreenSaverOn;
        if (serverSaverOn_ && seconds_ <= kLongestServerTimeout) setIdle(true);
        XFlush(display_);
    }
    ~X11Idle() override {
        if (external_) XScreenSaverUnsetAttributes(display_, DefaultRootWindow(display_));
        setSettings(display_, found_);
        XCloseDisplay(display_);
        guardian_.release();
    }

    int fd() const override { return ConnectionNumber(display_); }
    unsigned pollMilliseconds() const override {
        return seconds_ > kLongestServerTimeout ? kLongDelayPollMilliseconds : 0;
    }

    bool update() override {
        // Asked first: the reply may bring events along, which the loop below then takes.
        const bool longDelayOver = serverSaverOn_ && seconds_ > kLongestServerTimeout && idleTimeReached();
        // Events nobody asked for are dropped; a broken connection ends the X session and us with it.
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type != eventBase_ + ScreenSaverNotify) continue;
            const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
            if (notify.state == ScreenSaverOn) serverSaverOn_ = true;
            if (notify.state == ScreenSaverOff) {
                serverSaverOn_ = false;
                setIdle(false);
            }
        }
        if (serverSaverOn_) setIdle(seconds_ <= kLongestServerTimeout || longDelayOver);
        return true;
    }

private:
    bool idleTimeReached() {
        XScreenSaverInfo info{};
        if (!XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), &info)) return false;
        return info.idle / 1000 >= seconds_;
    }

    void setIdle(bool idle) {
        if (idle == idle_) return;
        idle_ = idle;
        report_(idle ? DesktopEvent::Idle : DesktopEvent::Active);
    }

    Display* display_;
    int eventBase_;
    unsigned seconds_;
    Report report_;
    SaverSettings found_;
    posix::RestoreGuardian guardian_;
    bool external_ = false;
    bool serverSaverOn_ = false;
    bool idle_ = false;
};

}  // namespace

std::unique_ptr<posix::IdleSignal> openX11Idle(unsigned seconds, posix::IdleSignal::Report report,
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
    return std::make_unique<X11Idle>(display, eventBase, seconds, std::move(report));
}

}  // namespace platform::x11
