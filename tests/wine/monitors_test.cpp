// The Windows build on two monitors under Wine: a private Xorg dummy server whose second monitor
// lies left of the primary (a negative origin for Windows), with a Wine prefix of its own (the
// shared prefix's desktop belongs to the shared virtual X server). The room on both monitors, the
// overlay on the primary only, a monitor unplugged and plugged back during the run, a key ending it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "support/dummy_x_server.h"
#include "support/screensaver.h"

namespace {

using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::waitUntil;
using namespace std::chrono_literals;

// Wine on the dummy server, in a prefix of its own that goes with it.
class WineOnTwoMonitors {
public:
    // The server with the other monitor left of the primary; false without one.
    bool startServer() { return x_.start() && x_.otherLeftOfPrimary(); }
    // The prefix, its server kept running and Wine's services started once, each with its output
    // detached, so that no pipe of ours stays open in them.
    bool startWine() {
        const bool booted = shell("wine wineboot -i");
        shell("wineserver -p; wine cmd /c exit");
        return booted;
    }
    ~WineOnTwoMonitors() { shell("wineserver -k; wineserver -w"); }

    ProcessRequest request(const testsupport::ScreensaverSandbox& sandbox,
                           const std::vector<std::string>& args) const {
        ProcessRequest request = sandbox.request(args);
        setEnvironment(request);
        return request;
    }
    testsupport::DummyXServer& x() { return x_; }

private:
    void setEnvironment(ProcessRequest& request) const {
        request.env["WINEPREFIX"] = dir_.file("prefix");
        request.env["DISPLAY"] = x_.display();
        request.env["WINEDEBUG"] = "-all";
        request.env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d";
    }
    bool shell(const std::string& commands) const {
        ProcessRequest request;
        request.program = "/bin/sh";
        request.args = {"-c", "(" + commands + ") </dev/null >/dev/null 2>&1"};
        setEnvironment(request);
        return testsupport::runProcess(request, 120s).exitCode == 0;
    }

    testsupport::DummyXServer x_;
    testsupport::TempDir dir_{"gdwinemon"};
};

// The x .. x + 1023 part of a picture of the whole screen: one monitor.
std::string part(const std::string& shot, int x, const std::string& name) {
    return testsupport::pictureCrop(shot, "1024x768+" + std::to_string(x) + "+0", name);
}

bool shows(const std::string& picture) {
    const testsupport::Colour c = testsupport::meanColour(picture, 0, 0, 1024, 768);
    return c.red > 0.08 && c.red > c.blue + 0.03;
}

TEST(WineMonitors, BothMonitorsShowTheRoomWithTheOtherLeftOfThePrimaryAndComeBackAfterAnUnplug) {
    WineOnTwoMonitors wine;
    if (!wine.startServer())
        GTEST_SKIP() << "no Xorg dummy server here (needs root and xserver-xorg-video-dummy)";
    ASSERT_TRUE(wine.startWine());
    testsupport::ScreensaverSandbox sandbox;
    // A still camera, so both monitors show one picture and whatever differs is the overlay.
    BackgroundProcess run;
    ASSERT_TRUE(run.start(wine.request(sandbox, {"--look-from", "-200,-200,180", "--look-at", "100,200,60",
                                                 "--fov", "60", "--time", "2025-12-20 18:00:00", "/s"})));
    ASSERT_TRUE(waitUntil([&] { return sandbox.logHas("OpenGL initialized") || !run.running(); }, 180s))
        << sandbox.log();
    const std::string shot = sandbox.file("both.png");
    std::string other, primary;
    EXPECT_TRUE(waitUntil(
        [&] {
            wine.x().run("import -window root '" + shot + "'");
            other = part(shot, 0, "other.png");
            primary = part(shot, 1024, "primary.png");
            return shows(other) && shows(primary) &&
                   testsupport::pictureDifference(other, primary, "330x90+0+678") > 0.08;
        },
        60s, 500ms))
        << "the monitor left of the primary is not covered, or the countdown is not on the primary alone\n"
        << sandbox.log();
    EXPECT_TRUE(sandbox.logHas("Monitors: 2")) << sandbox.log();
    EXPECT_LT(testsupport::pictureDifference(other, primary, "400x300+312+234"), 0.05)
        << "the views differ where no overlay is";

    ASSERT_TRUE(wine.x().unplugSecond());
    EXPECT_TRUE(waitUntil([&] { return sandbox.logHas("Monitors: 1"); }, 10s)) << sandbox.log();
    ASSERT_TRUE(wine.x().plugSecondBack());
    const auto plugged = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto lines = sandbox.logLines();
            return std::count(lines.begin(), lines.end(), "Monitors: 2") >= 2;
        },
        10s))
        << sandbox.log();
    std::printf("Wine: laid out again %lld ms after the monitor came back\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - plugged)
                                           .count()));
    EXPECT_TRUE(waitUntil(
        [&] {
            wine.x().run("import -window root '" + shot + "'");
            return shows(part(shot, 1024, "back.png"));
        },
        30s, 500ms))
        << "the monitor plugged back right of the primary stays uncovered";
    EXPECT_TRUE(run.running());

    // Without a window manager the display change leaves X's keyboard focus nowhere; a window
    // manager would give it back to the full-screen window, as this does.
    wine.x().run("xdotool search --name '^Glimmerdale$' windowfocus --sync key Escape");
    testsupport::ProcessResult result;
    EXPECT_TRUE(run.waitForExit(result, 30s)) << "still running after the key";
    EXPECT_EQ(sandbox.logLines().back().rfind("Fps: ", 0), 0u) << sandbox.log();
}

}  // namespace
