#pragma once
// One idle source as the desktop watch's event loop drives it: the loop watches its connection and
// calls update() when something arrived, and every pollMilliseconds() for sources that must ask.

#include <functional>

#include "platform/desktop_watch.h"

namespace platform::posix {

class IdleSignal {
public:
    // Receives Idle, Active and SourceLost.
    using Report = std::function<void(DesktopEvent)>;

    virtual ~IdleSignal() = default;
    // The connection to watch for input; -1 for none.
    virtual int fd() const { return -1; }
    // How often to call update() without input; 0 for never.
    virtual unsigned pollMilliseconds() const { return 0; }
    // Takes in what arrived and reports it. False once the source is gone for good.
    virtual bool update() = 0;
};

}  // namespace platform::posix
