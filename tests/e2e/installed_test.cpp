// The program as `cmake --install` lays it out, under a folder whose name needs quoting everywhere:
// made the screensaver of the real XScreenSaver, of the real MATE screensaver (Debian's package) and
// of Xfce's settings store (its screensaver is not in Debian: a stand-in owns its bus name), and, where
// no screensaver runs, of the idle launcher, which runs once per session and survives an upgrade;
// as the glimmerdale command with its one-copy rule and its log in the state folder; and the gamma
// ramp of a standalone run, which comes back even when the program is killed with SIGKILL.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <glib.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "settings/command_quoting.h"
#include "settings/xscreensaver_file.h"
#include "support/dummy_x_server.h"
#include "support/screensaver.h"
#include "support/user_session.h"
#include "support/x_server.h"

namespace {

namespace fs = std::filesystem;
using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::ProcessResult;
using testsupport::ScreensaverSandbox;
using testsupport::UserSession;
using testsupport::waitUntil;
using namespace std::chrono_literals;

// The install tree under a fresh folder that every user may read, named with a space, a quote, a
// dollar, a percent sign and letters beyond ASCII: every file that names the program must quote it.
class InstallTree {
public:
    InstallTree() : dir_("gd inst 'q' $HOME %p \xc3\xbc") {
        ProcessRequest install;
        install.program = GLIMMERDALE_CMAKE;
        install.args = {"--install", GLIMMERDALE_BINARY_DIR, "--prefix", dir_.file("usr")};
        const ProcessResult result = testsupport::runProcess(install, std::chrono::seconds(120));
        ok_ = result.exitCode == 0;
        error_ = result.output + result.errorOutput;
        chmod(dir_.path().c_str(), 0755);
    }
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    std::string hack() const { return dir_.file("usr/libexec/xscreensaver/glimmerdale"); }
    std::string hackFolder() const { return dir_.file("usr/libexec/xscreensaver"); }
    std::string command() const { return dir_.file("usr/bin/glimmerdale"); }
    std::string bin() const { return dir_.file("usr/bin"); }
    std::string data() const { return dir_.file("usr/share"); }

private:
    testsupport::TempDir dir_;
    bool ok_ = false;
    std::string error_;
};

// The processes whose command line starts with `program`.
std::vector<pid_t> processesOf(const std::string& program) {
    std::vector<pid_t> pids;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string commandLine = testsupport::readTextFile(entry.path().string() + "/cmdline");
        if (commandLine.compare(0, program.size(), program) == 0) pids.push_back(std::stoi(name));
    }
    return pids;
}

// The session user's processes named `name`, and where each one's program file is.
std::vector<std::string> programsNamed(const std::string& name) {
    std::vector<std::string> programs;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        struct stat info;
        const std::string dir = entry.path().string();
        if (stat(dir.c_str(), &info) != 0 || info.st_uid != UserSession::user()) continue;
        if (testsupport::readTextFile(dir + "/comm") != name + "\n") continue;
        if (testsupport::readTextFile(dir + "/stat").find(") Z") != std::string::npos) continue;
        std::error_code ignored;
        programs.push_back(fs::read_symlink(dir + "/exe", ignored).string());
    }
    return programs;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The words a desktop starts for the Exec= line of a desktop entry: GLib's key file reader, the
// field codes ("%%" is a "%"), GLib's shell parser.
std::vector<std::string> execWords(const std::string& entryPath) {
    std::vector<std::string> words;
    GKeyFile* file = g_key_file_new();
    if (g_key_file_load_from_file(file, entryPath.c_str(), G_KEY_FILE_NONE, nullptr)) {
        gchar* value = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
        std::string exec;
        for (const char* c = value; c && *c; ++c) {
            exec += *c;
            if (*c == '%' && c[1] == '%') ++c;
        }
        g_free(value);
        gchar** argv = nullptr;
        if (!exec.empty() && g_shell_parse_argv(exec.c_str(), nullptr, &argv, nullptr))
            for (gchar** word = argv; *word; ++word) words.push_back(*word);
        g_strfreev(argv);
    }
    g_key_file_free(file);
    return words;
}

