#pragma once
// The X server's display power through its DPMS extension: whether its monitors show a picture or
// rest in one of the power-saving levels (standby, suspend, off). Read about once a second; a server
// without the extension (Xvfb, the dummy driver) reports nothing and is not asked again.
//
//   DisplayPowerWatch   start on a display connection, poll into PowerEvents
//   displaysShow        what a DPMS state means for the picture

#include <cstdint>

#include "platform/power_events.h"

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// True when the monitors show a picture: DPMS disabled, or enabled at its "on" level.
bool displaysShow(bool dpmsEnabled, int powerLevel);

class DisplayPowerWatch {
public:
    // Watches the server of `display` (not owned; it must stay open until stop). Null: nothing.
    void start(_XDisplay* display);
    void stop();
    // When a reading is due at `nowMilliseconds` (a wrapping millisecond tick), reads the state and
    // notes it in `events`. Without DPMS nothing is noted.
    void poll(std::uint32_t nowMilliseconds, PowerEvents& events);

private:
    _XDisplay* display_ = nullptr;
    PollSchedule schedule_{1000};
};

}  // namespace platform::x11
