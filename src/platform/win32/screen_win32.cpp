#include <windows.h>

#include "platform/screen.h"

namespace platform {

ScreenSize primaryScreenSize() {
    ScreenSize size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (size.width <= 0 || size.height <= 0) size = ScreenSize{800, 600};
    return size;
}

}  // namespace platform
