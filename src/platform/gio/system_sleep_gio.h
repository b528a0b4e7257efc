#pragma once
// Whether the system is about to sleep, from logind's PrepareForSleep signal on the system bus (true
// before the system sleeps, false once it woke). Where there is no system bus, nothing is ever noted.
//
//   SystemSleepWatch   start, poll into PowerEvents, stop

#include "platform/power_events.h"

struct _GDBusConnection;
struct _GMainContext;

namespace platform::gio {

class SystemSleepWatch {
public:
    SystemSleepWatch() = default;
    ~SystemSleepWatch() { stop(); }
    SystemSleepWatch(const SystemSleepWatch&) = delete;
    SystemSleepWatch& operator=(const SystemSleepWatch&) = delete;

    // Connects to the system bus ($DBUS_SYSTEM_BUS_ADDRESS, else the system's socket) and listens for
    // the signal. False when there is no bus; poll then notes nothing.
    bool start();
    // Notes the signals that came since the last call in `events`. Never waits.
    void poll(PowerEvents& events);
    void stop();

    // Called with each signal's value while poll runs.
    void signalled(bool sleeping);

private:
    _GDBusConnection* bus_ = nullptr;
    _GMainContext* context_ = nullptr;  // the signals are dispatched here, by poll only
    unsigned subscription_ = 0;
    PowerEvents* receiver_ = nullptr;  // set while poll runs
};

}  // namespace platform::gio
