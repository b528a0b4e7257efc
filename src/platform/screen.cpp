#include "platform/screen.h"

namespace platform {

ScreenSize primaryScreenSize() {
    ScreenSize size{0, 0};
    if (!readPrimaryScreenSize(size) || size.width <= 0 || size.height <= 0) return ScreenSize{800, 600};
    return size;
}

}  // namespace platform
