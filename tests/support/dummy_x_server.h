#pragma once
// A private Xorg server with the dummy video driver, for tests of several monitors and of display
// modes: unlike Xvfb its outputs are monitors that XRandR, SDL, Wine and XScreenSaver all see apart,
// each with a gamma ramp of its own and the modes `xrandr` gives it, and `xrandr` switches them off
// and on while a program runs. Xorg needs root here; start() is false without it (or without the
// driver).

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "support/process.h"

namespace testsupport {

class DummyXServer {
public:
    ~DummyXServer() { server_.kill(); }

    // Starts the server with a screen of at most `maxWidth` x `maxHeight` and lays out two
    // 1024 x 768 monitors side by side, DUMMY0 (the primary) on the left.
    bool start(int maxWidth = 2048, int maxHeight = 768) {
        if (!startServer(maxWidth, maxHeight)) return false;
        run("xrandr --addmode DUMMY1 1024x768");
        if (!sideBySide()) return false;
        // One full probe of the outputs, as a desktop does at login: until one, the server's cached
        // configuration (what Wine reads) holds the first monitor alone.
        run("xrandr --verbose >/dev/null");
        return true;
    }

    // Starts the server alone, its screen at most `maxWidth` x `maxHeight`, the outputs as the
    // driver sets them up.
    bool startServer(int maxWidth, int maxHeight) {
        if (geteuid() != 0 || !std::filesystem::exists("/usr/lib/xorg/modules/drivers/dummy_drv.so"))
            return false;
        std::ofstream(dir_.file("dummy.conf"))
            << "Section \"ServerFlags\"\n  Option \"AutoAddDevices\" \"false\"\n"
            << "  Option \"AutoAddGPU\" \"false\"\n  Option \"DontVTSwitch\" \"true\"\nEndSection\n"
            << "Section \"Device\"\n  Identifier \"dummydev\"\n  Driver \"dummy\"\n  VideoRam "
               "64000\nEndSection\n"
            << "Section \"Monitor\"\n  Identifier \"mon0\"\n  HorizSync 5.0-1000.0\n"
            << "  VertRefresh 5.0-200.0\nEndSection\n"
            << "Section \"Screen\"\n  Identifier \"scr0\"\n  Device \"dummydev\"\n  Monitor \"mon0\"\n"
            << "  DefaultDepth 24\n  SubSection \"Display\"\n    Depth 24\n    Virtual " << maxWidth << " "
            << maxHeight << "\n  EndSubSection\nEndSection\n";
        std::filesystem::create_directory(dir_.file("conf.d"));
        ProcessRequest request;
        request.program = "/usr/lib/xorg/Xorg";
        if (!std::filesystem::exists(request.program)) request.program = "/usr/bin/Xorg";
        // -displayfd: the server picks a free display number and writes it to its stdout; -noreset:
        // it must not reset (and turn clients away) whenever its last client leaves.
        request.args = {"-config",    dir_.file("dummy.conf"),
                        "-configdir", dir_.file("conf.d"),
                        "-logfile",   dir_.file("xorg.log"),
                        "-displayfd", "1",
                        "-nolisten",  "tcp",
                        "-noreset"};
        if (!server_.start(request)) return false;
        if (!waitUntil(
                [this] { return server_.output().find('\n') != std::string::npos || !server_.running(); },
                std::chrono::seconds(30)))
            return false;
        const std::string number = server_.output().substr(0, server_.output().find('\n'));
        if (number.empty() || !server_.running()) return false;
        display_ = ":" + number;
        return true;
    }

    // DUMMY0 (primary) at (0, 0), DUMMY1 right of it.
    bool sideBySide() {
        return layOut(
            "--output DUMMY0 --mode 1024x768 --pos 0x0 --primary --output DUMMY1 --mode 1024x768 --pos "
            "1024x0");
    }
    // DUMMY1 at (0, 0), the primary DUMMY0 right of it: the other monitor lies left of the primary.
    bool otherLeftOfPrimary() {
        return layOut(
            "--output DUMMY1 --mode 1024x768 --pos 0x0 --output DUMMY0 --mode 1024x768 --pos 1024x0 "
            "--primary");
    }
    bool unplugSecond() { return layOut("--output DUMMY1 --off"); }
    bool plugSecondBack() { return layOut("--output DUMMY1 --mode 1024x768 --right-of DUMMY0"); }

    // Runs xrandr with these arguments and waits until it lists the monitors it made.
    bool layOut(const std::string& xrandrArguments) {
        return run("xrandr " + xrandrArguments + " >/dev/null 2>&1 && echo done").find("done") !=
               std::string::npos;
    }
    // "Monitors: N" of xrandr --listmonitors.
    int monitorCount() const {
        const std::string text = run("xrandr --listmonitors");
        return text.rfind("Monitors: ", 0) == 0 ? std::atoi(text.c_str() + 10) : 0;
    }

    // The output of a shell command run against this display.
    std::string run(const std::string& command) const {
        ProcessRequest request;
        request.program = "/bin/sh";
        request.args = {"-c", command};
        request.env["DISPLAY"] = display_;
        return runProcess(request, std::chrono::seconds(20)).output;
    }

    const std::string& display() const { return display_; }

private:
    TempDir dir_{"gdxorg"};
    BackgroundProcess server_;
    std::string display_;
};

}  // namespace testsupport
