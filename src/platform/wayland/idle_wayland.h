#pragma once
// The Wayland idle protocols: ext_idle_notifier_v1 and org_kde_kwin_idle, over the compositor named
// by $WAYLAND_DISPLAY. The compositor withholds idle while a surface holds an idle inhibitor.

#include <memory>
#include <string>

#include "platform/posix/idle_signal_posix.h"

namespace platform::wayland {

// An idle signal after `milliseconds` without input through `kind` (ExtIdleNotifier or KdeIdle).
// Null, with the reason in `why`, when there is no Wayland display or it lacks the protocol.
std::unique_ptr<posix::IdleSignal> openWaylandIdle(IdleSourceKind kind, unsigned milliseconds,
                                                   posix::IdleSignal::Report report, std::string& why);

}  // namespace platform::wayland
