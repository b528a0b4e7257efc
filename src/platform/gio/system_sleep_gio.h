#pragma once
// Whether the system is about to sleep, from logind's PrepareForSleep signal on the system bus (true
// before the system sleeps, false once it woke). Where there is no system bus, nothing is ever noted.
//
// logind waits for its "delay" inhibitors before the system sleeps (up to its InhibitDelayMaxSec):
// the watch holds one while awake, so the sleep waits until the frame loop has paused the music.
// It is let go at the first poll after the one that noted the sleep (the loop has taken the event
// and acted on it in between) and taken again once the system woke.
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

    // Connects to the system bus ($DBUS_SYSTEM_BUS_ADDRESS, else the system's socket), listens for
    // the signal and takes the delay inhibitor. False when there is no bus; poll then notes nothing.
    bool start();
    // Notes the signals that came since the last call in `events`. Never waits; the sleep may go on
    // once the loop has taken the event and polls again.
    void poll(PowerEvents& events);
    void stop();
    // Whether the delay inhibitor is held now.
    bool holdsSleepBack() const { return inhibitor_ >= 0; }

    // Called with each signal's value while poll runs.
    void signalled(bool sleeping);

private:
    void takeInhibitor();
    void releaseInhibitor();

    _GDBusConnection* bus_ = nullptr;
    _GMainContext* context_ = nullptr;  // the signals are dispatched here, by poll only
    unsigned subscription_ = 0;
    PowerEvents* receiver_ = nullptr;  // set while poll runs
    int inhibitor_ = -1;               // the file descriptor logind hands out; closed to let go
    bool releaseDue_ = false;          // a sleep was noted: let go at the next poll
};

}  // namespace platform::gio
