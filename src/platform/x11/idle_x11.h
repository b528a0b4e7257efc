#pragma once
// The X11 screen-saver extension's idle time (the time since the last input on this display), asked
// every half second, for X11 sessions without a better idle signal.

#include <memory>
#include <string>

#include "platform/posix/idle_signal_posix.h"

namespace platform::x11 {

// Null, with the reason in `why`, when there is no X display or it lacks the extension.
std::unique_ptr<posix::IdleSignal> openX11Idle(unsigned milliseconds, posix::IdleSignal::Report report,
                                               std::string& why);

}  // namespace platform::x11
