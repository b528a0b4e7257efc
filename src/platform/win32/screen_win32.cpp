#include <windows.h>

#include "platform/screen.h"

namespace platform {

bool readPrimaryScreenSize(ScreenSize& size) {
    size = ScreenSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return true;
}

}  // namespace platform
