// The idle launcher on headless desktops, run as an ordinary user with a home, runtime folder and
// session bus of its own: on sway (wlroots) through org_kde_kwin_idle, answering the players' inhibit
// calls, held off by mpv, resting under swaylock; on mutter (GNOME) through the D-Bus idle monitor,
// with input faked through RemoteDesktop and stand-ins for GNOME's screen saver and session manager;
// on KWin through ext_idle_notifier_v1 with stand-ins for KDE's PolicyAgent and screen saver; on X11
// through the server's own saver timer, held off by real SDL2 and mpv players; with logind
// (python3-dbusmock) for sleep, locks, the lock after a while and idle inhibitors. Each scenario prints
// how long things took ("[ measured ]"), for the record.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "support/process.h"
#include "support/user_session.h"
#include "support/x_server.h"

namespace {

namespace fs = std::filesystem;
using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::UserSession;
using testsupport::waitUntil;
using namespace std::chrono_literals;

// The processor time (user and system, in ticks of 1/100 s) the user's Run mode has used so far; -1
// when none runs.
long runModeTicks() {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        struct stat info;
        if (stat(entry.path().c_str(), &info) != 0 || info.st_uid != UserSession::user() ||
            testsupport::readTextFile(entry.path().string() + "/comm") != "Glimmerdale.scr\n")
            continue;
        const std::string stat = testsupport::readTextFile(entry.path().string() + "/stat");
        // The fields after the name in parentheses; utime and stime are the 14th and 15th.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long user = 0, system = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) user = std::stol(field);
            if (i == 15) system = std::stol(field);
        }
        return user + system;
    }
    return -1;
}

