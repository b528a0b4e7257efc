// The frame loop while no display shows the screensaver, on real GL with the fake display and a fake
// audio device: nothing drawn and the loop asleep in waits, the music paused and resumed where it
// was, no long step after the pause, and the exit rules as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "app/frame_loop.h"
#include "core/log.h"
#include "core/run_mode.h"
#include "media/media_pack.h"
#include "sound/fake_audio_output.h"
#include "sound/ogg_test_file.h"
#include "support/fake_video_backend.h"
#include "support/file_buffer.h"
#include "support/test_gl_context.h"

namespace {

using platform::WindowEvent;

constexpr int kSize = 256;

class BlankView final : public FrameView {
public:
    void drawCapturePass(RunSession&, float) override {}
    void drawScene(RunSession&, float) override {}
    void drawGlassPass(RunSession&, float) override {}
};

FileBuffer readTone(const char*) {
    static const std::vector<std::uint8_t> tone = makeOggTone(44100);
    return testsupport::copyToFileBuffer(tone);
}

// A run session on the fake display with the music playing into `device`, its loop about to start.
struct PausableSession {
    explicit PausableSession(FakeAudioLog& device)
        : session(settings, options, media, fake, fakeOutputFactory(device)) {
        session.window.fullscreen = false;
        EXPECT_TRUE(createGLWindow(session.window, "Glimmerdale", kSize, kSize));
        session.startGraphics();
        session.sound.startMusic(true, 100, readTone);
        setRunMode(RunMode::Run);
    }
    ~PausableSession() {
        session.release();
        if (session.window.captureTexture) glDeleteTextures(1, &session.window.captureTexture);
    }

    platform::FakeVideoBackend fake;
    SettingsStore settings{""};
    LaunchOptions options;
    MediaPack media;
    RunSession session;
    BlankView view;
};

class UnseenPause : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
        logPath = ::testing::TempDir() + "unseen_pause_log.txt";
        theLog().open(logPath);
    }
    void TearDown() override { theLog().close(); }

    std::vector<std::string> logLines() {
        std::ifstream in(logPath);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    platform::TestGLContext gl;
    std::string logPath;
};

TEST_F(UnseenPause, NothingIsDrawnAndTheMusicRestsUntilADisplayShowsItAgain) {
    FakeAudioLog device;
    PausableSession run(device);
    platform::FakeVideoBackend& fake = run.fake;
    FrameLoopState& frame = run.session.frame;
    frame.frameLimit = 8;
    std::uint32_t musicBeforePause = 0;
    float firstStepAfterPause = -1.0f;
    // Frame 3 done (initGL's black picture was the first swap): the music has played a while, then
    // the displays go off.
    fake.afterSwap = [&] {
        if (fake.swaps == 1 + 3) {
            device.pull(3000);
            musicBeforePause = run.session.sound.musicPosition();
            fake.queue = {WindowEvent::DisplaysOff, WindowEvent::Ignored};
        }
        if (fake.swaps == 1 + 4) firstStepAfterPause = frame.timer.history[FrameTimer::kHistory - 1];
    };
    // The displays stay off for three empty waits and half a second, then come back on.
    int emptyWaits = 0;
    fake.afterEmptyWait = [&] {
        EXPECT_TRUE(run.session.sound.musicPaused());
        EXPECT_FALSE(device.running);
        if (++emptyWaits == 3) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            fake.queue.push_back(WindowEvent::DisplaysOn);
        }
    };

    runFrameLoop(run.session, run.view);

    EXPECT_EQ(frame.framesDrawn, 8);
    // Between the first wait and the last, not one swap: the loop slept in waits of a real length.
    const auto firstWait = std::find(fake.calls.begin(), fake.calls.end(), "waitEvent");
    const auto lastWait = std::find(fake.calls.rbegin(), fake.calls.rend(), "waitEvent").base();
    EXPECT_EQ(std::count(firstWait, lastWait, "swapBuffers"), 0);
    EXPECT_EQ(fake.waits, 1 + 3 + 1);  // the Ignored, the empty ones, the DisplaysOn
    EXPECT_GT(fake.shortestWaitTimeout, 0);
    // The device was closed for the pause and opened again; the music went on from its place.
    std::vector<std::string> deviceCalls;
    std::copy_if(device.calls.begin(), device.calls.end(), std::back_inserter(deviceCalls),
                 [](const std::string& call) { return call != "lock" && call != "unlock"; });
    const std::vector<std::string> tail(deviceCalls.end() - 4, deviceCalls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"stop", "close", "open 44100 2", "start"}));
    EXPECT_GT(musicBeforePause, 0u);
    EXPECT_EQ(run.session.sound.musicPosition(), musicBeforePause);
    device.pull(1000);
    EXPECT_EQ(run.session.sound.musicPosition(), musicBeforePause + 1000);
    // The half second paused (27.5 frame units) is no step of the animation.
    EXPECT_GE(firstStepAfterPause, 0.0f);
    EXPECT_LT(firstStepAfterPause, 5.0f);
    const std::string at = Log::line(double(musicBeforePause) / SoundSystem::kSampleRate);
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Paused: displays off, music at " + at + " s"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Resumed: displays on, music at " + at + " s"),
              lines.end());
}

// While nothing is drawn a key, a left click or a mouse jump still ends the run at once; the system
// going to sleep pauses as the displays going off do, and waking alone does not resume while the
// displays stay off.
TEST_F(UnseenPause, TheExitRulesHoldWhileNothingIsDrawn) {
    struct Case {
        const char* name;
        std::vector<WindowEvent> pause;  // the events that pause the run, in the first pass
        std::function<void(platform::FakeVideoBackend&)> exit;
    };
    const std::vector<Case> cases = {
        {"key",
         {WindowEvent::DisplaysOff},
         [](auto& fake) { fake.queue.push_back(WindowEvent::CloseOrKey); }},
        {"click", {WindowEvent::SystemSuspending}, [](auto& fake) { fake.leftButton = true; }},
        {"mouse jump",
         {WindowEvent::DisplaysOff, WindowEvent::SystemSuspending, WindowEvent::SystemResumed},
         [](auto& fake) { fake.cursor.x += 31; }},
    };
    for (const Case& test : cases) {
        FakeAudioLog device;
        PausableSession run(device);
        run.fake.queue.assign(test.pause.begin(), test.pause.end());
        int emptyWaits = 0;
        run.fake.afterEmptyWait = [&] {
            EXPECT_TRUE(run.session.sound.musicPaused()) << test.name;
            if (++emptyWaits == 2) test.exit(run.fake);
        };
        runFrameLoop(run.session, run.view);
        EXPECT_EQ(currentRunMode(), RunMode::Quit) << test.name;
        EXPECT_EQ(run.session.frame.framesDrawn, 0) << test.name;
        EXPECT_EQ(emptyWaits, 2) << test.name;
    }
}

}  // namespace
