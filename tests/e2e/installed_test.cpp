// The program as `cmake --install` lays it out: chosen as the screensaver of the real XScreenSaver,
// and as the glimmerdale command with its one-copy rule; and the gamma ramp of a standalone run,
// which comes back even when the program is killed with SIGKILL.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/dummy_x_server.h"
#include "support/screensaver.h"
#include "support/x_server.h"

namespace {

namespace fs = std::filesystem;
using testsupport::BackgroundProcess;
using testsupport::ProcessRequest;
using testsupport::ProcessResult;
using testsupport::ScreensaverSandbox;
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

// The real XScreenSaver on `display`, as nobody when we are root (it runs no hacks as root), with a
// home of its own whose settings keep a test quick (no fades, splash or desktop grabs) and choose
// `hackCommand`; with no command, the settings have no programs list (XScreenSaver's own stands).
class XScreenSaver {
public:
    // XScreenSaver runs its hacks at nice 10 unless told; beside other tests they would starve.
    static constexpr char kQuickSettings[] =
        "timeout: 0:30:00\ncycle: 0:00:00\nlock: False\nfade: False\nunfade: False\nnice: 0\n"
        "splash: False\ndpmsEnabled: False\ngrabDesktopImages: False\n";

    XScreenSaver(const std::string& display, const std::string& hackCommand) : display_(display) {
        {
            std::ofstream settings(preferences());
            settings << kQuickSettings;
            if (!hackCommand.empty())
                settings << "mode: one\nselected: 0\nprograms: " << hackCommand << " \\n\n";
        }
        if (root_) {
            chmod(home_.path().c_str(), 0755);
            ok_ = chown(home_.path().c_str(), kNobody, kNobody) == 0 &&
                  chown(preferences().c_str(), kNobody, kNobody) == 0;
        }
        ok_ = ok_ && saver_.start(asUser("/usr/bin/xscreensaver", {"-no-splash"})) && answers();
    }
    ~XScreenSaver() { command("-exit"); }

