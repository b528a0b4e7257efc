// The display's mode, cursor and gamma ramp come back on every way out: the normal shutdown, a
// start-up failure, the first and a second SIGINT/SIGTERM, and exit() from deep inside.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "core/run_mode.h"
#include "display/gamma.h"
#include "display/gl_window.h"
#include "media/media_pack.h"
#include "platform/signals.h"
#include "support/fake_video_backend.h"

namespace {

std::vector<std::string>& shownErrors() {
    static std::vector<std::string> errors;
    return errors;
}
void recordError(const std::string& text) { shownErrors().push_back(text); }

// No GL context here: the loops below end before their first frame.
class NoView final : public FrameView {
public:
    void drawCapturePass(RunSession&, float) override {}
    void drawScene(RunSession&, float) override {}
    void drawGlassPass(RunSession&, float) override {}
};

class DisplayRestore : public ::testing::Test {
protected:
    void SetUp() override {
        shownErrors().clear();
        window.showError = recordError;
        original = fake.deviceRamp;
        setRunMode(RunMode::Run);
    }
    void TearDown() override { platform::clearExitHook(); }

    // What a full-screen start does to the display before the frame loop.
    void startFullScreen(int width = 800, int height = 600) {
        window.fullscreen = true;
        ASSERT_TRUE(createGLWindow(window, "Glimmerdale", width, height));
        window.gamma.savedExponent = readGammaExponent(window.gamma, fake);
        applyGammaExponent(window.gamma, fake, 4.0 - 1.0);
    }
    void expectDisplayAsFound() {
        EXPECT_EQ(fake.deviceRamp, original);
        EXPECT_EQ(fake.currentMode.width, fake.desktopMode.width);
        EXPECT_EQ(fake.currentMode.height, fake.desktopMode.height);
        EXPECT_TRUE(fake.cursorVisible);
    }

    // The frame loop and the shutdown that follows it in Run mode.
    void runAndShutDown() {
        NoView view;
        runFrameLoop(session, view);
        session.release();
    }

