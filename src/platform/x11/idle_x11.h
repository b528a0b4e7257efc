#pragma once
// Idle on X11 from the X server's own screen-saver timer, through the MIT-SCREEN-SAVER extension's
// notify events. The server's timer honours what programs ask of it: it never fires while a program
// holds XScreenSaverSuspend (SDL programs, players) and starts over at each XResetScreenSaver
// heartbeat (mpv), and once a suspend ends it fires after the whole delay, counted from that end.
// Polling the idle time sees none of that: a suspend leaves the idle time growing.
//
// For as long as it watches, the timer is set to the launcher's delay and this connection is the
// server's external screen saver (an input-only window of one pixel outside the screen), so the
// server blanks nothing itself; `xset s off` (the server's own blanking off) no longer matters.
// The settings found are put back when the watch ends, and by a guardian process when this one
// is killed outright.

#include <memory>
#include <string>

#include "platform/posix/idle_signal_posix.h"

namespace platform::x11 {

// Null, with the reason in `why`, when there is no X display or it lacks the extension.
std::unique_ptr<posix::IdleSignal> openX11Idle(unsigned seconds, posix::IdleSignal::Report report,
                                               std::string& why);

}  // namespace platform::x11
