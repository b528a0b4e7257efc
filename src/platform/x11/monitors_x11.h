#pragma once
// The monitors of an X display as XRandR lists them (what `xrandr --listmonitors` shows), and a
// watch that hears when they change: a monitor switched off or on, moved, or given another mode.
//
//   readMonitors   the monitors of a connection's default screen, once
//   MonitorWatch   a connection of its own that reads them and notes their changes

#include <vector>

#include "platform/monitors.h"

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// The active monitors of the default screen, in the server's order (the primary marked). A server
// without RandR 1.5 monitors (or none active) gives the whole screen as one monitor.
std::vector<MonitorRect> readMonitors(_XDisplay* display);

class MonitorWatch {
public:
    MonitorWatch() = default;
    ~MonitorWatch();
    MonitorWatch(const MonitorWatch&) = delete;
    MonitorWatch& operator=(const MonitorWatch&) = delete;

    // Connects to $DISPLAY and asks for RandR's screen, CRTC and output notifications. False when
    // there is no display or no RandR; monitors() then stays empty.
    bool open();
    // The monitors as the server lists them now.
    std::vector<MonitorRect> monitors();
    // True when a change notification arrived since the last call (all pending ones are taken).
    // Never waits.
    bool changed();
    // Drops the notifications that changes made so far (our own mode change) have caused.
    void forget();

private:
    _XDisplay* display_ = nullptr;
    int eventBase_ = 0;
};

}  // namespace platform::x11