// The real XScreenSaver on `display`, as the session's user, whose settings keep a test quick (no
// fades, splash or desktop grabs) and choose `hackCommand`; with no command, the settings have no
// programs list (XScreenSaver's own stands).
class XScreenSaver {
public:
    // XScreenSaver runs its hacks at nice 10 unless told; beside other tests they would starve.
    static constexpr char kQuickSettings[] =
        "timeout: 0:30:00\ncycle: 0:00:00\nlock: False\nfade: False\nunfade: False\nnice: 0\n"
        "splash: False\ndpmsEnabled: False\ngrabDesktopImages: False\n";

    XScreenSaver(UserSession& user, const std::string& display, const std::string& hackCommand,
                 const std::string& moreSettings = "")
        : user_(user) {
        user_.useXDisplay(display);
        user_.write(preferences(), kQuickSettings + moreSettings +
                                       (hackCommand.empty()
                                            ? std::string()
                                            : "mode: one\nselected: 0\nprograms: " + hackCommand + " \\n\n"));
        ok_ = saver_.start(user_.request("/usr/bin/xscreensaver", {"-no-splash"})) && answers();
    }
    ~XScreenSaver() { command("-exit"); }

    bool ok() const { return ok_; }
    // True once the daemon answers (after its start, or a restart).
    bool answers() const {
        return waitUntil([&] { return command("-version").find("XScreenSaver") != std::string::npos; });
    }
    std::string command(const char* what) const {
        const ProcessResult result = user_.run("/usr/bin/xscreensaver-command", {what}, 20s);
        return result.output + result.errorOutput;
    }
    std::string errorOutput() const { return saver_.errorOutput(); }
    std::string preferences() const { return user_.home() + "/.xscreensaver"; }
    // The log the hacks share.
    std::string log() const { return user_.runLog(); }
    std::string file(const std::string& name) const { return user_.home() + "/" + name; }

private:
    UserSession& user_;
    BackgroundProcess saver_;
    bool ok_ = true;
};

TEST(Installed, XScreenSaverListsRunsAndGivesBackItsSelectionKeepingTheUsersOptions) {
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    UserSession user;
    BackgroundProcess bus;
    ASSERT_TRUE(user.startBus(bus));
    // No programs list: the command puts Glimmerdale from the install tree into XScreenSaver's own
    // list and selects it, while XScreenSaver runs; the user's own mode comes back at the end.
    const std::string before = std::string(XScreenSaver::kQuickSettings) + "mode:\t\tblank\n";
    XScreenSaver saver(user, x.display(), "", "mode:\t\tblank\n");
    ASSERT_TRUE(saver.ok()) << saver.errorOutput();
    const ProcessResult set = user.run(tree.command(), {"--set-as-screensaver"});
    EXPECT_EQ(set.exitCode, 0) << set.output << set.errorOutput;
    EXPECT_TRUE(has(set.output, "Found: an XScreenSaver daemon runs on this display.")) << set.output;
    EXPECT_TRUE(has(set.output, "XScreenSaver was restarted")) << set.output;
    EXPECT_TRUE(has(set.output, "It starts after 30 minutes without input")) << set.output;
    const std::string listed = testsupport::readTextFile(saver.preferences());
    EXPECT_EQ(listed.rfind(XScreenSaver::kQuickSettings, 0), 0u) << listed;
    const XScreenSaverPreferences read = readXScreenSaverPreferences(listed);
    ASSERT_TRUE(selectsGlimmerdale(read)) << listed;
    const XScreenSaverProgram& entry = read.programs[std::size_t(read.selected)];
    EXPECT_EQ(entry.name, "Glimmerdale");
    EXPECT_EQ(entry.program, tree.hack());
    EXPECT_TRUE(has(listed, "\tmaze --root")) << "XScreenSaver's own list is kept";
    EXPECT_EQ(testsupport::readTextFile(saver.preferences() + ".glimmerdale-backup"), before);
    ASSERT_TRUE(saver.answers()) << saver.errorOutput();
    const ProcessResult status = user.run(tree.command(), {"--screensaver-status"});
    EXPECT_EQ(status.exitCode, 0) << status.output;
    EXPECT_TRUE(has(status.output, "XScreenSaver (~/.xscreensaver selects Glimmerdale)")) << status.output;

    // XScreenSaver runs the quoted path through /bin/sh.
    saver.command("-activate");
    const std::string shot = saver.file("root.png");
    EXPECT_TRUE(waitUntil(
        [&] {
            x.run("import -window root " + shot);
            return testsupport::showsTheRoom(shot);
        },
        90s, 500ms))
        << testsupport::commandOutput(
               "convert " + shot +
               " -format '%wx%h mean %[fx:mean] red %[fx:mean.r] blue %[fx:mean.b]' info:")
        << "\n"
        << saver.log() << saver.errorOutput();
    ASSERT_EQ(processesOf(tree.hack()).size(), 1u);

    saver.command("-deactivate");
    EXPECT_TRUE(waitUntil([&] { return processesOf(tree.hack()).empty(); }, 1s))
        << "still running a second after -deactivate";
    EXPECT_TRUE(has(saver.log(), "\nMax fps: ")) << "no normal shutdown:\n" << saver.log();

    // The options the user chose in XScreenSaver's settings outlive a second set-up.
    std::string chosen = testsupport::readTextFile(saver.preferences());
    chosen.insert(chosen.find(" --root", chosen.find("\"Glimmerdale\"")), " --no-music --clock-24h");
    user.write(saver.preferences(), chosen);
    const ProcessResult again = user.run(tree.command(), {"--set-as-screensaver"});
    EXPECT_EQ(again.exitCode, 0) << again.errorOutput;
    const XScreenSaverPreferences kept =
        readXScreenSaverPreferences(testsupport::readTextFile(saver.preferences()));
    ASSERT_TRUE(selectsGlimmerdale(kept));
    EXPECT_EQ(kept.programs[std::size_t(kept.selected)].arguments, "--no-music --clock-24h --root");
    EXPECT_EQ(std::count_if(kept.programs.begin(), kept.programs.end(),
                            [](const XScreenSaverProgram& p) { return p.isGlimmerdale; }),
              1);

    const ProcessResult unset = user.run(tree.command(), {"--unset-as-screensaver"});
    EXPECT_EQ(unset.exitCode, 0) << unset.errorOutput;
    EXPECT_TRUE(has(unset.output, "its mode: and selected: are as they were before")) << unset.output;
    const XScreenSaverPreferences left =
        readXScreenSaverPreferences(testsupport::readTextFile(saver.preferences()));
    EXPECT_EQ(left.mode, "blank");
    EXPECT_EQ(left.setting("selected"), nullptr);
    EXPECT_FALSE(has(testsupport::readTextFile(saver.preferences()), "glimmerdale"));
    EXPECT_EQ(left.programs.size(), read.programs.size() - 1);
    EXPECT_EQ(testsupport::readTextFile(saver.preferences() + ".glimmerdale-backup"), before)
        << "backup overwritten";
    EXPECT_FALSE(fs::exists(user.state("screensaver-setup.txt")));
    EXPECT_EQ(user.run(tree.command(), {"--screensaver-status"}).exitCode, 1);
}

