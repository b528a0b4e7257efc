// Frame pacing of the Windows build: without vsync the frame rate is capped at the display mode's
// refresh rate. Wine reports the rate of the X server's mode, and the virtual server of the other
// tests has none, so this test starts its own X server (Xorg's dummy driver) in a 40 Hz mode: the
// program then draws 40 frames a second, not the 60 of a display that does not say.

#include <gtest/gtest.h>

#include <fstream>

#include "wine/wine_support.h"

namespace {

using namespace std::chrono_literals;
using winetest::WineSandbox;

// An Xorg server with the dummy driver, one 640 x 480 screen at 40 Hz.
class DummyXServer {
public:
    ~DummyXServer() { server_.kill(); }

    bool start() {
        std::ofstream(dir_.file("dummy.conf"))
            << "Section \"ServerFlags\"\n"
               "  Option \"AutoAddDevices\" \"false\"\n"
               "  Option \"DontVTSwitch\" \"true\"\n"
               "EndSection\n"
               "Section \"Device\"\n"
               "  Identifier \"card\"\n  Driver \"dummy\"\n  VideoRam 16000\n"
               "EndSection\n"
               "Section \"Monitor\"\n"
               "  Identifier \"monitor\"\n  HorizSync 5.0-1000.0\n"
               "  VertRefresh 5.0-200.0\n"
               "EndSection\n"
               "Section \"Screen\"\n"
               "  Identifier \"screen\"\n  Device \"card\"\n"
               "  Monitor \"monitor\"\n  DefaultDepth 24\n"
               "  SubSection \"Display\"\n    Depth 24\n    Virtual 640 480\n"
               "  EndSubSection\n"
               "EndSection\n";
        testsupport::ProcessRequest request;
        request.program = "/usr/bin/Xorg";
        // -displayfd: the server picks a free display number and writes it to its stdout.
        request.args = {
            "-displayfd", "1",   "-config", dir_.file("dummy.conf"), "-logfile", dir_.file("xorg.log"),
            "-nolisten",  "tcp", "-noreset"};
        if (!server_.start(request)) return false;
        testsupport::waitUntil(
            [this] { return server_.output().find('\n') != std::string::npos || !server_.running(); }, 30s);
        const std::string number = server_.output().substr(0, server_.output().find('\n'));
        if (number.empty() || !server_.running()) return false;
        display_ = ":" + number;
        // 640 x 480 with the standard timings, its pixel clock lowered to 40 frames a second.
        run("xrandr --newmode 640x480_40 16.80 640 656 752 800 480 490 492 525 -hsync -vsync && "
            "xrandr --addmode DUMMY0 640x480_40 && xrandr --output DUMMY0 --mode 640x480_40");
        return run("xrandr").find("40.00*") != std::string::npos;
    }

    std::string run(const std::string& command) const {
        return testsupport::commandOutput("export DISPLAY=" + display_ + "; " + command + " 2>&1");
    }
    const std::string& display() const { return display_; }
    std::string log() const { return testsupport::readTextFile(dir_.file("xorg.log")); }

private:
    testsupport::TempDir dir_{"gdxorg"};
    testsupport::BackgroundProcess server_;
    std::string display_;
};

TEST(WinePacing, TheCapIsTheDisplayModesRefreshRate) {
    DummyXServer server;
    ASSERT_TRUE(server.start()) << "Xorg with the dummy driver (scripts/install-deps.sh installs it)\n"
                                << server.run("xrandr") << server.log();
    winetest::storeDefaultSettings();
    WineSandbox sandbox;
    testsupport::ProcessRequest request = sandbox.request(
        {"--windowed", "--size", "160x120", "--no-vsync", "--no-music", "--frames", "240", "/s"});
    request.env["DISPLAY"] = server.display();
    const auto result = testsupport::runProcess(request, 180s);
    ASSERT_FALSE(result.timedOut) << sandbox.log();
    // Frames counted over periods of just over a second: 40 or 41 at a cap of 40.
    const auto lines = sandbox.logLines();
    ASSERT_GE(lines.size(), 3u) << sandbox.log();
    const std::string& maximum = lines[lines.size() - 3];
    ASSERT_EQ(maximum.rfind("Max fps: ", 0), 0u) << sandbox.log();
    const double rate = std::atof(maximum.c_str() + 9);
    EXPECT_GE(rate, 38.0) << maximum;
    EXPECT_LE(rate, 42.0) << maximum;
}

}  // namespace
