// Windows starts its screensaver itself; there is no desktop to watch for it.

#include "platform/desktop_watch.h"

namespace platform {

std::unique_ptr<DesktopWatch> openDesktopWatch() { return nullptr; }

}  // namespace platform
