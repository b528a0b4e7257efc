// The frame loop on real GL with the fake display: the fade from black, the capture and cross-fade,
// the mouse rules, one event per pass; the run session's shutdown order.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "app/frame_loop.h"
#include "core/log.h"
#include "core/run_mode.h"
#include "display/gl_window.h"
#include "media/media_pack.h"
#include "support/fake_video_backend.h"
#include "support/process.h"
#include "support/test_gl_context.h"

namespace {

constexpr int kSize = 256;  // the smallest capture square fits inside
std::array<float, 3> g_sceneColour = {1, 1, 1};

// A scene that fills the window with one colour.
void drawFlatScene() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3f(g_sceneColour[0], g_sceneColour[1], g_sceneColour[2]);
    glRectf(-1, -1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

class FlatView final : public FrameView {
public:
    void drawCapturePass(RunSession&, float) override { drawFlatScene(); }
    void drawScene(RunSession&, float) override { drawFlatScene(); }
    void drawGlassPass(RunSession&, float) override {}
};

void failOnError(const std::string& text) { ADD_FAILURE() << "error box: " << text; }

class RunFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
        window.showError = failOnError;
        window.fullscreen = false;
        ASSERT_TRUE(createGLWindow(window, "Glimmerdale", kSize, kSize));
        session.startGraphics();
        session.frame.timer.fixedStep = 1.0f;  // one frame unit a frame
        session.frame.timer.start();
        g_sceneColour = {1, 1, 1};
        setRunMode(RunMode::Run);
    }
    void renderFrame() { ::renderFrame(session, view); }
    void TearDown() override {
        if (window.captureTexture) glDeleteTextures(1, &window.captureTexture);
    }
    // The fake does not swap, so the frame just drawn is still in the back buffer.
    std::array<int, 3> centre() {
        GLubyte rgba[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    platform::TestGLContext gl;
    platform::FakeVideoBackend fake;
    SettingsStore settings{""};
    LaunchOptions options;
    MediaPack media;
    RunSession session{settings, options, media, fake};
    GLWindow& window = session.window;
    FrameLoopState& frame = session.frame;
    FlatView view;
};

TEST_F(RunFrame, FirstFramesFadeInFromBlack) {
    // After the GL start the loop is at its start: the fade quad opaque, the timer reset.
    EXPECT_FLOAT_EQ(frame.fadeAlpha, 1.0f);
    EXPECT_EQ(frame.timer.minFps, 10000.0f);
    EXPECT_EQ(frame.timer.history[0], 1.0f);
    std::vector<int> brightness;
    for (int frame = 1; frame <= 75; ++frame) {
        renderFrame();
        brightness.push_back(centre()[0]);
    }
    // Frames 1 to 3: elapsed has not passed 1.0 yet, the picture is black.
    EXPECT_EQ(brightness[0], 0);
    EXPECT_EQ(brightness[2], 0);
    // From frame 4 the fade alpha drops by 0.015 a frame unit: frame 20 is at 1 - 17 * 0.015.
    EXPECT_NEAR(brightness[19], 255 * 17 * 0.015, 3);
    for (std::size_t i = 1; i < brightness.size(); ++i) ASSERT_GE(brightness[i], brightness[i - 1]) << i;
    // Gone after about 67 frame units.
    EXPECT_EQ(brightness.back(), 255);
    EXPECT_LE(frame.fadeAlpha, 0.0f);
}

TEST_F(RunFrame, CaptureCrossFadesFromTheLastPictureIntoTheLiveOne) {
    for (int frame = 0; frame < 75; ++frame) renderFrame();  // past the fade
    g_sceneColour = {1, 0, 0};
    frame.captureRequested = true;  // the camera is about to cut
    renderFrame();
    EXPECT_FALSE(frame.captureRequested);
    EXPECT_NEAR(frame.captureAlpha, 1.2f, 1e-6);
    EXPECT_EQ(centre(), (std::array<int, 3>{255, 0, 0}));

    g_sceneColour = {0, 0, 1};  // the new camera shows something else
    for (int frame = 0; frame < 19; ++frame) renderFrame();
    EXPECT_EQ(centre(), (std::array<int, 3>{255, 0, 0}));  // fully covered for 20 frame units
    for (int frame = 0; frame < 50; ++frame) renderFrame();
    const auto mixed = centre();
    EXPECT_GT(mixed[0], 60);
    EXPECT_GT(mixed[2], 60);
    for (int frame = 0; frame < 60; ++frame) renderFrame();
    EXPECT_EQ(centre(), (std::array<int, 3>{0, 0, 255}));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kSize);
}

TEST_F(RunFrame, MouseJumpOfMoreThanThirtyPixelsEnds) {
    fake.cursor = {100, 100};
    renderFrame();
    for (int step = 0; step < 20; ++step) {  // 600 pixels, 30 at a time: never more than 30
        fake.cursor.x += 30;
        fake.cursor.y -= 30;
        renderFrame();
        ASSERT_EQ(currentRunMode(), RunMode::Run) << step;
    }
    fake.cursor.y += 31;
    renderFrame();
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
}

TEST_F(RunFrame, MouseMovesAreIgnoredWithoutExitMM) {
    frame.exitOnMouseMove = false;
    fake.cursor = {0, 0};
    renderFrame();
    fake.cursor = {500, 500};
    renderFrame();
    EXPECT_EQ(currentRunMode(), RunMode::Run);
    EXPECT_TRUE(cursorJumped({0, 0}, {-31, 0}));
    EXPECT_FALSE(cursorJumped({0, 0}, {-30, 30}));
}

TEST_F(RunFrame, LeftButtonEnds) {
    pollInput(session);
    EXPECT_EQ(currentRunMode(), RunMode::Run);
    fake.leftButton = true;
    pollInput(session);
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
}

TEST_F(RunFrame, OneEventPerPassAndAFrameOnlyWhenTheQueueIsEmpty) {
    frame.frameLimit = 3;
    fake.queue = {platform::WindowEvent::Ignored, platform::WindowEvent::Ignored};
    runFrameLoop(session, view);
    session.release();
    EXPECT_EQ(frame.framesDrawn, 3);
    EXPECT_TRUE(fake.queue.empty());
    EXPECT_EQ(fake.swaps, 1 + 3);  // initGL's black picture, then the frames
}

TEST_F(RunFrame, KeyOrCloseEndsAndNothingIsDrawnAfterIt) {
    fake.queue = {platform::WindowEvent::Ignored, platform::WindowEvent::CloseOrKey,
                  platform::WindowEvent::Ignored};
    runFrameLoop(session, view);
    session.release();
    EXPECT_EQ(frame.framesDrawn, 0);
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
    EXPECT_FALSE(fake.windowOpen);
}

// An audio output that writes its opening and closing into the log, so that the log shows where the
// music stops among the other steps of the shutdown.
class LoggedAudioOutput final : public platform::AudioOutput {
public:
    bool open(int, int, platform::AudioFillCallback, void*) override {
        theLog().write("audio: open");
        return open_ = true;
    }
    void start() override {}
    void stop() override {}
    void lock() override {}
    void unlock() override {}
    void close() override {
        if (open_) theLog().write("audio: close");
        open_ = false;
    }
    bool isOpen() const override { return open_; }

private:
    bool open_ = false;
};

TEST(RunSessionRelease, TakesTheSessionDownInTheShutdownOrder) {
    platform::TestGLContext gl;
    ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
    testsupport::TempDir temp{"gdsession"};
    theLog().open(temp.file("Log.txt"));
    platform::FakeVideoBackend fake;
    SettingsStore settings{""};  // the defaults: 800 x 600, music on
    LaunchOptions options;       // full screen
    MediaPack media;
    RunSession session{settings, options, media, fake, [] { return std::make_unique<LoggedAudioOutput>(); }};
    session.window.showError = failOnError;
    ASSERT_TRUE(session.openWindow("Glimmerdale"));
    session.startGraphics();
    ASSERT_TRUE(session.font.create());
    session.startMusic();
    const GLuint capture = session.window.captureTexture;
    const GLuint font = session.font.base();
    const std::size_t callsBefore = fake.calls.size();

    session.release();
    session.release();  // once only
    logLine("after the shutdown");

    std::vector<std::string> log;
    std::istringstream in(testsupport::readTextFile(temp.file("Log.txt")));
    for (std::string line; std::getline(in, line);) log.push_back(line);
    ASSERT_GE(log.size(), 5u);
    const std::vector<std::string> tail(log.end() - 5, log.end());
    const std::string gamma = Log::line("Set old Gamma: ", session.window.gamma.savedExponent);
    // ... and nothing after them: the log is closed.
    EXPECT_EQ(tail,
              (std::vector<std::string>{"audio: close", gamma, "Max fps: 0", "Min fps: 10000", "Fps: 5000"}));

    // The ramp comes back before the context goes (this backend keeps no ramps of its own, so the one
    // read at start is written back), the display mode and cursor after it, the window last.
    const std::vector<std::string> calls(fake.calls.begin() + callsBefore, fake.calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{"restoreGammaRamp", "writeGammaRamp", "destroyContext",
                                               "restoreDisplayMode", "showCursor", "closeWindow"}));
    // GL objects went while their context was current.
    EXPECT_FALSE(glIsTexture(capture));
    EXPECT_FALSE(glIsList(font));
}

}  // namespace
