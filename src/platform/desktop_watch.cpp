#include "platform/desktop_watch.h"

namespace platform {

const char* idleSourceName(IdleSourceKind kind) {
    switch (kind) {
        case IdleSourceKind::ExtIdleNotifier:
            return "ext_idle_notifier_v1";
        case IdleSourceKind::KdeIdle:
            return "org_kde_kwin_idle";
        case IdleSourceKind::MutterIdleMonitor:
            return "org.gnome.Mutter.IdleMonitor";
        case IdleSourceKind::X11ScreenSaver:
            return "X11 screen-saver extension";
    }
    return "";
}

}  // namespace platform
