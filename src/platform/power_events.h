#pragma once
// What the system says about who can see the screen (display power, system sleep, whether the
// compositor shows the windows) as the backends
// learn it, folded into window events for the frame loop. A backend notes each report when it
// comes (a notification) or when it reads it (a state it polls), and hands out one event per change
// the loop has not been told yet: a report that changes nothing, or one undone before the loop
// looks, gives no event.
//
//   PowerEvents    noteDisplays / noteSystemSleep, then take() the changes as events
//   PollSchedule   when a state read about once a second is due again

#include <cstdint>

#include "platform/events.h"

namespace platform {

class PowerEvents {
public:
    // Every display off (or dimmed, or in a power-saving mode): false; a display showing a picture: true.
    void noteDisplays(bool on) { displaysOn_ = on; }
    // True when the system is about to sleep, false once it woke.
    void noteSystemSleep(bool sleeping) { sleeping_ = sleeping; }
    // Whether the compositor shows the windows (presents their frames).
    void noteWindowsShown(bool shown) { windowsShown_ = shown; }

    // The next change the loop has not been told: SystemSuspending or SystemResumed first, then
    // DisplaysOff or DisplaysOn, then WindowsHidden or WindowsShown; None when the loop knows the
    // state as it is.
    WindowEvent take();

private:
    bool displaysOn_ = true;
    bool sleeping_ = false;
    bool windowsShown_ = true;
    bool toldDisplaysOn_ = true;
    bool toldSleeping_ = false;
    bool toldWindowsShown_ = true;
};

// Whether a reading taken every `intervalMilliseconds` is due at `now`, a millisecond tick that
// wraps at 2^32: due on the first call, then once the interval has passed since the last due call.
class PollSchedule {
public:
    explicit PollSchedule(std::uint32_t intervalMilliseconds) : interval_(intervalMilliseconds) {}
    bool due(std::uint32_t now);

private:
    std::uint32_t interval_;
    std::uint32_t last_ = 0;
    bool started_ = false;
};

}  // namespace platform