// How long things took, printed for the record (never asserted: the machine's load decides).
class Stopwatch {
public:
    void restart() { start_ = std::chrono::steady_clock::now(); }
    void print(const std::string& what) const {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start_;
        std::printf("[ measured ] %s: %.1f s\n", what.c_str(), seconds.count());
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A full-screen picture, not the compositor's plain background: the room's first camera may look out
// of the window into the night, where the room test's warm colours are not to be had.
bool showsAPicture(const std::string& path) {
    const std::string out = testsupport::commandOutput(
        "convert '" + path + "' -format '%[fx:mean] %[fx:standard_deviation]' info: 2>/dev/null");
    double mean = 0, deviation = 0;
    return std::sscanf(out.c_str(), "%lf %lf", &mean, &deviation) == 2 && mean > 0.06 && deviation > 0.05;
}

bool installed(const char* program) { return fs::exists(std::string("/usr/bin/") + program); }

// sway, where nobody answers org.freedesktop.ScreenSaver: the launcher does, a player's Inhibit call
// holds Run mode off and the player's exit lets it start without new input; the room is on screen,
// a key ends it; mpv full screen (a Wayland idle inhibitor) holds it off; swaylock over Run mode
// stops the drawing and the music; and Run mode never holds off the desktop's own idle.
TEST(IdleLauncher, OnSwayHonoursInhibitCallsAndIdleInhibitorsAndRestsUnderSwaylock) {
    for (const char* program : {"sway", "swayidle", "grim", "wtype"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    UserSession user;
    BackgroundProcess bus, sway, launcher, film, key;
    ASSERT_TRUE(user.startBus(bus));
    ASSERT_TRUE(user.startSway(sway)) << sway.errorOutput();

    ASSERT_TRUE(user.start(launcher, user.launcher(), {"--idle-launcher", "--idle-seconds", "3"}));
    ASSERT_TRUE(user.logged("answering the inhibit calls of org.freedesktop.ScreenSaver"))
        << user.launcherLog() << launcher.errorOutput();
    const std::string script = std::string(GLIMMERDALE_SOURCE_DIR) + "/tests/e2e/desktop_bus.py";
    ASSERT_TRUE(user.start(film, "/usr/bin/python3", {script, "inhibit", "Film", "Playing a film"}));
    ASSERT_TRUE(waitUntil([&] { return film.output().find("ready") != std::string::npos; }, 10s))
        << film.errorOutput();
    ASSERT_TRUE(user.logged("idle, nothing started: an application holds off idle (Film: Playing a film)"))
        << user.launcherLog();
    const testsupport::ProcessResult status = user.run(user.launcher(), {"--screensaver-status"});
    EXPECT_NE(status.output.find("Film (Playing a film)"), std::string::npos) << status.output;
    // sway hands a virtual keyboard's keys to a window only when the keyboard was there before the
    // window took the focus: the key is made now and pressed once the room has been looked at.
    ASSERT_TRUE(user.start(key, "/usr/bin/wtype", {"-s", "16000", "-k", "Escape"}));
    film.kill();  // the player goes without UnInhibit: its inhibition goes with it
    Stopwatch clock;
    ASSERT_TRUE(user.logged("idle, Run mode started")) << user.launcherLog() << launcher.errorOutput();
    clock.print("sway: Run mode started after the inhibiting client left the bus (delay 3 s)");
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

    // The key ends Run mode through its normal shutdown.
    ASSERT_TRUE(user.logged("Run mode ended", 30s)) << user.launcherLog();
    EXPECT_NE(user.runLog().find("\nFps: "), std::string::npos) << user.runLog();

    // A film full screen in mpv: its idle inhibitor keeps the compositor from reporting idle; once
    // it quits, Run mode starts (the key counted as input).
    fs::remove(user.state("Log.txt"));
    BackgroundProcess player;
    ASSERT_TRUE(user.start(player, "/usr/bin/mpv",
                           {"--no-config", "--really-quiet", "--ao=null", "--vo=wlshm", "--fs", "--loop",
                            "av://lavfi:testsrc=size=320x240:rate=25"}));
    std::this_thread::sleep_for(8s);
    EXPECT_TRUE(player.running()) << player.errorOutput();
    EXPECT_EQ(user.count("idle, Run mode started"), 1) << user.launcherLog();
    player.kill();
    clock.restart();
    ASSERT_TRUE(user.logged("idle, Run mode started", 15s, 2)) << user.launcherLog();
    clock.print("sway: Run mode started after mpv quit (delay 3 s)");
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();

    // swaylock covers Run mode: the compositor stops showing its windows, and it stops drawing and
    // pauses the music; a process that draws nothing takes next to no processor time.
    // (After its first frames, which compile the renderer's shaders.)
    const long loaded = runModeTicks();
    ASSERT_GE(loaded, 0);
    ASSERT_TRUE(waitUntil([&] { return runModeTicks() > loaded + 100; }, 20s, 100ms));
    BackgroundProcess locker;
    ASSERT_TRUE(user.start(locker, "/usr/bin/swaylock", {"-c", "000000"}));
    clock.restart();
    ASSERT_TRUE(waitUntil(
        [&] { return user.runLog().find("Paused: windows not shown, music at ") != std::string::npos; }, 10s))
        << user.runLog();
    clock.print("sway: Run mode paused after swaylock started");
    const long before = runModeTicks();
    std::this_thread::sleep_for(3s);
    const long ticks = runModeTicks() - before;
    std::printf("[ measured ] sway: Run mode behind swaylock used %ld ticks (1/100 s) in 3 s\n", ticks);
    EXPECT_LT(ticks, 30);  // a tenth of a core; drawing takes all of one
    EXPECT_TRUE(locker.running()) << locker.errorOutput();

    // The launcher still ends it under the lock, through its normal shutdown.
    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(user.count("Run mode ended"), 2) << user.launcherLog();
    EXPECT_NE(user.runLog().find("\nFps: "), std::string::npos) << user.runLog();
}

TEST(IdleLauncher, OnMutterFollowsTheIdleMonitorTheLockAndTheSessionManagersInhibitions) {
    for (const char* program : {"mutter", "dbus-daemon", "python3"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    UserSession user;
    BackgroundProcess bus, mutter, desktop, launcher;
    ASSERT_TRUE(user.startBus(bus));
    ASSERT_TRUE(user.start(mutter, "/usr/bin/mutter",
                           {"--headless", "--wayland", "--no-x11", "--virtual-monitor", "1024x768"}));
    ASSERT_TRUE(user.waitForDisplay()) << mutter.errorOutput();

    // GNOME's screen saver, reporting the screen locked until the test says otherwise, and its
    // session manager, where a player holds off idle.
    const std::string script = std::string(GLIMMERDALE_SOURCE_DIR) + "/tests/e2e/desktop_bus.py";
    const std::string commands = user.home() + "/desktop-commands";
    user.write(commands, "inhibit Videos Playing a film\n");
    ASSERT_TRUE(user.start(desktop, "/usr/bin/python3", {script, "gnome", "1", commands}));
    ASSERT_TRUE(waitUntil([&] { return desktop.output().find("ready") != std::string::npos; }, 10s))
        << desktop.errorOutput();
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
    ASSERT_TRUE(user.logged("idle, nothing started: an application holds off idle (Videos: Playing a film)"))
        << user.launcherLog();
    // The film ends: Run mode starts the delay later, without new input.
    say("release");
    Stopwatch clock;
    ASSERT_TRUE(user.logged("idle, Run mode started")) << user.launcherLog();
    clock.print("mutter: Run mode started after the session manager's inhibition ended (delay 3 s)");
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
    EXPECT_EQ(user.runLog().find("Glew init failed!"), std::string::npos) << user.runLog();

    // Input while Run mode is up reaches the idle monitor (the launcher is ready for the next spell).
    ASSERT_TRUE(fakeInput());
    EXPECT_TRUE(user.logged("input again", 10s, 2)) << user.launcherLog();

    // The desktop locks the screen: Run mode goes at once.
    say("active 1");
    clock.restart();
    ASSERT_TRUE(user.logged("ending Run mode")) << user.launcherLog();
    clock.print("mutter: Run mode asked to end after org.gnome.ScreenSaver's ActiveChanged was asked for");
    EXPECT_TRUE(user.logged("Run mode ended", 10s)) << user.launcherLog();
    clock.print("mutter: Run mode ended after org.gnome.ScreenSaver's ActiveChanged was asked for");
    EXPECT_NE(user.runLog().find("\nFps: "), std::string::npos) << user.runLog();

    // The screen saver leaves the bus while the screen is locked (the shell crashed): its lock goes
    // with it, and the next idle spell starts Run mode.
    desktop.kill();
    ASSERT_TRUE(user.logged("the session is unlocked", 10s, 2)) << user.launcherLog();
    ASSERT_TRUE(fakeInput());
    EXPECT_TRUE(user.logged("idle, Run mode started", 20s, 2)) << user.launcherLog();
    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
}

// KWin: ext_idle_notifier_v1 first; the desktop answers org.freedesktop.ScreenSaver itself (as
// ksmserver does) and keeps the inhibitions in PowerDevil's PolicyAgent, which the launcher asks; the
// desktop's screen saver going active ends Run mode.
TEST(IdleLauncher, OnKWinTakesExtIdleNotifierFirstAndAsksThePolicyAgent) {
    for (const char* program : {"kwin_wayland", "dbus-daemon"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    UserSession user;
    // kwin_wayland carries a file capability that a container refuses to grant; a copy has none.
    const std::string kwin = user.home() + "/kwin_wayland";
    fs::copy_file("/usr/bin/kwin_wayland", kwin);
    BackgroundProcess bus, compositor, desktop, launcher;
    ASSERT_TRUE(user.startBus(bus));
    ProcessRequest request = user.request(kwin, {"--virtual", "--no-lockscreen", "--width", "1024",
                                                 "--height", "768", "--socket", "wayland-kwin"});
    request.env["QT_QPA_PLATFORM"] = "offscreen";
    ASSERT_TRUE(compositor.start(request));
    ASSERT_TRUE(user.waitForDisplay()) << compositor.errorOutput();
    const std::string script = std::string(GLIMMERDALE_SOURCE_DIR) + "/tests/e2e/desktop_bus.py";
    const std::string commands = user.home() + "/desktop-commands";
    user.write(commands, "inhibit Films Playing a film\n");
    ASSERT_TRUE(user.start(desktop, "/usr/bin/python3", {script, "kde", commands}));
    ASSERT_TRUE(waitUntil([&] { return desktop.output().find("ready") != std::string::npos; }, 10s))
        << desktop.errorOutput();
    const auto say = [&](const std::string& line) { std::ofstream(commands, std::ios::app) << line << "\n"; };

    ASSERT_TRUE(user.start(launcher, user.launcher(), {"--idle-launcher", "--idle-seconds", "2"}));
    ASSERT_TRUE(user.logged("idle, nothing started: an application holds off idle (Films: Playing a film)"))
        << user.launcherLog() << launcher.errorOutput();
    const std::string log = user.launcherLog();
    EXPECT_NE(log.find("idle source ext_idle_notifier_v1"), std::string::npos) << log;
    EXPECT_NE(log.find("lock state from org.freedesktop.ScreenSaver"), std::string::npos) << log;
    EXPECT_NE(
        log.find("not answering the inhibit calls of org.freedesktop.ScreenSaver: the desktop answers them"),
        std::string::npos)
        << log;
    say("release");
    Stopwatch clock;
    ASSERT_TRUE(user.logged("idle, Run mode started")) << user.launcherLog();
    clock.print("KWin: Run mode started after the PolicyAgent's inhibition ended (delay 2 s)");
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
    EXPECT_EQ(user.runLog().find("Glew init failed!"), std::string::npos) << user.runLog();
    say("active 1");
    clock.restart();
    ASSERT_TRUE(user.logged("ending Run mode")) << user.launcherLog();
    clock.print(
        "KWin: Run mode asked to end after org.freedesktop.ScreenSaver's ActiveChanged was asked for");
    ASSERT_TRUE(user.logged("Run mode ended", 10s)) << user.launcherLog();
    clock.print("KWin: Run mode ended after org.freedesktop.ScreenSaver's ActiveChanged was asked for");
    EXPECT_NE(user.launcherLog().find("the session is locked or the screen blanked"), std::string::npos);

    // Two of the desktop's services hang (KDE's, and GNOME's session manager beside it): the
    // launcher's status still comes within --screensaver-status's wait.
    BackgroundProcess gnome;
    user.write(user.home() + "/gnome-commands", "hang\n");
    ASSERT_TRUE(
        user.start(gnome, "/usr/bin/python3", {script, "gnome", "0", user.home() + "/gnome-commands"}));
    say("hang");
    ASSERT_TRUE(waitUntil(
        [&] {
            return gnome.output().find("hanging") != std::string::npos &&
                   desktop.output().find("hanging") != std::string::npos;
        },
        10s))
        << gnome.errorOutput() << desktop.errorOutput();
    const testsupport::ProcessResult status = user.run(user.launcher(), {"--screensaver-status"});
    EXPECT_EQ(status.exitCode, 0) << status.output;
    EXPECT_NE(status.output.find("runs in this session"), std::string::npos) << status.output;
    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
}

// X11 without XScreenSaver, the server's own blanking off (xset s off): Run mode starts all the same;
// a real SDL2 program with its default hints (it holds XScreenSaverSuspend) and mpv playing
// (XResetScreenSaver heartbeats, a suspend) each keep it from starting, and it starts the delay
// after each of them ends, without new input. The server's settings are as they were afterwards,
// and a launcher stopped while Run mode runs ends Run mode first.
TEST(IdleLauncher, OnX11WithoutXScreenSaverHonoursTheProgramsThatHoldOffIdle) {
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(800, 600));
    x.run("xset s off");
    UserSession user;
    user.useXDisplay(x.display());
    BackgroundProcess bus, launcher, player;
    ASSERT_TRUE(user.startBus(bus));
    const auto key = [&] { x.run("xdotool key Escape"); };
    const auto started = [&](int times, std::chrono::milliseconds timeout) {
        return user.logged("idle, Run mode started", timeout, times);
    };
    // Players run without a session bus here: what holds idle off is their X11 side alone.
    const auto play = [&](const std::string& program, const std::vector<std::string>& args) {
        ProcessRequest request = user.request(program, args);
        request.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + user.runtime() + "/no-bus";
        return player.start(request);
    };

    Stopwatch clock;
    ASSERT_TRUE(user.start(launcher, user.launcher(), {"--idle-launcher", "--idle-seconds", "2"}));
    ASSERT_TRUE(started(1, 20s)) << user.launcherLog() << launcher.errorOutput();
    clock.print("X11, xset s off: Run mode started after the launcher's start (delay 2 s)");
    EXPECT_NE(user.launcherLog().find("idle source X11 screen-saver extension"), std::string::npos);
    EXPECT_NE(user.launcherLog().find("answering the inhibit calls of org.freedesktop.ScreenSaver"),
              std::string::npos);
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
    key();
    ASSERT_TRUE(user.logged("Run mode ended", 20s)) << user.launcherLog();

    struct Holder {
        const char* what;
        std::string program;
        std::vector<std::string> args;
    };
    const Holder holders[] = {
        {"ffplay (SDL2, default hints)",
         "/usr/bin/ffplay",
         {"-loglevel", "quiet", "-an", "-x", "160", "-y", "120", "-f", "lavfi",
          "testsrc=size=160x120:rate=10"}},
        {"mpv",
         "/usr/bin/mpv",
         {"--no-config", "--really-quiet", "--ao=null", "--vo=x11", "--loop",
          "av://lavfi:testsrc=size=160x120:rate=10"}},
    };
    int starts = 1;
    for (const Holder& holder : holders) {
        fs::remove(user.state("Log.txt"));
        ASSERT_TRUE(play(holder.program, holder.args)) << holder.what;
        // Three delays and more with nothing started.
        std::this_thread::sleep_for(7s);
        EXPECT_TRUE(player.running()) << holder.what << player.errorOutput();
        EXPECT_EQ(user.count("idle, Run mode started"), starts) << holder.what << "\n" << user.launcherLog();
        player.kill();
        clock.restart();
        ASSERT_TRUE(started(++starts, 20s)) << holder.what << "\n" << user.launcherLog();
        clock.print(std::string("X11: Run mode started after ") + holder.what + " ended (delay 2 s)");
        ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
        if (&holder == &holders[0]) {
            key();
            ASSERT_TRUE(user.logged("Run mode ended", 20s, starts)) << user.launcherLog();
        }
    }

    // Stopped while Run mode runs: it ends Run mode first, and gives the server its settings back.
    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(user.count("Run mode ended"), starts) << user.launcherLog();
    const auto asTheUserHadThem = [&] {
        return x.run("xset q").find("timeout:  0    cycle:  600") != std::string::npos;
    };
    EXPECT_TRUE(asTheUserHadThem()) << x.run("xset q");

    // Ended by its terminal's hang-up, killed outright, or left without its session bus (the
    // session ends): the settings come back all the same, so that the next launcher finds the
    // user's own.
    const struct {
        const char* way;
        std::function<void(BackgroundProcess&)> end;
        int exitCode;
    } ends[] = {
        {"SIGHUP", [](BackgroundProcess& process) { process.signal(SIGHUP); }, 0},
        {"SIGKILL", [](BackgroundProcess& process) { process.signal(SIGKILL); }, -1},
        {"no session bus", [&](BackgroundProcess&) { bus.kill(); }, 0},
    };
    for (const auto& end : ends) {
        BackgroundProcess again;
        ASSERT_TRUE(user.start(again, user.launcher(), {"--idle-launcher", "--idle-seconds", "30"}));
        ASSERT_TRUE(
            waitUntil([&] { return x.run("xset q").find("timeout:  30 ") != std::string::npos; }, 20s))
            << x.run("xset q");
        end.end(again);
        ASSERT_TRUE(again.waitForExit(result, 10s)) << end.way;
        EXPECT_EQ(result.exitCode, end.exitCode) << end.way;
        EXPECT_TRUE(waitUntil(asTheUserHadThem, 5s)) << end.way << ": " << x.run("xset q");
    }
}

// logind (python3-dbusmock's template on a system bus of the test's own), on X11: Run mode holds a
// delay inhibitor and lets it go when the system is about to sleep, after pausing the music; after
// the lock-after time the launcher asks logind to lock the session, and when no locker answers Run
// mode goes on and the log says so; a Lock from elsewhere ends Run mode; when a locker answers
// (LockedHint) Run mode ends; an idle inhibitor of logind holds the next spell off until it goes.
TEST(IdleLauncher, WithLogindPausesForSleepLocksAfterAWhileAndHonoursLocksAndInhibitors) {
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(800, 600));
    UserSession user;
    user.useXDisplay(x.display());
    BackgroundProcess bus, systemBus, logind, launcher, holder;
    ASSERT_TRUE(user.startBus(bus));
    ASSERT_TRUE(user.startLogind(systemBus, logind)) << logind.errorOutput();
    const std::string manager = "/org/freedesktop/login1", session = manager + "/session/auto";
    const auto delayInhibitorHeld = [&] {
        const std::string list = user.callLogind(manager, "org.freedesktop.login1.Manager.ListInhibitors");
        return list.find("'sleep', 'Glimmerdale'") != std::string::npos &&
               list.find("'delay'") != std::string::npos;
    };
    const auto prepareForSleep = [&](const char* sleeping) {
        return !user.callLogind(manager, "org.freedesktop.DBus.Mock.EmitSignal",
                                {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", sleeping})
                    .empty();
    };
    const auto lockedHint = [&](const char* locked) {
        return !user.callLogind(session, "org.freedesktop.login1.Session.SetLockedHint", {locked}).empty();
    };
    const auto input = [&] { x.run("xdotool mousemove_relative 40 40"); };

    ASSERT_TRUE(user.start(launcher, user.launcher(),
                           {"--idle-launcher", "--idle-seconds", "3", "--lock-after-seconds", "6"}));
    ASSERT_TRUE(user.logged("idle, Run mode started")) << user.launcherLog() << launcher.errorOutput();
    Stopwatch runTime;
    EXPECT_NE(user.launcherLog().find("lock state from logind"), std::string::npos) << user.launcherLog();
    ASSERT_TRUE(user.runModeLoaded()) << user.runLog();
    EXPECT_TRUE(waitUntil(delayInhibitorHeld, 5s, 100ms));

    // About to sleep: the music pauses first, then the inhibitor goes; awake, both come back. The
    // frame loop hears of it after its first frame, which a loaded machine may take seconds over.
    ASSERT_TRUE(prepareForSleep("[<true>]"));
    EXPECT_TRUE(waitUntil(
        [&] { return user.runLog().find("Paused: system going to sleep, music at ") != std::string::npos; },
        20s))
        << user.runLog();
    EXPECT_TRUE(waitUntil([&] { return !delayInhibitorHeld(); }, 5s, 100ms));
    ASSERT_TRUE(prepareForSleep("[<false>]"));
    EXPECT_TRUE(waitUntil(
        [&] { return user.runLog().find("Resumed: system awake, music at ") != std::string::npos; }, 5s))
        << user.runLog();
    EXPECT_TRUE(waitUntil(delayInhibitorHeld, 5s, 100ms));

    // The lock-after time: logind is asked (and echoes the Lock), nobody answers, Run mode goes on.
    ASSERT_TRUE(user.logged("Run mode ran for the lock-after time, asking logind to lock the session"))
        << user.launcherLog();
    runTime.print("logind: the lock was asked for after this much Run mode (lock after 6 s)");
    ASSERT_TRUE(user.logged("no locker answered within 5 s: the session is not locked, Run mode goes on"))
        << user.launcherLog();
    EXPECT_NE(user.launcherLog().find("logind asks for the session to be locked"), std::string::npos);
    EXPECT_EQ(user.count("Run mode ended"), 0) << user.launcherLog();
    EXPECT_EQ(user.count("the session is locked"), 0) << user.launcherLog();

    // loginctl lock-session from elsewhere: Run mode goes at once.
    Stopwatch clock;
    ASSERT_FALSE(user.callLogind(session, "org.freedesktop.login1.Session.Lock").empty());
    ASSERT_TRUE(user.logged("ending Run mode")) << user.launcherLog();
    clock.print("logind: Run mode asked to end after the Lock signal");
    ASSERT_TRUE(user.logged("Run mode ended", 10s)) << user.launcherLog();
    clock.print("logind: Run mode ended after the Lock signal");

    // Input again, the next spell: this time a locker answers the request.
    input();
    ASSERT_TRUE(user.logged("idle, Run mode started", 20s, 2)) << user.launcherLog();
    ASSERT_TRUE(user.logged("asking logind to lock the session", 20s, 2)) << user.launcherLog();
    clock.restart();
    ASSERT_TRUE(lockedHint("true"));
    ASSERT_TRUE(user.logged("Run mode ended", 10s, 2)) << user.launcherLog();
    clock.print("logind: Run mode ended after LockedHint");
    EXPECT_EQ(user.count("no locker answered"), 1) << user.launcherLog();
    ASSERT_TRUE(lockedHint("false"));
    ASSERT_TRUE(user.logged("the session is unlocked")) << user.launcherLog();

    // An idle inhibitor of logind (systemd-inhibit --what=idle) holds the next spell off.
    const std::string script = std::string(GLIMMERDALE_SOURCE_DIR) + "/tests/e2e/desktop_bus.py";
    ASSERT_TRUE(user.start(holder, "/usr/bin/python3", {script, "logind-inhibit", "Film", "Playing a film"}));
    ASSERT_TRUE(waitUntil([&] { return holder.output().find("ready") != std::string::npos; }, 10s))
        << holder.errorOutput();
    input();
    ASSERT_TRUE(user.logged("idle, nothing started: an application holds off idle (Film: Playing a film)"))
        << user.launcherLog();
    const testsupport::ProcessResult status = user.run(user.launcher(), {"--screensaver-status"});
    EXPECT_NE(status.output.find("Film (Playing a film)"), std::string::npos) << status.output;
    holder.kill();
    ASSERT_TRUE(user.logged("idle, Run mode started", 20s, 3)) << user.launcherLog();

    launcher.signal(SIGTERM);
    testsupport::ProcessResult result;
    ASSERT_TRUE(launcher.waitForExit(result, 10s));
    EXPECT_EQ(result.exitCode, 0);
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
