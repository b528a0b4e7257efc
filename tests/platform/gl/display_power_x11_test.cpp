// The X server's display power through DPMS: the power-saving levels count as off, and a server
// without the extension (this virtual one) is never reported as off.

#include "platform/x11/display_power_x11.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#undef None  // Xlib's, which would hide WindowEvent::None

namespace {

using platform::x11::displaysShow;

TEST(DisplayPower, OnlyTheOnLevelOrDpmsDisabledShowsAPicture) {
    EXPECT_TRUE(displaysShow(true, DPMSModeOn));
    for (int level : {DPMSModeStandby, DPMSModeSuspend, DPMSModeOff}) {
        EXPECT_FALSE(displaysShow(true, level)) << level;
        EXPECT_TRUE(displaysShow(false, level)) << level;  // disabled: the level means nothing
    }
}

TEST(DisplayPower, AServerWithoutDpmsNotesNothing) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    int eventBase = 0, errorBase = 0;
    if (DPMSQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        GTEST_SKIP() << "this server has DPMS";
    }
    platform::x11::DisplayPowerWatch watch;
    platform::PowerEvents events;
    events.noteDisplays(false);
    EXPECT_EQ(events.take(), platform::WindowEvent::DisplaysOff);
    watch.start(display);
    for (std::uint32_t now = 0; now < 5000; now += 500) watch.poll(now, events);
    EXPECT_EQ(events.take(), platform::WindowEvent::None);  // still off, as last noted
    watch.stop();
    XCloseDisplay(display);
}

}  // namespace
