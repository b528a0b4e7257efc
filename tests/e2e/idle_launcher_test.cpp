// The idle launcher on headless Wayland desktops, run as an ordinary user with a home, runtime folder
// and session bus of its own: on sway (wlroots) through org_kde_kwin_idle, with the room on screen,
// ended by a key and started again; on mutter (GNOME) through the D-Bus idle monitor, with input
// faked through RemoteDesktop and a screen saver service that reports the session locked (nothing
// starts) and then locks it while Run mode is up (Run mode ends); on KWin through ext_idle_notifier_v1.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/process.h"
#include "support/user_session.h"

namespace {

namespace fs = std::filesystem;
using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::UserSession;
using testsupport::waitUntil;
using namespace std::chrono_literals;

// A full-screen picture, not the compositor's plain background: the room's first camera may look out
// of the window into the night, where the room test's warm colours are not to be had.
bool showsAPicture(const std::string& path) {
    const std::string out = testsupport::commandOutput(
        "convert '" + path + "' -format '%[fx:mean] %[fx:standard_deviation]' info: 2>/dev/null");
    double mean = 0, deviation = 0;
    return std::sscanf(out.c_str(), "%lf %lf", &mean, &deviation) == 2 && mean > 0.06 && deviation > 0.05;
}

bool installed(const char* program) { return fs::exists(std::string("/usr/bin/") + program); }

TEST(IdleLauncher, OnSwayStartsTheRoomEndsOnAKeyAndStartsAgainWithoutHoldingOffTheDesktopsIdle) {
    for (const char* program : {"sway", "swayidle", "grim", "wtype"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    UserSession user;
    BackgroundProcess sway;
    ASSERT_TRUE(user.startSway(sway)) << sway.errorOutput();

    BackgroundProcess launcher, key;
    ASSERT_TRUE(user.start(launcher, user.launcher(), {"--idle-launcher", "--idle-seconds", "3"}));
    // sway hands a virtual keyboard's keys to a window only when the keyboard was there before the
    // window took the focus: the key is made now and pressed once the room has been looked at.
    ASSERT_TRUE(user.start(key, "/usr/bin/wtype", {"-s", "16000", "-k", "Escape"}));

    ASSERT_TRUE(user.logged("idle, Run mode started")) << user.launcherLog() << launcher.errorOutput();
    EXPECT_NE(user.launcherLog().find("ext_idle_notifier_v1 not used"), std::string::npos);
    EXPECT_NE(user.launcherLog().find("idle source org_kde_kwin_idle"), std::string::npos)
        << user.launcherLog();
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
    EXPECT_EQ(user.runLog().find("Glew init failed!"), std::string::npos) << user.runLog();
    EXPECT_NE(user.runLog().find("\nVBO supported\n"), std::string::npos) << user.runLog();

    const std::string shot = user.home() + "/room.png";
    EXPECT_TRUE(waitUntil(
        [&] {
            testsupport::runProcess(user.request("/usr/bin/grim", {shot}), 10s);
            return showsAPicture(shot);
        },
        10s, 500ms));

    // The desktop's own idle still comes while Run mode is up: no idle inhibitor on its window.
    BackgroundProcess desktopIdle;
    ASSERT_TRUE(user.start(desktopIdle, "/usr/bin/swayidle", {"-w", "timeout", "1", "touch idle-came"}));
    EXPECT_TRUE(waitUntil([&] { return fs::exists(user.home() + "/idle-came"); }, 6s));
    desktopIdle.kill();

    // The key ends Run mode through its normal shutdown; after the next idle spell it starts again.
    ASSERT_TRUE(user.logged("Run mode ended", 30s)) << user.launcherLog();
    EXPECT_NE(user.runLog().find("\nFps: "), std::string::npos) << user.runLog();
    EXPECT_TRUE(user.logged("idle, Run mode started", 15s, 2)) << user.launcherLog();
    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(user.count("Run mode ended"), 2) << user.launcherLog();
}

TEST(IdleLauncher, OnMutterFollowsTheIdleMonitorAndTheLockAndEndsRunModeWhenTheScreenLocks) {
    for (const char* program : {"mutter", "dbus-daemon", "python3"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    UserSession user;
    BackgroundProcess bus, mutter, screenSaver, launcher;
    ASSERT_TRUE(user.start(bus, "/usr/bin/dbus-daemon",
                           {"--session", "--nofork", "--address=unix:path=" + user.runtime() + "/bus"}));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(user.runtime() + "/bus"); }, 10s));
    ASSERT_TRUE(user.start(mutter, "/usr/bin/mutter",
                           {"--headless", "--wayland", "--no-x11", "--virtual-monitor", "1024x768"}));
    ASSERT_TRUE(user.waitForDisplay()) << mutter.errorOutput();

    // GNOME's screen saver service, reporting the screen locked until the test says otherwise.
    const std::string script = std::string(GLIMMERDALE_SOURCE_DIR) + "/tests/e2e/desktop_bus.py";
    const std::string commands = user.home() + "/screensaver-commands";
    user.write(commands, "");
    ASSERT_TRUE(user.start(screenSaver, "/usr/bin/python3", {script, "screensaver", "1", commands}));
    ASSERT_TRUE(waitUntil([&] { return screenSaver.output().find("ready") != std::string::npos; }, 10s))
        << screenSaver.errorOutput();
    const auto say = [&](const std::string& line) { std::ofstream(commands, std::ios::app) << line << "\n"; };
    const auto fakeInput = [&] {
        return testsupport::runProcess(user.request("/usr/bin/python3", {script, "input"}), 20s).exitCode ==
               0;
    };

    ASSERT_TRUE(user.start(launcher, user.launcher(), {"--idle-launcher", "--idle-seconds", "3"}));
    ASSERT_TRUE(user.logged("idle, nothing started: the session is locked")) << user.launcherLog();
    EXPECT_NE(user.launcherLog().find("idle source org.gnome.Mutter.IdleMonitor"), std::string::npos);
    EXPECT_NE(user.launcherLog().find("lock state from org.gnome.ScreenSaver"), std::string::npos);
    EXPECT_FALSE(fs::exists(user.state("Log.txt")));

    say("active 0");
    ASSERT_TRUE(user.logged("the session is unlocked")) << user.launcherLog();
    ASSERT_TRUE(fakeInput());
    ASSERT_TRUE(user.logged("input again")) << user.launcherLog();
    ASSERT_TRUE(user.logged("idle, Run mode started")) << user.launcherLog();
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
    EXPECT_EQ(user.runLog().find("Glew init failed!"), std::string::npos) << user.runLog();

    // Input while Run mode is up reaches the idle monitor (the launcher is ready for the next spell).
    ASSERT_TRUE(fakeInput());
    EXPECT_TRUE(user.logged("input again", 10s, 2)) << user.launcherLog();

    // The desktop locks the screen: Run mode goes at once.
    say("active 1");
    ASSERT_TRUE(user.logged("ending Run mode")) << user.launcherLog();
    EXPECT_TRUE(user.logged("Run mode ended", 10s)) << user.launcherLog();
    EXPECT_NE(user.runLog().find("\nFps: "), std::string::npos) << user.runLog();
    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
}

TEST(IdleLauncher, OnKWinTakesExtIdleNotifierFirst) {
    for (const char* program : {"kwin_wayland", "dbus-daemon"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    UserSession user;
    // kwin_wayland carries a file capability that a container refuses to grant; a copy has none.
    const std::string kwin = user.home() + "/kwin_wayland";
    fs::copy_file("/usr/bin/kwin_wayland", kwin);
    BackgroundProcess bus, compositor, launcher;
    ASSERT_TRUE(user.start(bus, "/usr/bin/dbus-daemon",
                           {"--session", "--nofork", "--address=unix:path=" + user.runtime() + "/bus"}));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(user.runtime() + "/bus"); }, 10s));
    ProcessRequest request = user.request(kwin, {"--virtual", "--no-lockscreen", "--width", "1024",
                                                 "--height", "768", "--socket", "wayland-kwin"});
    request.env["QT_QPA_PLATFORM"] = "offscreen";
    ASSERT_TRUE(compositor.start(request));
    ASSERT_TRUE(user.waitForDisplay()) << compositor.errorOutput();

    ASSERT_TRUE(user.start(launcher, user.launcher(), {"--idle-launcher", "--idle-seconds", "2"}));
    ASSERT_TRUE(user.logged("idle, Run mode started")) << user.launcherLog() << launcher.errorOutput();
    EXPECT_NE(user.launcherLog().find("idle source ext_idle_notifier_v1"), std::string::npos)
        << user.launcherLog();
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
    EXPECT_EQ(user.runLog().find("Glew init failed!"), std::string::npos) << user.runLog();
    // Stopped, it ends Run mode first (by force when Run mode takes longer than the grace time).
    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(user.count("Run mode ended"), 1) << user.launcherLog();
}

TEST(IdleLauncher, WithoutAnyIdleSignalSaysWhatItTriedAndExits) {
    UserSession user;
    ProcessRequest request = user.request(user.launcher(), {"--idle-launcher"});
    request.env["WAYLAND_DISPLAY"] = std::nullopt;
    const testsupport::ProcessResult result = testsupport::runProcess(request, 30s);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(
        result.errorOutput.find("glimmerdale: this desktop offers no idle signal (ext_idle_notifier_v1: no "
                                "Wayland display, org_kde_kwin_idle: no Wayland display, "
                                "org.gnome.Mutter.IdleMonitor: "),
        std::string::npos)
        << result.errorOutput;
    EXPECT_NE(result.errorOutput.find("X11 screen-saver extension: no X display)"), std::string::npos);
    EXPECT_NE(user.launcherLog().find("Idle launcher: no idle signal on this desktop, exiting"),
              std::string::npos);
}

}  // namespace