// What gsettings and gdbus say, run as the session's user.
std::string gsettings(const UserSession& user, const std::vector<std::string>& args) {
    return testsupport::trimmed(user.run("/usr/bin/gsettings", args, 20s).output);
}
std::string gdbus(const UserSession& user, const std::vector<std::string>& args) {
    std::vector<std::string> call = {"call", "--session"};
    call.insert(call.end(), args.begin(), args.end());
    const ProcessResult result = user.run("/usr/bin/gdbus", call, 20s);
    return testsupport::trimmed(result.output + result.errorOutput);
}

TEST(Installed, MateScreensaverListsRunsAndGivesBackItsTheme) {
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    UserSession user;
    user.useXDisplay(x.display());
    BackgroundProcess bus, mate;
    ASSERT_TRUE(user.startBus(bus));
    // The user's own choice before: one of MATE's themes, at random.
    gsettings(user, {"set", "org.mate.screensaver", "mode", "random"});
    gsettings(user, {"set", "org.mate.screensaver", "themes", "['screensavers-popsquares']"});
    // As the package lays it out: MATE finds the theme entry among the data folders and runs its
    // program from /usr/libexec/xscreensaver.
    const auto installed = [&](ProcessRequest request) {
        request.env["XDG_DATA_DIRS"] = tree.data() + ":/usr/share";
        return UserSession::inSaverFolder(request, tree.hackFolder());
    };
    const std::string program = "/usr/libexec/xscreensaver/glimmerdale";
    ASSERT_TRUE(mate.start(installed(user.request("/usr/bin/mate-screensaver", {"--no-daemon", "--debug"}))));
    ASSERT_TRUE(waitUntil(
        [&] { return user.run("/usr/bin/mate-screensaver-command", {"--query"}, 10s).exitCode == 0; }, 30s))
        << mate.errorOutput();

    const ProcessResult set =
        testsupport::runProcess(installed(user.request(program, {"--set-as-screensaver"})), 60s);
    EXPECT_EQ(set.exitCode, 0) << set.output << set.errorOutput;
    EXPECT_TRUE(has(set.output, "Found: MATE's screensaver (mate-screensaver) runs in this session."))
        << set.output;
    EXPECT_TRUE(has(set.output, "MATE's screensaver now shows Glimmerdale")) << set.output;
    EXPECT_TRUE(has(set.output, "It starts after 5 minutes without input")) << set.output;
    EXPECT_EQ(gsettings(user, {"get", "org.mate.screensaver", "mode"}), "'single'");
    EXPECT_EQ(gsettings(user, {"get", "org.mate.screensaver", "themes"}), "['screensavers-glimmerdale']");
    const ProcessResult status =
        testsupport::runProcess(installed(user.request(program, {"--screensaver-status"})), 60s);
    EXPECT_EQ(status.exitCode, 0) << status.output;
    EXPECT_TRUE(has(status.output, "MATE's screensaver (theme screensavers-glimmerdale)")) << status.output;

    // MATE takes the theme's command and runs it in its window.
    user.run("/usr/bin/mate-screensaver-command", {"--activate"}, 10s);
    const std::string shot = user.home() + "/root.png";
    EXPECT_TRUE(waitUntil(
        [&] {
            x.run("import -window root " + shot);
            return testsupport::showsTheRoom(shot);
        },
        90s, 500ms))
        << user.runLog() << mate.output();
    EXPECT_TRUE(has(mate.output() + mate.errorOutput(), "Setting command for job: 'glimmerdale --root'"))
        << mate.output();
    EXPECT_EQ(programsNamed("glimmerdale").size(), 1u);
    user.run("/usr/bin/mate-screensaver-command", {"--deactivate"}, 10s);
    EXPECT_TRUE(waitUntil([&] { return programsNamed("glimmerdale").empty(); }, 3s));
    EXPECT_TRUE(has(user.runLog(), "\nFps: ")) << "no normal shutdown:\n" << user.runLog();

    // Undone from the command, outside MATE's view of the install.
    const ProcessResult unset = user.run(tree.command(), {"--unset-as-screensaver"});
    EXPECT_EQ(unset.exitCode, 0) << unset.errorOutput;
    EXPECT_TRUE(
        has(unset.output, "MATE's screensaver no longer shows Glimmerdale; its theme is as it was before."))
        << unset.output;
    EXPECT_EQ(gsettings(user, {"get", "org.mate.screensaver", "mode"}), "'random'");
    EXPECT_EQ(gsettings(user, {"get", "org.mate.screensaver", "themes"}), "['screensavers-popsquares']");
    EXPECT_FALSE(fs::exists(user.state("screensaver-setup.txt")));
    EXPECT_EQ(
        testsupport::runProcess(installed(user.request(program, {"--screensaver-status"})), 60s).exitCode, 1);
}