    platform::FakeVideoBackend fake;
    SettingsStore settings{""};
    LaunchOptions options;
    MediaPack media;
    RunSession session{settings, options, media, fake};
    GLWindow& window = session.window;
    platform::GammaRamp original;
};

TEST_F(DisplayRestore, FullScreenStartChangesModeCursorAndGamma) {
    startFullScreen();
    EXPECT_EQ(fake.currentMode.width, 800);
    EXPECT_EQ(fake.currentMode.height, 600);
    EXPECT_FALSE(fake.cursorVisible);
    EXPECT_TRUE(fake.lastRequest.fullscreen);
    EXPECT_EQ(fake.lastRequest.pixelFormat.colorBits, 32);
    EXPECT_EQ(fake.lastRequest.pixelFormat.depthBits, 32);
    EXPECT_EQ(fake.lastRequest.pixelFormat.stencilBits, 32);
    EXPECT_NE(fake.deviceRamp, original);
    EXPECT_TRUE(shownErrors().empty());
    // The mode changes and the cursor hides before the window opens.
    const auto& calls = fake.calls;
    const auto at = [&](const char* name) {
        return std::find(calls.begin(), calls.end(), name) - calls.begin();
    };
    EXPECT_LT(at("readCurrentDisplayMode"), at("changeDisplayMode"));
    EXPECT_LT(at("changeDisplayMode"), at("hideCursor"));
    EXPECT_LT(at("hideCursor"), at("openWindow"));
}

TEST_F(DisplayRestore, NormalShutdownPutsEverythingBack) {
    startFullScreen();
    fake.queue.push_back(platform::WindowEvent::QuitRequest);
    runAndShutDown();
    expectDisplayAsFound();
    EXPECT_FALSE(fake.windowOpen);
}

TEST_F(DisplayRestore, RefusedModeShowsOneMessageQuitsAndStillRestores) {
    startFullScreen(1000, 700);
    ASSERT_EQ(shownErrors(), std::vector<std::string>{"Display Mode Not Compatible"});
    EXPECT_EQ(fake.count("postQuit"), 1);
    EXPECT_TRUE(fake.windowOpen);  // creation goes on at the configured size
    EXPECT_EQ(fake.currentMode.width, fake.desktopMode.width);
    runAndShutDown();  // the posted quit request ends it at once
    EXPECT_EQ(session.frame.framesDrawn, 0);
    expectDisplayAsFound();
    EXPECT_EQ(fake.count("restoreDisplayMode"), 0);  // nothing was changed
}

TEST_F(DisplayRestore, UnreadableModeShowsItsMessageAndChangesNothing) {
    fake.canReadMode = false;
    startFullScreen();
    EXPECT_EQ(shownErrors(), std::vector<std::string>{"Could Not Enum Display Settings"});
    EXPECT_EQ(fake.count("changeDisplayMode"), 0);
    EXPECT_EQ(fake.count("postQuit"), 0);
    EXPECT_TRUE(fake.windowOpen);
}

TEST_F(DisplayRestore, FailedWindowCreationRestoresModeAndCursorAtOnce) {
    fake.canOpenWindow = false;
    window.fullscreen = true;
    EXPECT_FALSE(createGLWindow(window, "Glimmerdale", 800, 600));
    expectDisplayAsFound();
    EXPECT_EQ(fake.count("restoreDisplayMode"), 1);
}

TEST_F(DisplayRestore, PixelFormatFailuresShowTheirMessages) {
    startFullScreen();
    fake.contextResult = platform::ContextResult::NoPixelFormat;
    EXPECT_FALSE(setupPixelFormat(window));
    fake.contextResult = platform::ContextResult::PixelFormatRefused;
    EXPECT_FALSE(setupPixelFormat(window));
    EXPECT_EQ(shownErrors(), (std::vector<std::string>{"ChoosePixelFormat failed", "SetPixelFormat failed"}));
    fake.contextResult = platform::ContextResult::Created;
    EXPECT_TRUE(setupPixelFormat(window));
}

TEST_F(DisplayRestore, WindowedStartLeavesModeAndCursorAlone) {
    window.fullscreen = false;
    ASSERT_TRUE(createGLWindow(window, "Glimmerdale", 640, 480));
    EXPECT_EQ(fake.count("changeDisplayMode"), 0);
    EXPECT_EQ(fake.count("hideCursor"), 0);
    EXPECT_FALSE(fake.lastRequest.fullscreen);
}

TEST_F(DisplayRestore, AFrameworksWindowIsTakenAtItsOwnSizeAndFollowedWhenItChanges) {
    options.embedded = true;
    options.width = 800;  // --size has no say over someone else's window
    options.height = 600;
    fake.clientWidth = 300;
    fake.clientHeight = 200;
    ASSERT_TRUE(session.openWindow("Glimmerdale"));
    EXPECT_EQ(window.width, 300);
    EXPECT_EQ(window.height, 200);
    EXPECT_FALSE(fake.lastRequest.fullscreen);
    EXPECT_EQ(fake.count("readCurrentDisplayMode") + fake.count("changeDisplayMode"), 0);
    EXPECT_EQ(fake.count("hideCursor"), 0);

    fake.clientWidth = 640;
    fake.clientHeight = 480;
    fake.queue = {platform::WindowEvent::Resized, platform::WindowEvent::QuitRequest};
    runAndShutDown();
    EXPECT_EQ(window.width, 640);
    EXPECT_EQ(window.height, 480);
    EXPECT_EQ(fake.count("showCursor"), 0);
    EXPECT_EQ(fake.count("restoreDisplayMode"), 0);
}

// The hook the process installs: the test's own window stands in for the process-wide one.
GLWindow* g_hookWindow = nullptr;
void restoreHookWindow() {
    if (!g_hookWindow) return;
    restoreDisplayState(*g_hookWindow);
    auto* fake = static_cast<platform::FakeVideoBackend*>(g_hookWindow->backend);
    std::fprintf(stderr, "restored ramp=%d mode=%dx%d cursor=%d\n",
                 fake->deviceRamp == platform::FakeVideoBackend().deviceRamp, fake->currentMode.width,
                 fake->currentMode.height, fake->cursorVisible ? 1 : 0);
}

TEST_F(DisplayRestore, FirstSignalEndsTheLoopThroughTheNormalShutdown) {
    startFullScreen();
    g_hookWindow = &window;
    platform::installExitHandlers(requestQuit, restoreHookWindow);
    std::raise(SIGTERM);
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
    runAndShutDown();
    expectDisplayAsFound();
    g_hookWindow = nullptr;
}

TEST_F(DisplayRestore, SecondSignalRestoresAndEndsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto run = [this](int signalNumber) {
        startFullScreen();
        g_hookWindow = &window;
        platform::installExitHandlers(requestQuit, restoreHookWindow);
        std::raise(signalNumber);
        std::raise(signalNumber);
        std::_Exit(99);  // not reached
    };
    EXPECT_EXIT(run(SIGTERM), ::testing::ExitedWithCode(128 + SIGTERM),
                "restored ramp=1 mode=1280x1024 cursor=1");
    EXPECT_EXIT(run(SIGINT), ::testing::ExitedWithCode(128 + SIGINT),
                "restored ramp=1 mode=1280x1024 cursor=1");
}

TEST_F(DisplayRestore, ExitFromDeepInsideRestores) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto run = [this] {
        startFullScreen();
        g_hookWindow = &window;
        platform::installExitHandlers(requestQuit, restoreHookWindow);
        std::exit(0);  // an undecodable picture ends the process like this
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "restored ramp=1 mode=1280x1024 cursor=1");
}

}  // namespace
