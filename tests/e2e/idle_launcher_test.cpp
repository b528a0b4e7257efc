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

namespace {

namespace fs = std::filesystem;
using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::waitUntil;
using namespace std::chrono_literals;

constexpr uid_t kNobody = 65534;

// A user's session: home and runtime folder, and every program started as that user (nobody when
// the test runs as root: compositors and XScreenSaver refuse root).
class UserSession {
public:
    UserSession() : dir_("gdwl") {
        chmod(dir_.path().c_str(), 0755);
        fs::create_directory(home());
        fs::create_directory(runtime());
        chmod(runtime().c_str(), 0700);
        if (root()) {
            chown(home().c_str(), kNobody, kNobody);
            chown(runtime().c_str(), kNobody, kNobody);
        }
    }
    static bool root() { return geteuid() == 0; }
    std::string home() const { return dir_.file("home"); }
    std::string runtime() const { return dir_.file("run"); }
    std::string state(const std::string& name) const { return home() + "/.local/state/glimmerdale/" + name; }
    std::string launcherLog() const { return testsupport::readTextFile(state("Launcher.txt")); }
    std::string runLog() const { return testsupport::readTextFile(state("Log.txt")); }
    int count(const std::string& line) const {
        const std::string log = launcherLog();
        int n = 0;
        for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
        return n;
    }
    bool logged(const std::string& line, std::chrono::milliseconds timeout = 20s, int times = 1) const {
        return waitUntil([&] { return count(line) >= times; }, timeout, 100ms);
    }
    // A file the user owns.
    void write(const std::string& path, const std::string& text) const {
        std::ofstream(path) << text;
        if (root()) chown(path.c_str(), kNobody, kNobody);
    }

    ProcessRequest request(const std::string& program, const std::vector<std::string>& args) const {
        ProcessRequest request;
        request.program = root() ? "/usr/bin/setpriv" : program;
        if (root()) request.args = {"--reuid=65534", "--regid=65534", "--clear-groups", program};
        request.args.insert(request.args.end(), args.begin(), args.end());
        request.cwd = home();
        request.env["HOME"] = home();
        request.env["XDG_RUNTIME_DIR"] = runtime();
        request.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + runtime() + "/bus";
        request.env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + runtime() + "/no-system-bus";
        request.env["WAYLAND_DISPLAY"] = display_;
        for (const char* unset :
             {"DISPLAY", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_CURRENT_DESKTOP"})
            request.env[unset] = std::nullopt;
        request.env["SDL_AUDIODRIVER"] = "dummy";
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
        return request;
    }
    bool start(BackgroundProcess& process, const std::string& program,
               const std::vector<std::string>& args) const {
        return process.start(request(program, args));
    }
    // Waits for the compositor's socket and uses it from then on.
    bool waitForDisplay() {
        return waitUntil(
            [&] {
                for (const auto& entry : fs::directory_iterator(runtime())) {
                    const std::string name = entry.path().filename();
                    if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos) {
                        display_ = name;
                        return true;
                    }
                }
                return false;
            },
            20s);
    }
    std::string launcher() const { return GLIMMERDALE_EXE; }
    // Waits until Run mode has loaded the room. False when it has not in time.
    bool runModeLoaded() const {
        return waitUntil([&] { return runLog().find("OpenGL initialized") != std::string::npos; }, 20s);
    }

private:
    testsupport::TempDir dir_;
    std::string display_ = "none";
};

// Idle launchers running as the test's user.
int launchersOfNobody() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        struct stat info;
        if (stat(entry.path().c_str(), &info) != 0 ||
            info.st_uid != (UserSession::root() ? kNobody : getuid()))
            continue;
        if (testsupport::readTextFile(entry.path().string() + "/comm") == "gd-idle-launch\n") ++count;
    }
    return count;
}

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
    user.write(user.home() + "/sway.cfg",
               "output HEADLESS-1 resolution 1024x768 bg #202020 solid_color\n"
               "default_border none\n");
    ProcessRequest compositor = user.request("/usr/bin/sway", {"-c", user.home() + "/sway.cfg"});
    compositor.env["WLR_BACKENDS"] = "headless";
    compositor.env["WLR_LIBINPUT_NO_DEVICES"] = "1";
    compositor.env["WLR_RENDERER"] = "pixman";
    BackgroundProcess sway;
    ASSERT_TRUE(sway.start(compositor));
    ASSERT_TRUE(user.waitForDisplay()) << sway.errorOutput();

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

    // Turned on for the user's log-ins: an autostart entry, and the launcher started now; then off.
    const std::string entry = user.home() + "/.config/autostart/glimmerdale-idle-launcher.desktop";
    ProcessRequest set = user.request(user.launcher(), {"--set-as-screensaver"});
    set.env["XDG_CURRENT_DESKTOP"] = "sway";
    const testsupport::ProcessResult on = testsupport::runProcess(set, 30s);
    EXPECT_EQ(on.exitCode, 0) << on.errorOutput;
    EXPECT_NE(on.output.find("sway does not"), std::string::npos) << on.output;
    EXPECT_NE(testsupport::readTextFile(entry).find("Exec=" + user.launcher() + " --idle-launcher\n"),
              std::string::npos);
    EXPECT_TRUE(waitUntil([&] { return launchersOfNobody() == 1; }, 10s));
    const testsupport::ProcessResult off =
        testsupport::runProcess(user.request(user.launcher(), {"--unset-as-screensaver"}), 30s);
    EXPECT_EQ(off.exitCode, 0) << off.errorOutput;
    EXPECT_NE(off.output.find("was stopped"), std::string::npos) << off.output;
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(waitUntil([&] { return launchersOfNobody() == 0; }, 5s));
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
