#include "platform/window.h"

#include "platform/clock.h"

namespace platform {

WindowEvent VideoBackend::waitEvent(int timeoutMilliseconds) {
    const WindowEvent event = pollEvent();
    if (event != WindowEvent::None || timeoutMilliseconds <= 0) return event;
    sleepMilliseconds(static_cast<std::uint32_t>(timeoutMilliseconds));
    return pollEvent();
}

}  // namespace platform