    bool ok() const { return ok_; }
    // True once the daemon answers (after its start, or a restart).
    bool answers() const {
        return waitUntil([&] { return command("-version").find("XScreenSaver") != std::string::npos; });
    }
    std::string command(const char* what) const {
        ProcessRequest request;
        request.program = "/bin/sh";
        request.args = {"-c", std::string("xscreensaver-command ") + what + " 2>&1"};
        request.env["DISPLAY"] = display_;
        return testsupport::runProcess(request, std::chrono::seconds(20)).output;
    }
    // `program` run as XScreenSaver's user, in its home and on its display.
    ProcessRequest asUser(const std::string& program, const std::vector<std::string>& args) const {
        ProcessRequest request;
        request.program = root_ ? "/usr/bin/setpriv" : program;
        if (root_) request.args = {"--reuid=65534", "--regid=65534", "--clear-groups", program};
        request.args.insert(request.args.end(), args.begin(), args.end());
        request.env["HOME"] = home_.path();
        request.env["DISPLAY"] = display_;
        request.env["WAYLAND_DISPLAY"] = std::nullopt;
        request.env["XDG_RUNTIME_DIR"] = std::nullopt;
        request.env["XDG_STATE_HOME"] = std::nullopt;
        request.env["XDG_CONFIG_HOME"] = std::nullopt;
        request.env["XDG_CACHE_HOME"] = std::nullopt;  // the test's own belongs to another user
        request.env["SDL_AUDIODRIVER"] = "dummy";
        request.env["MESA_SHADER_CACHE_DISABLE"] = "true";
        return request;
    }
    std::string errorOutput() const { return saver_.errorOutput(); }
    std::string preferences() const { return home_.file(".xscreensaver"); }
    // The log the hacks share.
    std::string log() const {
        return testsupport::readTextFile(home_.file(".local/state/glimmerdale/Log.txt"));
    }
    std::string file(const std::string& name) const { return home_.file(name); }

private:
    std::string display_;
    testsupport::TempDir home_{"gdxss"};
    bool root_ = geteuid() == 0;
    BackgroundProcess saver_;
    bool ok_ = true;
};

TEST(Installed, XScreenSaverShowsTheRoomAndEndsItWithinASecond) {
    if (!fs::exists("/usr/bin/xscreensaver")) GTEST_SKIP() << "XScreenSaver is not installed";
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    testsupport::PrivateXServer x;
    ASSERT_TRUE(x.start(320, 240));
    // No programs list: the command puts Glimmerdale from the install tree into XScreenSaver's own
    // list and selects it, while XScreenSaver runs.
    XScreenSaver saver(x.display(), "");
    ASSERT_TRUE(saver.ok()) << saver.errorOutput();
    const ProcessResult set = testsupport::runProcess(saver.asUser(tree.command(), {"--set-as-screensaver"}),
                                                      std::chrono::seconds(60));
    EXPECT_EQ(set.exitCode, 0) << set.output << set.errorOutput;
    EXPECT_NE(set.output.find("XScreenSaver was restarted"), std::string::npos) << set.output;
    const std::string listed = testsupport::readTextFile(saver.preferences());
    EXPECT_EQ(listed.rfind(XScreenSaver::kQuickSettings, 0), 0u) << listed;
    EXPECT_NE(listed.find("GL: \t\t\t\t" + tree.hack() + " --root"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\tmaze --root"), std::string::npos) << "XScreenSaver's own list is kept";
    EXPECT_EQ(testsupport::readTextFile(saver.preferences() + ".glimmerdale-backup"),
              XScreenSaver::kQuickSettings);
    ASSERT_TRUE(saver.answers()) << saver.errorOutput();

    saver.command("-activate");
    const std::string shot = saver.file("root.png");
    EXPECT_TRUE(waitUntil(
        [&] {
            x.run("import -window root " + shot);
            return testsupport::showsTheRoom(shot);
        },
        std::chrono::seconds(90), std::chrono::milliseconds(500)))
        << testsupport::commandOutput(
               "convert " + shot +
               " -format '%wx%h mean %[fx:mean] red %[fx:mean.r] blue %[fx:mean.b]' info:")
        << "\n"
        << saver.log() << saver.errorOutput();
    ASSERT_EQ(processesOf(tree.hack()).size(), 1u);

    saver.command("-deactivate");
    EXPECT_TRUE(waitUntil([&] { return processesOf(tree.hack()).empty(); }, std::chrono::seconds(1)))
        << "still running a second after -deactivate";
    const std::string lines = saver.log();
    EXPECT_NE(lines.find("\nMax fps: "), std::string::npos) << "no normal shutdown:\n" << lines;

    const ProcessResult unset = testsupport::runProcess(
        saver.asUser(tree.command(), {"--unset-as-screensaver"}), std::chrono::seconds(60));
    EXPECT_EQ(unset.exitCode, 0) << unset.errorOutput;
    const std::string left = testsupport::readTextFile(saver.preferences());
    EXPECT_EQ(left.find("glimmerdale"), std::string::npos) << left;
    EXPECT_NE(left.find("\tmaze --root"), std::string::npos);
}

// Two monitors: one copy in each monitor's window, each from a camera of its own, one music.
TEST(Installed, XScreenSaverOnTwoMonitorsRunsACopyOnEachWithOneMusic) {
    if (!fs::exists("/usr/bin/xscreensaver")) GTEST_SKIP() << "XScreenSaver is not installed";
    testsupport::DummyXServer x;
    if (!x.start()) GTEST_SKIP() << "no Xorg dummy server here (needs root and xserver-xorg-video-dummy)";
    InstallTree tree;
    ASSERT_TRUE(tree.ok()) << tree.error();
    XScreenSaver saver(x.display(), tree.hack() + " --root --music");
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
    BackgroundProcess running;
    ASSERT_TRUE(running.start(run(first, tree.command())));
    ASSERT_TRUE(waitUntil([&] {
        return first.log().find("Window is create") != std::string::npos || !running.running();
    })) << first.log();
    ASSERT_TRUE(running.running()) << first.log();

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
