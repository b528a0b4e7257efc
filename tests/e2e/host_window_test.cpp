// The real binary inside windows that belong to someone else, as a screensaver framework runs it:
// the picture fills the window and follows its size, SIGTERM ends it through the normal shutdown,
// the log goes to the state folder, and of two copies side by side exactly one plays the music.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>

#include "support/screensaver.h"
#include "support/x_server.h"

namespace {

using testsupport::BackgroundProcess;
using testsupport::ProcessResult;
using testsupport::ScreensaverSandbox;
using testsupport::waitUntil;

// Screenshots cost the X server and the processor; the program under test needs them more.
constexpr std::chrono::milliseconds kShotInterval(300);

int countLines(const std::string& text, const std::string& line) {
    int count = 0;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) count += l == line;
    return count;
}

class HostWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x_.start(640, 480)) GTEST_SKIP() << "Xvfb is not available";
        display_ = XOpenDisplay(x_.display().c_str());
        ASSERT_NE(display_, nullptr);
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }

    // A plain black window of the test's own, as a framework would make it.
    Window makeHostWindow(int x, int y, int width, int height) {
        const int screen = DefaultScreen(display_);
        const Window window = XCreateSimpleWindow(display_, RootWindow(display_, screen), x, y,
                                                  unsigned(width), unsigned(height), 0,
                                                  BlackPixel(display_, screen), BlackPixel(display_, screen));
        XMapWindow(display_, window);
        XSync(display_, False);
        return window;
    }

    // A copy drawing into `window`, with every folder of its own under the session's folder, as
    // XScreenSaver starts its hacks: in the user's home folder, not in a folder for its log.
    testsupport::ProcessRequest hostedRun(const ScreensaverSandbox& sandbox, Window window,
                                          const std::string& audioFile = "") {
        testsupport::ProcessRequest request =
            sandbox.request({"--window-id", std::to_string(window), "/s"}, x_.display());
        request.env["XDG_STATE_HOME"] = sandbox.file("state");
        request.env["XDG_RUNTIME_DIR"] = sandbox.file("run");
        std::filesystem::create_directories(sandbox.file("run"));
        if (!audioFile.empty()) {
            request.env["SDL_AUDIODRIVER"] = "disk";
            request.env["SDL_DISKAUDIOFILE"] = audioFile;
        }
        return request;
    }
    static std::string sharedLog(const ScreensaverSandbox& sandbox) {
        return testsupport::readTextFile(sandbox.file("state/glimmerdale/Log.txt"));
    }

    // Whether a part of the window ("WxH+X+Y") shows the room.
    bool roomIn(Window window, const std::string& part, const std::string& shot) {
        x_.run("import -window " + std::to_string(window) + " -crop " + part + " +repage " + shot);
        return testsupport::showsTheRoom(shot);
    }

    testsupport::PrivateXServer x_;
    Display* display_ = nullptr;
};

TEST_F(HostWindow, TheRoomFillsTheWindowFollowsItsSizeAndEndsOnSigterm) {
    ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    const Window host = makeHostWindow(0, 0, 200, 150);
    BackgroundProcess copy;
    ASSERT_TRUE(copy.start(hostedRun(sandbox, host)));
    const std::string shot = sandbox.file("shot.png");
    ASSERT_TRUE(
        waitUntil([&] { return roomIn(host, "200x150+0+0", shot); }, std::chrono::seconds(90), kShotInterval))
        << sharedLog(sandbox) << copy.errorOutput();

    XResizeWindow(display_, host, 320, 240);
    XSync(display_, False);
    // The part the window gained shows the room too.
    EXPECT_TRUE(waitUntil([&] { return roomIn(host, "120x90+200+150", shot); }, std::chrono::seconds(30),
                          kShotInterval))
        << "the picture did not follow the window's new size";

    copy.signal(SIGTERM);
    ProcessResult result;
    ASSERT_TRUE(copy.waitForExit(result, std::chrono::seconds(10)));
    EXPECT_EQ(result.exitCode, 1);
    const std::string log = sharedLog(sandbox);
    EXPECT_NE(log.find("\nOpenGL initialized\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\nSet old Gamma: 1\nMax fps: "), std::string::npos) << log;  // the normal shutdown
    EXPECT_FALSE(std::filesystem::exists(sandbox.file("Log.txt")))
        << "a framework's copy wrote its log into the folder it was started in";
}

TEST_F(HostWindow, OfTwoCopiesSideBySideExactlyOnePlaysTheMusic) {
    ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings({{"Enable music:", 1}}));
    const std::string first = sandbox.file("audio-1.raw"), second = sandbox.file("audio-2.raw");
    BackgroundProcess left, right;
    ASSERT_TRUE(left.start(hostedRun(sandbox, makeHostWindow(0, 0, 96, 72), first)));
    ASSERT_TRUE(right.start(hostedRun(sandbox, makeHostWindow(100, 0, 96, 72), second)));
    ASSERT_TRUE(waitUntil(
        [&] {
            const std::string log = sharedLog(sandbox);
            return countLines(log, "Sound initialized") + countLines(log, "Music plays in another copy") == 2;
        },
        std::chrono::seconds(120)))
        << sharedLog(sandbox);
    const std::string log = sharedLog(sandbox);
    EXPECT_EQ(countLines(log, "Sound initialized"), 1) << log;
    EXPECT_EQ(countLines(log, "Starting..."), 2) << "one copy emptied the log the other was writing";
    EXPECT_NE(std::filesystem::exists(first), std::filesystem::exists(second))
        << "the disk audio driver should have written exactly one file";

    left.signal(SIGTERM);
    right.signal(SIGTERM);
    ProcessResult result;
    EXPECT_TRUE(left.waitForExit(result, std::chrono::seconds(10)));
    EXPECT_TRUE(right.waitForExit(result, std::chrono::seconds(10)));
}

TEST_F(HostWindow, AWindowThatDoesNotExistEndsTheRunAtOnce) {
    ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    testsupport::ProcessRequest request = hostedRun(sandbox, makeHostWindow(0, 0, 32, 32));
    request.args = {"-window-id", "0x7ffffff0"};
    const ProcessResult result = testsupport::runProcess(request, std::chrono::seconds(30));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(sharedLog(sandbox).find("Creating window...\nCreate Window failed!\n"), std::string::npos)
        << sharedLog(sandbox);
}

}  // namespace