TEST(Installed, XfceScreensaverSettingsTakeTheThemeAndGiveItBack) {
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    UserSession user;
    user.useXDisplay(x.display());
    BackgroundProcess bus, xfce;
    ASSERT_TRUE(user.startBus(bus));
    // Xfce's screensaver is not in Debian 12: a stand-in owns its name on the bus. Its settings store,
    // xfconfd, is the real one, started by the bus when first asked.
    ASSERT_TRUE(user.start(xfce, "/usr/bin/python3",
                           {"-m", "dbusmock", "--session", "org.xfce.ScreenSaver", "/org/xfce/ScreenSaver",
                            "org.xfce.ScreenSaver"}));
    ASSERT_TRUE(waitUntil(
        [&] {
            return gdbus(user, {"--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus",
                                "--method", "org.freedesktop.DBus.NameHasOwner", "org.xfce.ScreenSaver"}) ==
                   "(true,)";
        },
        30s))
        << xfce.errorOutput();
    const auto property = [&](const char* name) {
        return gdbus(user, {"--dest", "org.xfce.Xfconf", "--object-path", "/org/xfce/Xfconf", "--method",
                            "org.xfce.Xfconf.GetProperty", "xfce4-screensaver", name});
    };
    const auto setProperty = [&](const char* name, const char* value) {
        gdbus(user, {"--dest", "org.xfce.Xfconf", "--object-path", "/org/xfce/Xfconf", "--method",
                     "org.xfce.Xfconf.SetProperty", "xfce4-screensaver", name, value});
    };
    const auto installed = [&](ProcessRequest request) {
        request.env["XDG_DATA_DIRS"] = tree.data() + ":/usr/share";
        return UserSession::inSaverFolder(request, tree.hackFolder());
    };
    const std::string program = "/usr/libexec/xscreensaver/glimmerdale";
    const auto run = [&](const char* option) {
        return testsupport::runProcess(installed(user.request(program, {option})), 60s);
    };

    // First with nothing chosen before (the properties do not exist), then with the user's choice.
    const struct {
        const char* name;
        const char* mode;
        const char* themes;
    } rounds[] = {{"nothing chosen", "", ""}, {"a theme chosen", "<1>", "<[<'screensavers-popsquares'>]>"}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        if (*round.mode) setProperty("/saver/mode", round.mode);
        if (*round.themes) setProperty("/saver/themes/list", round.themes);
        const std::string modeBefore = property("/saver/mode"), themesBefore = property("/saver/themes/list");
        const ProcessResult set = run("--set-as-screensaver");
        EXPECT_EQ(set.exitCode, 0) << set.output << set.errorOutput;
        EXPECT_TRUE(has(set.output, "Found: Xfce's screensaver (xfce4-screensaver) runs in this session."))
            << set.output;
        EXPECT_TRUE(has(set.output, "It starts after 5 minutes without input")) << set.output;
        EXPECT_EQ(property("/saver/mode"), "(<2>,)");
        EXPECT_EQ(property("/saver/themes/list"), "(<[<'screensavers-glimmerdale'>]>,)");
        const ProcessResult status = run("--screensaver-status");
        EXPECT_EQ(status.exitCode, 0) << status.output;
        EXPECT_TRUE(has(status.output, "Xfce's screensaver (theme screensavers-glimmerdale)"))
            << status.output;

        const ProcessResult unset = run("--unset-as-screensaver");
        EXPECT_EQ(unset.exitCode, 0) << unset.errorOutput;
        EXPECT_TRUE(has(unset.output, "Xfce's screensaver no longer shows Glimmerdale")) << unset.output;
        EXPECT_EQ(property("/saver/mode"), modeBefore);
        EXPECT_EQ(property("/saver/themes/list"), themesBefore);
        EXPECT_EQ(run("--screensaver-status").exitCode, 1);
    }
}

