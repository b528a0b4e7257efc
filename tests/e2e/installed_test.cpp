// The program as `cmake --install` lays it out: made the screensaver of the real XScreenSaver by its
// own --set-as-screensaver, and as the glimmerdale command with its one-copy rule; and the gamma
// ramp of a standalone run, which comes back even when the program is killed with SIGKILL.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "e2e/run_support.h"
#include "support/x_server.h"

namespace {

namespace fs = std::filesystem;
using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::ProcessResult;
using testsupport::waitUntil;

// XScreenSaver runs no hacks as root; the nobody account has no home of its own to disturb.
constexpr uid_t kNobody = 65534;

// The install tree under a fresh folder that every user may read.
class InstallTree {
public:
    InstallTree() : dir_("gdinstall") {
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
    std::string command() const { return dir_.file("usr/bin/glimmerdale"); }

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

TEST(Installed, XScreenSaverShowsTheRoomAndEndsItWithinASecond) {
    if (!fs::exists("/usr/bin/xscreensaver")) GTEST_SKIP() << "XScreenSaver is not installed";
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));

    // A home of its own with settings that keep the test quick (no fades, splash or desktop grabs)
    // and no programs list: the command puts Glimmerdale from the install tree into XScreenSaver's
    // own list and selects it, while XScreenSaver runs.
    testsupport::TempDir home("gdxss");
    const bool root = geteuid() == 0;
    const std::string preferences = home.file(".xscreensaver");
    // XScreenSaver runs its hacks at nice 10 unless told; beside other tests they would starve.
    const std::string settings =
        "timeout: 0:30:00\ncycle: 0:00:00\nlock: False\nfade: False\nunfade: False\nnice: 0\n"
        "splash: False\ndpmsEnabled: False\ngrabDesktopImages: False\n";
    std::ofstream(preferences) << settings;
    if (root) {
        chmod(home.path().c_str(), 0755);
        ASSERT_EQ(chown(home.path().c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(chown(preferences.c_str(), kNobody, kNobody), 0);
    }
    const auto asUser = [&](const std::string& program, std::vector<std::string> args) {
        ProcessRequest request;
        request.program = root ? "/usr/bin/setpriv" : program;
        if (root) request.args = {"--reuid=65534", "--regid=65534", "--clear-groups", program};
        request.args.insert(request.args.end(), args.begin(), args.end());
        request.env["HOME"] = home.path();
        request.env["DISPLAY"] = x.display();
        request.env["WAYLAND_DISPLAY"] = std::nullopt;
        request.env["XDG_RUNTIME_DIR"] = std::nullopt;
        request.env["XDG_STATE_HOME"] = std::nullopt;
        request.env["XDG_CONFIG_HOME"] = std::nullopt;
        request.env["XDG_CACHE_HOME"] = std::nullopt;  // the test's own belongs to another user
        request.env["SDL_AUDIODRIVER"] = "dummy";
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
        return request;
    };
    BackgroundProcess saver;
    ASSERT_TRUE(saver.start(asUser("/usr/bin/xscreensaver", {"-no-splash"})));
    const auto command = [&](const char* what) {
        return x.run(std::string("xscreensaver-command ") + what + " 2>&1");
    };
    ASSERT_TRUE(waitUntil([&] { return command("-version").find("XScreenSaver") != std::string::npos; }))
        << saver.errorOutput();

    const ProcessResult set =
        testsupport::runProcess(asUser(tree.command(), {"--set-as-screensaver"}), std::chrono::seconds(60));
    EXPECT_EQ(set.exitCode, 0) << set.output << set.errorOutput;
    EXPECT_NE(set.output.find("XScreenSaver was restarted"), std::string::npos) << set.output;
    const std::string listed = testsupport::readTextFile(preferences);
    EXPECT_EQ(listed.rfind(settings, 0), 0u) << listed;
    EXPECT_NE(listed.find("GL: \t\t\t\t" + tree.hack() + " --root"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\tmaze --root"), std::string::npos) << "XScreenSaver's own list is kept";
    EXPECT_EQ(testsupport::readTextFile(preferences + ".glimmerdale-backup"), settings);
    ASSERT_TRUE(waitUntil([&] { return command("-version").find("XScreenSaver") != std::string::npos; }))
        << saver.errorOutput();

    command("-activate");
    const std::string log = home.file(".local/state/glimmerdale/Log.txt");
    const std::string shot = home.file("root.png");
    EXPECT_TRUE(waitUntil(
        [&] {
            x.run("import -window root " + shot);
            return runtest::showsTheRoom(shot);
        },
        std::chrono::seconds(90), std::chrono::milliseconds(500)))
        << testsupport::commandOutput(
               "convert " + shot +
               " -format '%wx%h mean %[fx:mean] red %[fx:mean.r] blue %[fx:mean.b]' info:")
        << "\n"
        << testsupport::readTextFile(log) << saver.errorOutput();
    ASSERT_EQ(processesOf(tree.hack()).size(), 1u);

    command("-deactivate");
    EXPECT_TRUE(waitUntil([&] { return processesOf(tree.hack()).empty(); }, std::chrono::seconds(1)))
        << "still running a second after -deactivate";
    const std::string lines = testsupport::readTextFile(log);
    EXPECT_NE(lines.find("\nMax fps: "), std::string::npos) << "no normal shutdown:\n" << lines;

    const ProcessResult unset =
        testsupport::runProcess(asUser(tree.command(), {"--unset-as-screensaver"}), std::chrono::seconds(60));
    EXPECT_EQ(unset.exitCode, 0) << unset.errorOutput;
    const std::string left = testsupport::readTextFile(preferences);
    EXPECT_EQ(left.find("glimmerdale"), std::string::npos) << left;
    EXPECT_NE(left.find("\tmaze --root"), std::string::npos);
    command("-exit");
}

TEST(Installed, TheCommandRunsOneCopyAtATimeAndLeavesFrameworkCopiesAlone) {
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    runtest::RunSession first, second, hosted;
    const auto run = [&](const runtest::RunSession& session, const std::string& program) {
        ProcessRequest request = session.request({"--windowed", "--size", "64x48"});
        request.program = program;
        request.env["DISPLAY"] = x.display();
        request.env["XDG_STATE_HOME"] = session.dir.file("state");
        return request;
    };

    // A framework's copy is not the command's copy: the command still starts.
    BackgroundProcess framework;
    ProcessRequest embedded = run(hosted, tree.hack());
    embedded.args.push_back("--root");
    ASSERT_TRUE(framework.start(embedded));
    ASSERT_TRUE(waitUntil([&] {
        return testsupport::readTextFile(hosted.dir.file("state/glimmerdale/Log.txt"))
                   .find("Window is create") != std::string::npos;
    }));
    BackgroundProcess running;
    ASSERT_TRUE(running.start(run(first, tree.command())));
    ASSERT_TRUE(waitUntil([&] {
        return first.log().find("Window is create") != std::string::npos || !running.running();
    })) << first.log();
    if (first.log().rfind("gi gi\ngi gi", 0) == 0)
        GTEST_SKIP() << "another Glimmerdale.scr is running on this machine";

    // A second copy started by the command stands down.
    ProcessRequest again = run(second, tree.command());
    const ProcessResult result = testsupport::runProcess(again, std::chrono::seconds(30));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(second.log(), "gi gi\ngi gi\n");
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
    runtest::RunSession session(runtest::RunSettings{false, false, 1});  // gamma option 1: exponent 3
    ProcessRequest request = session.request({"--windowed", "--size", "64x48", "--frames", "3"});
    request.program = session.dir.file("gd-gamma.scr");  // not counted as another copy
    fs::create_symlink(GLIMMERDALE_EXE, request.program);
    request.env["DISPLAY"] = x.display();

    const ProcessResult normal = testsupport::runProcess(request, std::chrono::seconds(120));
    EXPECT_EQ(normal.exitCode, 1) << session.log();
    EXPECT_NE(session.log().find("\nNew Gamma: 3\n"), std::string::npos) << session.log();
    EXPECT_TRUE(ramp.isCalibrated());

    request.args = {"--config-dir", session.dir.file("config"), "--windowed", "--size", "64x48", "/s"};
    BackgroundProcess killed;
    ASSERT_TRUE(killed.start(request));
    ASSERT_TRUE(waitUntil([&] { return !ramp.isCalibrated(); }, std::chrono::seconds(60))) << session.log();
    killed.signal(SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return ramp.isCalibrated(); }, std::chrono::seconds(5)))
        << "the screen stayed dimmed after kill -9";
}

}  // namespace
