#pragma once
// What Windows tells a window about who can see the screen, folded into window events: the console
// display state (every display off, dimmed or on) and the system going to sleep and waking.
//
//   PowerNotifications   listen / stop for a window, handle its WM_POWERBROADCAST, take the changes

#include <windows.h>

#include "platform/power_events.h"

namespace platform::win32 {

class PowerNotifications {
public:
    PowerNotifications() = default;
    ~PowerNotifications() { stop(); }
    PowerNotifications(const PowerNotifications&) = delete;
    PowerNotifications& operator=(const PowerNotifications&) = delete;

    // Registers `window` for the console display state, or for the session's display status where
    // the system does not know the first (Windows before 8). The system reports the present state
    // at once, then every change.
    void listen(HWND window);
    void stop();
    // Notes what a WM_POWERBROADCAST message says: a display state, a suspend, a resume.
    void handle(WPARAM type, LPARAM data);
    WindowEvent take() { return events_.take(); }

private:
    HPOWERNOTIFY registration_ = nullptr;
    PowerEvents events_;
};

}  // namespace platform::win32
