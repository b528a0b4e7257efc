#include "platform/power_events.h"

namespace platform {

WindowEvent PowerEvents::take() {
    if (sleeping_ != toldSleeping_) {
        toldSleeping_ = sleeping_;
        return sleeping_ ? WindowEvent::SystemSuspending : WindowEvent::SystemResumed;
    }
    if (displaysOn_ != toldDisplaysOn_) {
        toldDisplaysOn_ = displaysOn_;
        return displaysOn_ ? WindowEvent::DisplaysOn : WindowEvent::DisplaysOff;
    }
    if (windowsShown_ != toldWindowsShown_) {
        toldWindowsShown_ = windowsShown_;
        return windowsShown_ ? WindowEvent::WindowsShown : WindowEvent::WindowsHidden;
    }
    return WindowEvent::None;
}

bool PollSchedule::due(std::uint32_t now) {
    // Unsigned subtraction counts across the tick's wrap.
    if (started_ && now - last_ < interval_) return false;
    started_ = true;
    last_ = now;
    return true;
}

}  // namespace platform
