#include "platform/x11/display_power_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace platform::x11 {

bool displaysShow(bool dpmsEnabled, int powerLevel) { return !dpmsEnabled || powerLevel == DPMSModeOn; }

void DisplayPowerWatch::start(_XDisplay* display) {
    display_ = nullptr;
    schedule_ = PollSchedule(1000);
    int eventBase = 0, errorBase = 0;
    if (display == nullptr || !DPMSQueryExtension(display, &eventBase, &errorBase) || !DPMSCapable(display))
        return;
    display_ = display;
}

void DisplayPowerWatch::stop() { display_ = nullptr; }

void DisplayPowerWatch::poll(std::uint32_t nowMilliseconds, PowerEvents& events) {
    if (display_ == nullptr || !schedule_.due(nowMilliseconds)) return;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(display_, &level, &enabled)) return;
    events.noteDisplays(displaysShow(enabled != False, level));
}

}  // namespace platform::x11
