#pragma once
// The mouse cursor as the whole desktop sees it (not only over our window).

namespace platform {

struct CursorPosition {
    int x = 0;  // screen pixels from the left edge of the desktop
    int y = 0;  // screen pixels from the top edge of the desktop
};

}  // namespace platform
