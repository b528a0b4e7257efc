// Frame pacing of the Windows build: without vsync the frame rate is capped at the display mode's
// refresh rate. Wine reports the rate of the X server's mode and the virtual server of the other tests
// has none, so this test starts an Xorg server of its own (the dummy driver) in a 40 Hz mode: the
// program draws 40 frames a second there, not the 60 of a display that does not say.

#include <gtest/gtest.h>

#include "support/dummy_x_server.h"
#include "support/screensaver.h"

namespace {

using namespace std::chrono_literals;

TEST(WinePacing, TheCapIsTheDisplayModesRefreshRate) {
    testsupport::DummyXServer x;
    ASSERT_TRUE(x.startServer(640, 480)) << "needs root and Xorg's dummy driver (scripts/install-deps.sh)";
    // 640 x 480 in the standard timings, the pixel clock lowered to 40 frames a second.
    const std::string modes = x.run(
        "xrandr --newmode 640x480_40 16.80 640 656 752 800 480 490 492 525 && "
        "xrandr --addmode DUMMY0 640x480_40 && xrandr --output DUMMY0 --mode 640x480_40 && xrandr 2>&1");
    ASSERT_NE(modes.find("40.00*"), std::string::npos) << modes;

    testsupport::ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::defaultSettings());
    testsupport::ProcessRequest request = sandbox.request(
        {"--windowed", "--size", "160x120", "--no-vsync", "--no-music", "--frames", "240", "/s"});
    request.env["DISPLAY"] = x.display();
    ASSERT_FALSE(testsupport::runProcess(request, 180s).timedOut) << sandbox.log();
    // Frames counted over periods of just over a second: 40 or 41 at a cap of 40.
    const auto lines = sandbox.logLines();
    ASSERT_GE(lines.size(), 3u);
    ASSERT_EQ(lines[lines.size() - 3].rfind("Max fps: ", 0), 0u) << sandbox.log();
    const double rate = std::atof(lines[lines.size() - 3].c_str() + 9);
    EXPECT_GE(rate, 38.0);
    EXPECT_LE(rate, 42.0);
}

}  // namespace
