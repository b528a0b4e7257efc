#pragma once
// A desktop user's session for end-to-end tests of the desktop integration: a home and a runtime
// folder of its own, a private session bus, and every program started as that user (nobody when
// the test runs as root: XScreenSaver and the compositors refuse root), on an X display or a
// Wayland compositor's socket.
//
//   UserSession                 the folders, the display, the requests made as the user
//   UserSession::startBus       a private session bus (dbus-daemon) in the runtime folder
//   UserSession::startLogind    a private system bus with python3-dbusmock's logind on it
//   UserSession::startSway      a headless sway, whose socket the session uses from then on
//   UserSession::inSaverFolder  a request run where /usr/libexec/xscreensaver holds another folder

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace testsupport {

class UserSession {
public:
    static constexpr uid_t kNobody = 65534;

    UserSession() : dir_("gduser") {
        chmod(dir_.path().c_str(), 0755);
        std::filesystem::create_directory(home());
        std::filesystem::create_directory(runtime());
        chmod(runtime().c_str(), 0700);
        if (root()) {
            (void)!chown(home().c_str(), kNobody, kNobody);
            (void)!chown(runtime().c_str(), kNobody, kNobody);
        }
    }
    static bool root() { return geteuid() == 0; }
    // The user the session's programs run as.
    static uid_t user() { return root() ? kNobody : getuid(); }

    std::string home() const { return dir_.file("home"); }
    std::string runtime() const { return dir_.file("run"); }
    std::string bus() const { return "unix:path=" + runtime() + "/bus"; }
    std::string state(const std::string& name) const { return home() + "/.local/state/glimmerdale/" + name; }
    std::string launcherLog() const { return readTextFile(state("Launcher.txt")); }
    std::string runLog() const { return readTextFile(state("Log.txt")); }
    int count(const std::string& line) const {
        const std::string log = launcherLog();
        int n = 0;
        for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
        return n;
    }
    bool logged(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(20),
                int times = 1) const {
        return waitUntil([&] { return count(line) >= times; }, timeout, std::chrono::milliseconds(100));
    }
    // A file the user owns.
    void write(const std::string& path, const std::string& text) const {
        std::ofstream(path) << text;
        if (root()) (void)!chown(path.c_str(), kNobody, kNobody);
    }

    // The session's programs draw on this X display from now on (and on no Wayland display).
    void useXDisplay(const std::string& display) {
        xDisplay_ = display;
        waylandDisplay_.clear();
    }

    ProcessRequest request(const std::string& program, const std::vector<std::string>& args) const {
        ProcessRequest request;
        request.program = root() ? "/usr/bin/setpriv" : program;
        if (root()) request.args = {"--reuid=65534", "--regid=65534", "--clear-groups", program};
        request.args.insert(request.args.end(), args.begin(), args.end());
        request.cwd = home();
        request.env["HOME"] = home();
        request.env["XDG_RUNTIME_DIR"] = runtime();
        request.env["DBUS_SESSION_BUS_ADDRESS"] = bus();
        request.env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + runtime() + "/" + systemBus_;
        for (const char* unset : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                  "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "GSETTINGS_BACKEND"})
            request.env[unset] = std::nullopt;
        if (xDisplay_.empty())
            request.env["DISPLAY"] = std::nullopt;
        else
            request.env["DISPLAY"] = xDisplay_;
        if (waylandDisplay_.empty())
            request.env["WAYLAND_DISPLAY"] = std::nullopt;
        else
            request.env["WAYLAND_DISPLAY"] = waylandDisplay_;
        request.env["SDL_AUDIODRIVER"] = "dummy";
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
        return request;
    }
    bool start(BackgroundProcess& process, const std::string& program,
               const std::vector<std::string>& args) const {
        return process.start(request(program, args));
    }
    ProcessResult run(const std::string& program, const std::vector<std::string>& args,
                      std::chrono::milliseconds limit = std::chrono::seconds(60)) const {
        return runProcess(request(program, args), limit);
    }

    // Starts the session bus and waits for its socket.
    bool startBus(BackgroundProcess& daemon) const {
        return start(daemon, "/usr/bin/dbus-daemon", {"--session", "--nofork", "--address=" + bus()}) &&
               waitUntil([&] { return std::filesystem::exists(runtime() + "/bus"); },
                         std::chrono::seconds(10));
    }

    // A system bus of the test's own with python3-dbusmock's logind on it, which knows this session
    // as "auto" (what the launcher asks logind for). Programs started from now on use it.
    bool startLogind(BackgroundProcess& bus, BackgroundProcess& logind) {
        systemBus_ = "system-bus";
        const std::string address = "unix:path=" + runtime() + "/" + systemBus_;
        if (!start(bus, "/usr/bin/dbus-daemon", {"--session", "--nofork", "--address=" + address}) ||
            !waitUntil([&] { return std::filesystem::exists(runtime() + "/" + systemBus_); },
                       std::chrono::seconds(10)) ||
            !start(logind, "/usr/bin/python3", {"-m", "dbusmock", "--template", "logind"}) ||
            !waitUntil(
                [&] {
                    return !callLogind("/org/freedesktop/login1", "org.freedesktop.DBus.Peer.Ping").empty();
                },
                std::chrono::seconds(10)))
            return false;
        return !callLogind("/org/freedesktop/login1", "org.freedesktop.DBus.Mock.AddSession",
                           {"auto", "seat0", std::to_string(user()), "nobody", "true"})
                    .empty();
    }
    // A call to the test's logind; its reply as gdbus prints it ("" when it failed).
    std::string callLogind(const std::string& path, const std::string& method,
                           const std::vector<std::string>& args = {}) const {
        std::vector<std::string> call = {"call",          "--system", "--dest",   "org.freedesktop.login1",
                                         "--object-path", path,       "--method", method};
        call.insert(call.end(), args.begin(), args.end());
        const ProcessResult result = run("/usr/bin/gdbus", call, std::chrono::seconds(20));
        return result.exitCode == 0 ? result.output : "";
    }

    // Starts sway headless (a wlroots desktop) with one 1024 x 768 output and uses its socket.
    bool startSway(BackgroundProcess& sway) {
        write(home() + "/sway.cfg",
              "output HEADLESS-1 resolution 1024x768 bg #202020 solid_color\n"
              "default_border none\n");
        ProcessRequest compositor = request("/usr/bin/sway", {"-c", home() + "/sway.cfg"});
        compositor.env["WLR_BACKENDS"] = "headless";
        compositor.env["WLR_LIBINPUT_NO_DEVICES"] = "1";
        compositor.env["WLR_RENDERER"] = "pixman";
        return sway.start(compositor) && waitForDisplay();
    }

    // The program under test, and whether Run mode it started has loaded the room in time.
    std::string launcher() const { return GLIMMERDALE_EXE; }
    bool runModeLoaded() const {
        return waitUntil([&] { return runLog().find("OpenGL initialized") != std::string::npos; },
                         std::chrono::seconds(20));
    }

    // Waits for a compositor's socket in the runtime folder and uses it from then on.
    bool waitForDisplay() {
        return waitUntil(
            [&] {
                for (const auto& entry : std::filesystem::directory_iterator(runtime())) {
                    const std::string name = entry.path().filename();
                    if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos) {
                        waylandDisplay_ = name;
                        return true;
                    }
                }
                return false;
            },
            std::chrono::seconds(20));
    }

    // `request` run in a mount namespace of its own where /usr/libexec/xscreensaver shows `folder`:
    // MATE's and Xfce's screensavers run theme programs only from there, and the system's folder is
    // not the test's to change.
    static ProcessRequest inSaverFolder(ProcessRequest request, const std::string& folder) {
        std::vector<std::string> args = {"--mount", "--propagation", "private"};
        if (!root()) args = {"--user", "--map-current-user", "--mount"};
        args.insert(args.end(),
                    {"/bin/sh", "-c", "mount --bind \"$0\" /usr/libexec/xscreensaver && exec \"$@\"", folder,
                     request.program});
        args.insert(args.end(), request.args.begin(), request.args.end());
        request.program = "/usr/bin/unshare";
        request.args = args;
        return request;
    }

private:
    TempDir dir_;
    std::string xDisplay_;
    std::string waylandDisplay_ = "none";
    std::string systemBus_ = "no-system-bus";
};

}  // namespace testsupport
