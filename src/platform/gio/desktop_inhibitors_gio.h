#pragma once
// The inhibitions the desktop's own services keep: GNOME's session manager (flag 8, "idle"), KDE's
// PolicyAgent (ChangeScreenSettings, what its org.freedesktop.ScreenSaver's Inhibit takes) and
// logind's "idle" inhibitors of the block kind. Each service is asked only when it is there, and
// the asking stops when the time the caller gave is spent (a service that hangs costs no more).
//
//   desktopInhibitsIdle   whether any of them holds off idle now
//   desktopInhibitions    the same, by application name and reason

#include <gio/gio.h>

#include <vector>

#include "platform/desktop_watch.h"

namespace platform::gio {

// `session` and `system` may be null (no such bus). `milliseconds`: the time all the calls together
// may take; what was not asked by then counts as holding nothing.
bool desktopInhibitsIdle(GDBusConnection* session, GDBusConnection* system, int milliseconds);
std::vector<Inhibition> desktopInhibitions(GDBusConnection* session, GDBusConnection* system,
                                           int milliseconds);

}  // namespace platform::gio
