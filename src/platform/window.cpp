#include "platform/window.h"

namespace platform {

int VideoBackend::surfaceCount() {
    int width = 0, height = 0;
    clientSize(width, height);
    return width > 0 && height > 0 ? 1 : 0;
}

Surface VideoBackend::surface(int /*index*/) {
    Surface whole;
    clientSize(whole.width, whole.height);
    whole.primary = true;
    return whole;
}

}  // namespace platform