TEST(Installed, WhereNoScreensaverRunsTheLauncherRunsOnceSaysWhatComesFirstAndSurvivesAnUpgrade) {
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    x.run("xset s 300");
    UserSession user;
    user.useXDisplay(x.display());
    BackgroundProcess bus;
    ASSERT_TRUE(user.startBus(bus));
    // GNOME on X11, blanking after 2 minutes (GSettings in its key file store); XScreenSaver is
    // installed but does not run.
    const auto inGnome = [&](const std::string& program, const std::vector<std::string>& args) {
        ProcessRequest request = user.request(program, args);
        request.env["XDG_CURRENT_DESKTOP"] = "GNOME";
        request.env["GSETTINGS_BACKEND"] = "keyfile";
        return request;
    };
    const auto gnome = [&](const std::string& program, const std::vector<std::string>& args) {
        return testsupport::runProcess(inGnome(program, args), 60s);
    };
    gnome("/usr/bin/gsettings", {"set", "org.gnome.desktop.session", "idle-delay", "120"});

    const ProcessResult set = gnome(tree.command(), {"--set-as-screensaver"});
    EXPECT_EQ(set.exitCode, 0) << set.output << set.errorOutput;
    for (const char* said : {
             "Found: no screensaver runs in this session (GNOME on X11; XScreenSaver is installed but does "
             "not run).",
             "The idle launcher now starts Glimmerdale after 10 minutes without input",
             "runs from now on, watching X11 screen-saver extension.",
             "GNOME blanks the screen after 2 minutes, before Glimmerdale's 10 minutes",
         })
        EXPECT_TRUE(has(set.output, said)) << said << " not in: " << set.output;
    // The launcher holds the X server's own timer (set to 5 minutes above) while it runs.
    EXPECT_FALSE(has(set.output, "The X server")) << set.output;
    const std::string entry = user.home() + "/.config/autostart/glimmerdale-idle-launcher.desktop";
    EXPECT_EQ(execWords(entry), (std::vector<std::string>{tree.hack(), "--idle-launcher"}))
        << testsupport::readTextFile(entry);
    const ProcessResult status = gnome(tree.command(), {"--screensaver-status"});
    EXPECT_EQ(status.exitCode, 0) << status.output;
    EXPECT_TRUE(has(status.output, "runs in this session")) << status.output;
    EXPECT_TRUE(has(status.output, "X11 screen-saver extension")) << status.output;
    EXPECT_TRUE(has(status.output, "GNOME blanks the screen after 2 minutes")) << status.output;

    // A second launcher in the session stands down at once; two more set-ups at once (a double
    // click) both see the launcher they started run, and leave one.
    const ProcessResult second = user.run(tree.command(), {"--idle-launcher"}, 20s);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(has(second.errorOutput, "an idle launcher runs in this session already"))
        << second.errorOutput;
    BackgroundProcess setUps[2];
    for (BackgroundProcess& setUp : setUps)
        ASSERT_TRUE(setUp.start(inGnome(tree.command(), {"--set-as-screensaver"})));
    for (BackgroundProcess& setUp : setUps) {
        ProcessResult again;
        ASSERT_TRUE(setUp.waitForExit(again, 60s));
        EXPECT_EQ(again.exitCode, 0) << again.output << again.errorOutput;
    }
    EXPECT_TRUE(waitUntil([] { return programsNamed("gd-idle-launch").size() == 1; }, 5s));
    const ProcessResult unset = user.run(tree.command(), {"--unset-as-screensaver"});
    EXPECT_EQ(unset.exitCode, 0) << unset.errorOutput;
    EXPECT_TRUE(has(unset.output, "was stopped")) << unset.output;
    EXPECT_TRUE(waitUntil([] { return programsNamed("gd-idle-launch").empty(); }, 5s));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(user.run(tree.command(), {"--screensaver-status"}).exitCode, 1);

    // The program is replaced by rename while the launcher waits, as a package upgrade does; the
    // next idle spell starts the new program from the same path.
    // (The log of the launcher the set-up started goes first: its lines are not this launcher's.)
    fs::remove(user.state("Launcher.txt"));
    x.run("xdotool mousemove 10 10 mousemove 20 20");
    BackgroundProcess launcher;
    ASSERT_TRUE(user.start(launcher, tree.command(), {"--idle-launcher", "--idle-seconds", "4"}));
    ASSERT_TRUE(user.logged("idle source X11 screen-saver extension")) << user.launcherLog();
    fs::copy_file(tree.hack(), tree.hack() + ".new");
    fs::rename(tree.hack() + ".new", tree.hack());
    ASSERT_TRUE(user.logged("idle, Run mode started", 30s)) << user.launcherLog();
    EXPECT_TRUE(user.runModeLoaded()) << user.runLog() << user.launcherLog();
    EXPECT_EQ(programsNamed("gd-idle-launch"), std::vector<std::string>{tree.hack() + " (deleted)"});
    EXPECT_EQ(programsNamed("Glimmerdale.scr"), std::vector<std::string>{tree.hack()});
    launcher.signal(SIGTERM);
    ProcessResult ended;
    ASSERT_TRUE(launcher.waitForExit(ended, 10s));
    EXPECT_EQ(ended.exitCode, 0);
    EXPECT_EQ(user.count("Run mode ended"), 1) << user.launcherLog();
}

