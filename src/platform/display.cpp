#include "platform/display.h"

namespace platform {

bool needsModeSwitch(const DisplayMode& current, const DisplayMode& wanted) {
    return current.width != wanted.width || current.height != wanted.height;
}

}  // namespace platform
