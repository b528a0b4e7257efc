// The frame loop while no display shows the screensaver, on real GL with the fake display and a fake
// audio device: nothing drawn and the loop asleep in waits, the music paused and resumed where it
// was, no long step after the pause, and the exit rules as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
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

class BlankView final : public FrameView {
public:
    void drawCapturePass(RunSession&, float) override {}
    void drawScene(RunSession&, float) override {}
    void drawGlassPass(RunSession&, float) override {}
};

FileBuffer readTone(const char*) { return testsupport::copyToFileBuffer(makeOggTone(44100)); }

// A session on the fake display with the music playing into `device`, its loop about to start.
class UnseenPause : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.create(256, 256)) << gl.error();
        theLog().open(logPath);
        session.window.fullscreen = false;
        ASSERT_TRUE(createGLWindow(session.window, "Glimmerdale", 256, 256));
        session.startGraphics();
        session.sound.startMusic(true, 100, readTone);
        setRunMode(RunMode::Run);
    }
    void TearDown() override {
        session.release();
        glDeleteTextures(1, &session.window.captureTexture);
    }
    bool logged(const std::string& wanted) {
        std::ifstream in(logPath);
        for (std::string line; std::getline(in, line);)
            if (line == wanted) return true;
        return false;
    }

    std::string logPath = ::testing::TempDir() + "unseen_pause_log.txt";
    platform::TestGLContext gl;
    FakeAudioLog device;
    platform::FakeVideoBackend fake;
    SettingsStore settings{""};
    LaunchOptions options;
    MediaPack media;
    RunSession session{settings, options, media, fake, fakeOutputFactory(device)};
    BlankView view;
};

TEST_F(UnseenPause, NothingIsDrawnAndTheMusicRestsUntilADisplayShowsItAgain) {
    session.frame.frameLimit = 8;
    std::uint32_t musicAtPause = 0;
    float stepAfterPause = -1.0f;
    // After frame 3 (initGL's black picture was the first swap) the displays go off; they stay off
    // for three empty waits and half a second (27.5 frame units), then come back on.
    fake.afterSwap = [&] {
        if (fake.swaps == 1 + 3) {
            device.pull(3000);
            musicAtPause = session.sound.musicPosition();
            fake.queue = {WindowEvent::DisplaysOff, WindowEvent::Ignored};
        }
        if (fake.swaps == 1 + 4) stepAfterPause = session.frame.timer.history[FrameTimer::kHistory - 1];
    };
    int emptyWaits = 0;
    fake.afterEmptyWait = [&] {
        EXPECT_FALSE(device.running);
        if (++emptyWaits < 3) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        fake.queue.push_back(WindowEvent::DisplaysOn);
    };

    runFrameLoop(session, view);

    EXPECT_EQ(session.frame.framesDrawn, 8);
    // Not one swap from the first wait to the last: the loop slept in waits of a real length.
    const auto firstWait = std::find(fake.calls.begin(), fake.calls.end(), "waitEvent");
    const auto lastWait = std::find(fake.calls.rbegin(), fake.calls.rend(), "waitEvent").base();
    EXPECT_EQ(std::count(firstWait, lastWait, "swapBuffers"), 0);
    EXPECT_EQ(fake.waits, 1 + 3 + 1);  // the Ignored, the empty ones, the DisplaysOn
    EXPECT_GT(fake.shortestWaitTimeout, 0);
    // The device, closed for the pause, plays again, and the music goes on from its place.
    EXPECT_TRUE(device.running);
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "open 44100 2"), 2);
    ASSERT_GT(musicAtPause, 0u);
    device.pull(1000);
    EXPECT_EQ(session.sound.musicPosition(), musicAtPause + 1000);
    EXPECT_GE(stepAfterPause, 0.0f);
    EXPECT_LT(stepAfterPause, 5.0f);
    const std::string at = Log::line(double(musicAtPause) / SoundSystem::kSampleRate);
    EXPECT_TRUE(logged("Paused: displays off, music at " + at + " s"));
    EXPECT_TRUE(logged("Resumed: displays on, music at " + at + " s"));
}

// After waking the sound server may not be back: the music is not left silent for the rest of the
// run, its device is tried again until it opens, and the log says so both times.
TEST_F(UnseenPause, ASoundDeviceThatWillNotOpenAfterWakingIsTriedAgain) {
    session.frame.frameLimit = 100000;
    device.pull(2000);
    const std::uint32_t musicAtSleep = session.sound.musicPosition();
    fake.queue = {WindowEvent::SystemSuspending};
    fake.afterEmptyWait = [&] {
        device.openFails = true;
        fake.queue.push_back(WindowEvent::SystemResumed);
    };
    int swapsSilent = 0;
    fake.afterSwap = [&] {
        if (!device.running) ++swapsSilent;
        device.openFails = false;  // back after the first try
        if (device.running) requestQuit();
    };
    const auto started = std::chrono::steady_clock::now();
    runFrameLoop(session, view);
    EXPECT_GE(std::chrono::steady_clock::now() - started,
              std::chrono::milliseconds(kMusicDeviceRetryMilliseconds));
    EXPECT_GT(swapsSilent, 1);  // the room went on meanwhile
    EXPECT_TRUE(device.running);
    EXPECT_EQ(session.sound.musicPosition(), musicAtSleep);
    EXPECT_TRUE(logged("Resumed: system awake, the sound device would not open, trying again every 2 s"));
    EXPECT_TRUE(logged("Music resumed: the sound device opened at try 2, music at " +
                       Log::line(double(musicAtSleep) / SoundSystem::kSampleRate) + " s"));
}

// While nothing is drawn a key, a left click or a mouse jump still ends the run at once. The system
// going to sleep, or the compositor no longer showing the windows, pauses as the displays going off
// do; waking alone resumes nothing while they stay off.
struct ExitCase {
    const char* name;
    std::vector<WindowEvent> pause;
    void (*exit)(platform::FakeVideoBackend&);
};
class UnseenExit : public UnseenPause, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(UnseenExit, EndsTheRunWithoutAFrame) {
    fake.queue.assign(GetParam().pause.begin(), GetParam().pause.end());
    int emptyWaits = 0;
    fake.afterEmptyWait = [&] {
        EXPECT_TRUE(session.sound.musicPaused());
        if (++emptyWaits == 2) GetParam().exit(fake);
    };
    runFrameLoop(session, view);
    EXPECT_EQ(currentRunMode(), RunMode::Quit);
    EXPECT_EQ(session.frame.framesDrawn, 0);
    EXPECT_EQ(emptyWaits, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UnseenExit,
    ::testing::Values(
        ExitCase{"key",
                 {WindowEvent::DisplaysOff},
                 [](platform::FakeVideoBackend& fake) { fake.queue.push_back(WindowEvent::CloseOrKey); }},
        ExitCase{"keyUnderALock",
                 {WindowEvent::WindowsHidden},
                 [](platform::FakeVideoBackend& fake) { fake.queue.push_back(WindowEvent::CloseOrKey); }},
        ExitCase{"click",
                 {WindowEvent::SystemSuspending},
                 [](platform::FakeVideoBackend& fake) { fake.leftButton = true; }},
        ExitCase{"jump",
                 {WindowEvent::DisplaysOff, WindowEvent::SystemSuspending, WindowEvent::SystemResumed},
                 [](platform::FakeVideoBackend& fake) { fake.cursor.x += 31; }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
