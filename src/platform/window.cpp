#include "platform/window.h"

#include "platform/clock.h"

namespace platform {

WindowEvent keyPressEvent(const KeyPress& press) {
    if (press.key == KeyPress::Key::Space) return WindowEvent::Ignored;
    if (press.altHeld || press.key == KeyPress::Key::Alt || press.key == KeyPress::Key::F10)
        return WindowEvent::Ignored;
    return WindowEvent::CloseOrKey;
}

bool LeftButtonLatch::test(bool heldNow) {
    const bool down = heldNow || pressed_;
    pressed_ = false;
    return down;
}

WindowEvent VideoBackend::waitEvent(int timeoutMilliseconds) {
    const WindowEvent event = pollEvent();
    if (event != WindowEvent::None || timeoutMilliseconds <= 0) return event;
    sleepMilliseconds(static_cast<std::uint32_t>(timeoutMilliseconds));
    return pollEvent();
}

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