TEST(Installed, OnSwayTheLauncherIsSetUpAndTheMessageSaysHowToStartIt) {
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    UserSession user;
    BackgroundProcess bus, sway;
    ASSERT_TRUE(user.startBus(bus));
    ASSERT_TRUE(user.startSway(sway)) << sway.errorOutput();
    // The package's command on the PATH, as installed: people are told that command, not the path.
    const auto run = [&](const char* option) {
        ProcessRequest request = user.request(tree.hack(), {option});
        request.env["PATH"] = tree.bin() + ":/usr/bin:/bin";
        request.env["XDG_CURRENT_DESKTOP"] = "sway";
        return testsupport::runProcess(request, 60s);
    };
    const ProcessResult set = run("--set-as-screensaver");
    EXPECT_EQ(set.exitCode, 0) << set.output << set.errorOutput;
    for (const char* said : {"(sway on Wayland; XScreenSaver is installed but does not run)",
                             "runs from now on, watching org_kde_kwin_idle.", "(sway does not)",
                             "(sway: \"exec glimmerdale --idle-launcher\")"})
        EXPECT_TRUE(has(set.output, said)) << said << " not in: " << set.output;
    // The launcher holds the X server's own timer (set to 5 minutes above) while it runs.
    EXPECT_FALSE(has(set.output, "The X server")) << set.output;
    const std::string entry = user.home() + "/.config/autostart/glimmerdale-idle-launcher.desktop";
    EXPECT_EQ(execWords(entry), (std::vector<std::string>{"glimmerdale", "--idle-launcher"}));
    EXPECT_EQ(run("--screensaver-status").exitCode, 0);
    const ProcessResult unset = run("--unset-as-screensaver");
    EXPECT_EQ(unset.exitCode, 0) << unset.errorOutput;
    EXPECT_TRUE(has(unset.output, "was stopped")) << unset.output;
    EXPECT_TRUE(waitUntil([] { return programsNamed("gd-idle-launch").empty(); }, 5s));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(run("--screensaver-status").exitCode, 1);
}

