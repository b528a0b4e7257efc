#pragma once
// The inhibitions the desktop's own services keep: GNOME's session manager (flag 8, "idle"), KDE's
// PolicyAgent (ChangeScreenSettings, what its org.freedesktop.ScreenSaver's Inhibit takes) and
// logind's "idle" inhibitors of the block kind. Each service is asked only when it is there.
//
//   desktopInhibitsIdle   whether any of them holds off idle now
//   desktopInhibitions    the same, by application name and reason

#include <gio/gio.h>

#include <vector>

#include "platform/desktop_watch.h"

namespace platform::gio {

// `session` and `system` may be null (no such bus).
bool desktopInhibitsIdle(GDBusConnection* session, GDBusConnection* system);
std::vector<Inhibition> desktopInhibitions(GDBusConnection* session, GDBusConnection* system);

}  // namespace platform::gio
