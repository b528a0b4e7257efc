#include "platform/x11/monitors_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "platform/x11/x_errors_x11.h"

namespace platform::x11 {

std::vector<MonitorRect> readMonitors(Display* display) {
    std::vector<MonitorRect> monitors;
    if (!display) return monitors;
    const Window root = DefaultRootWindow(display);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    const bool hasMonitors = XRRQueryExtension(display, &eventBase, &errorBase) &&
                             XRRQueryVersion(display, &major, &minor) &&
                             (major > 1 || (major == 1 && minor >= 5));
    if (hasMonitors) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; ++i) {
                MonitorRect monitor;
                monitor.x = info[i].x;
                monitor.y = info[i].y;
                monitor.width = info[i].width;
                monitor.height = info[i].height;
                monitor.primary = info[i].primary != 0;
                monitors.push_back(monitor);
            }
            XRRFreeMonitors(info);
        }
    }
    if (monitors.empty()) {
        const int screen = DefaultScreen(display);
        monitors.push_back(
            MonitorRect{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen), true});
    }
    return monitors;
}

MonitorWatch::~MonitorWatch() {
    if (!display_) return;
    XCloseDisplay(display_);
    releaseErrorHandlers();
}

bool MonitorWatch::open() {
    if (display_) return true;
    display_ = XOpenDisplay(nullptr);
    if (!display_) return false;
    int errorBase = 0;
    if (!XRRQueryExtension(display_, &eventBase_, &errorBase)) {
        XCloseDisplay(display_);
        display_ = nullptr;
        return false;
    }
    // A monitor unplugged between two requests gives an X error, which must not end the program.
    holdErrorHandlers();
    XRRSelectInput(display_, DefaultRootWindow(display_),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    XSync(display_, False);
    return true;
}

std::vector<MonitorRect> MonitorWatch::monitors() { return readMonitors(display_); }

bool MonitorWatch::changed() {
    if (!display_) return false;
    bool any = false;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == eventBase_ + RRScreenChangeNotify) {
            XRRUpdateConfiguration(&event);
            any = true;
        } else if (event.type == eventBase_ + RRNotify) {
            any = true;
        }
    }
    return any;
}

void MonitorWatch::forget() {
    if (!display_) return;
    XSync(display_, False);
    changed();
}

}  // namespace platform::x11