// Two monitors: one copy in each monitor's window, each from a camera of its own, one music.
TEST(Installed, XScreenSaverOnTwoMonitorsRunsACopyOnEachWithOneMusic) {
    if (!fs::exists("/usr/bin/xscreensaver")) GTEST_SKIP() << "XScreenSaver is not installed";
    testsupport::DummyXServer x;
    if (!x.start()) GTEST_SKIP() << "no Xorg dummy server here (needs root and xserver-xorg-video-dummy)";
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    UserSession user;
    // The line as XScreenSaver reads it: its own escapes over the quoting for /bin/sh.
    std::string line;
    for (char c : shellQuoted(tree.hack()) + " --root --music")
        line += c == '\\' ? std::string(2, c) : std::string(1, c);
    XScreenSaver saver(user, x.display(), line);
    ASSERT_TRUE(saver.ok()) << saver.errorOutput();

    const auto activated = std::chrono::steady_clock::now();
    saver.command("-activate");
    const std::string shot = saver.file("both.png"), left = saver.file("left.png"),
                      right = saver.file("right.png");
    EXPECT_TRUE(waitUntil(
        [&] {
            x.run("import -window root " + shot + " && convert " + shot + " -crop 1024x768+0+0 +repage " +
                  left + " && convert " + shot + " -crop 1024x768+1024+0 +repage " + right);
            return testsupport::showsTheRoom(left) && testsupport::showsTheRoom(right);
        },
        std::chrono::seconds(120), std::chrono::milliseconds(500)))
        << saver.log() << saver.errorOutput();
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - activated).count();
    std::printf("XScreenSaver: the room on both monitors %.1f s after activation\n", seconds);
    EXPECT_EQ(processesOf(tree.hack()).size(), 2u);
    const std::string difference = testsupport::commandOutput("compare -metric RMSE " + left + " " + right +
                                                              " null: 2>&1 | sed 's/.*(\\(.*\\))/\\1/'");
    EXPECT_GT(std::atof(difference.c_str()), 0.1) << "both copies show the same picture";

    saver.command("-deactivate");
    EXPECT_TRUE(waitUntil([&] { return processesOf(tree.hack()).empty(); }, std::chrono::seconds(1)))
        << "still running a second after -deactivate";
    const std::string lines = saver.log();
    const auto count = [&lines](const std::string& line) {
        std::size_t n = 0;
        for (std::size_t at = lines.find(line); at != std::string::npos; at = lines.find(line, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("Music plays in another copy\n"), 1u) << lines;
    EXPECT_EQ(count("Sound initialized\n"), 1u) << lines;
    EXPECT_EQ(count("\nFps: "), 2u) << "not both ended through the normal shutdown:\n" << lines;
}

TEST(Installed, TheCommandRunsOneCopyAtATimeAndLeavesFrameworkCopiesAlone) {
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    const ScreensaverSandbox first, second, hosted;
    const auto run = [&](const ScreensaverSandbox& sandbox, const std::string& program) {
        sandbox.storeSettings(testsupport::quietSettings());
        ProcessRequest request = sandbox.request({"--windowed", "--size", "64x48", "/s"}, x.display());
        request.program = program;
        request.env["XDG_STATE_HOME"] = sandbox.file("state");
        return request;
    };

    // A framework's copy is not the command's copy: the command still starts.
    BackgroundProcess framework;
    ProcessRequest embedded = run(hosted, tree.hack());
    embedded.args.push_back("--root");
    ASSERT_TRUE(framework.start(embedded));
    ASSERT_TRUE(waitUntil([&] {
        return testsupport::readTextFile(hosted.file("state/glimmerdale/Log.txt")).find("Window is create") !=
               std::string::npos;
    }));
    // The installed program keeps its log in the state folder, never in the folder it was started in.
    const auto log = [](const ScreensaverSandbox& sandbox) {
        return testsupport::readTextFile(sandbox.file("state/glimmerdale/Log.txt"));
    };
    BackgroundProcess running;
    ASSERT_TRUE(running.start(run(first, tree.command())));
    ASSERT_TRUE(waitUntil([&] { return has(log(first), "Window is create") || !running.running(); }))
        << log(first);
    ASSERT_TRUE(running.running()) << log(first);

    // A second copy started by the command stands down.
    ProcessRequest again = run(second, tree.command());
    const ProcessResult result = testsupport::runProcess(again, std::chrono::seconds(30));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(log(second), "gi gi\ngi gi\n");
    for (const ScreensaverSandbox* sandbox : {&first, &second, &hosted})
        EXPECT_FALSE(fs::exists(sandbox->file("Log.txt"))) << sandbox->path();
    running.signal(SIGTERM);
    framework.signal(SIGTERM);
}

// A calibrated ramp on the private server's CRTC (which stores whatever it is given).
class ServerRamp {
public:
    explicit ServerRamp(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {
        if (!display_) return;
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, DefaultRootWindow(display_));
        if (resources && resources->ncrtc > 0) crtc_ = resources->crtcs[0];
        if (resources) XRRFreeScreenResources(resources);
        size_ = crtc_ ? XRRGetCrtcGammaSize(display_, crtc_) : 0;
    }
    ~ServerRamp() {
        if (display_) XCloseDisplay(display_);
    }
    bool usable() const { return size_ > 0; }
    void setCalibrated() {
        XRRCrtcGamma* gamma = XRRAllocGamma(size_);
        for (int i = 0; i < size_; ++i) {
            gamma->red[i] = static_cast<unsigned short>(i * 257);
            gamma->green[i] = static_cast<unsigned short>(i * 250 + 99);
            gamma->blue[i] = static_cast<unsigned short>(65535 - (size_ - 1 - i) * 200);
        }
        XRRSetCrtcGamma(display_, crtc_, gamma);
        XRRFreeGamma(gamma);
        XSync(display_, False);
        calibrated_ = current();
    }
    std::vector<unsigned short> current() {
        XRRCrtcGamma* gamma = XRRGetCrtcGamma(display_, crtc_);
        std::vector<unsigned short> all(gamma->red, gamma->red + gamma->size);
        all.insert(all.end(), gamma->green, gamma->green + gamma->size);
        all.insert(all.end(), gamma->blue, gamma->blue + gamma->size);
        XRRFreeGamma(gamma);
        return all;
    }
    bool isCalibrated() { return current() == calibrated_; }

private:
    Display* display_;
    RRCrtc crtc_ = 0;
    int size_ = 0;
    std::vector<unsigned short> calibrated_;
};

TEST(StandaloneGamma, TheRampComesBackAfterANormalEndAndAfterKill9) {
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    ServerRamp ramp(x.display());
    if (!ramp.usable()) GTEST_SKIP() << "this X server has no CRTC gamma";
    ramp.setCalibrated();
    const ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings({{"Gamma:", 1}}));  // the exponent 3
    ProcessRequest request =
        sandbox.request({"--windowed", "--size", "64x48", "--frames", "3", "/s"}, x.display());

    const ProcessResult normal = sandbox.runAlone(request, std::chrono::seconds(120));
    EXPECT_EQ(normal.exitCode, 1) << sandbox.log();
    EXPECT_NE(sandbox.log().find("\nNew Gamma: 3\n"), std::string::npos) << sandbox.log();
    EXPECT_TRUE(ramp.isCalibrated());

    request.args = {"--windowed", "--size", "64x48", "/s"};
    BackgroundProcess killed;
    ASSERT_TRUE(killed.start(request));
    ASSERT_TRUE(waitUntil([&] { return !ramp.isCalibrated(); }, std::chrono::seconds(60))) << sandbox.log();
    killed.signal(SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return ramp.isCalibrated(); }, std::chrono::seconds(5)))
        << "the screen stayed dimmed after kill -9";
}

}  // namespace
