#pragma once
// A private virtual X server (Xvfb) for one test, optionally with a window manager (openbox), so
// tests that create and destroy windows neither disturb nor depend on other tests' display.

#include <chrono>
#include <string>

#include "support/process.h"

namespace testsupport {

class PrivateXServer {
public:
    ~PrivateXServer() { stop(); }

    // Starts Xvfb with one screen of this size; false when it cannot start (Xvfb not installed).
    bool start(int width = 640, int height = 480) {
        ProcessRequest request;
        request.program = "/usr/bin/Xvfb";
        // -displayfd: the server picks a free display number and writes it to its stdout.
        // -noreset: without it the server resets whenever its last client leaves, and a client
        // connecting during the reset is turned away.
        request.args = {
            "-displayfd", "1",   "-screen", "0", std::to_string(width) + "x" + std::to_string(height) + "x24",
            "-nolisten",  "tcp", "-noreset"};
        if (!server_.start(request)) return false;
        if (!waitUntil(
                [this] { return server_.output().find('\n') != std::string::npos || !server_.running(); },
                std::chrono::seconds(15)))
            return false;
        const std::string number = server_.output().substr(0, server_.output().find('\n'));
        if (number.empty() || !server_.running()) return false;
        display_ = ":" + number;
        return true;
    }

    // Starts openbox on the server and waits until it manages the screen.
    bool startWindowManager() {
        ProcessRequest request;
        request.program = "/usr/bin/openbox";
        request.env["DISPLAY"] = display_;
        if (!windowManager_.start(request)) return false;
        return waitUntil([this] {
            return run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
        });
    }

    // The output of a shell command run against this display.
    std::string run(const std::string& command) const {
        ProcessRequest request;
        request.program = "/bin/sh";
        request.args = {"-c", command};
        request.env["DISPLAY"] = display_;
        return runProcess(request, std::chrono::seconds(20)).output;
    }

    void stop() {
        windowManager_.kill();
        server_.kill();
    }

    const std::string& display() const { return display_; }

private:
    BackgroundProcess server_;
    BackgroundProcess windowManager_;
    std::string display_;
};

}  // namespace testsupport
