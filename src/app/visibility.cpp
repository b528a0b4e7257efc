#include "app/visibility.h"

#include "app/frame_loop.h"
#include "app/run_session.h"
#include "core/log.h"
#include "core/run_mode.h"
#include "platform/clock.h"

namespace {

const char* reasonFor(platform::WindowEvent event) {
    switch (event) {
        case platform::WindowEvent::DisplaysOff:
            return "displays off";
        case platform::WindowEvent::DisplaysOn:
            return "displays on";
        case platform::WindowEvent::SystemSuspending:
            return "system going to sleep";
        case platform::WindowEvent::SystemResumed:
            return "system awake";
        case platform::WindowEvent::WindowsHidden:
            return "windows not shown";
        case platform::WindowEvent::WindowsShown:
            return "windows shown";
        default:
            return "";
    }
}

// Seconds of music played since it started or last looped.
double musicSeconds(const SoundSystem& sound) {
    return double(sound.musicPosition()) / SoundSystem::kSampleRate;
}

}  // namespace

bool Visibility::apply(platform::WindowEvent event) {
    const bool before = seen();
    switch (event) {
        case platform::WindowEvent::DisplaysOff:
            displaysOn_ = false;
            break;
        case platform::WindowEvent::DisplaysOn:
            displaysOn_ = true;
            break;
        case platform::WindowEvent::SystemSuspending:
            systemAsleep_ = true;
            break;
        case platform::WindowEvent::SystemResumed:
            systemAsleep_ = false;
            break;
        case platform::WindowEvent::WindowsHidden:
            windowsShown_ = false;
            break;
        case platform::WindowEvent::WindowsShown:
            windowsShown_ = true;
            break;
        default:
            break;
    }
    return seen() != before;
}

void followVisibility(RunSession& session, platform::WindowEvent event) {
    FrameLoopState& frame = session.frame;
    if (!frame.visibility.apply(event)) return;
    if (!frame.visibility.seen()) {
        session.sound.pauseMusic();
        if (session.sound.musicPaused())
            logLine("Paused: ", reasonFor(event), ", music at ", musicSeconds(session.sound), " s");
        else
            logLine("Paused: ", reasonFor(event));
        return;
    }
    // Measured from now: the next step is one frame's, not the pause.
    frame.timer.resume();
    frame.pacer.initialise(frame.pacer.cap(), frame.pacer.swapPaces());
    const bool musicWasPaused = session.sound.musicPaused();
    if (!session.sound.resumeMusic()) {
        logLine("Resumed: ", reasonFor(event), ", the sound device would not open, trying again every ",
                kMusicDeviceRetryMilliseconds / 1000, " s");
        frame.musicDeviceRetry = platform::PollSchedule(kMusicDeviceRetryMilliseconds);
        frame.musicDeviceRetry.due(platform::tickCount());
        frame.musicDeviceTries = 1;
    } else if (musicWasPaused) {
        logLine("Resumed: ", reasonFor(event), ", music at ", musicSeconds(session.sound), " s");
    } else {
        logLine("Resumed: ", reasonFor(event));
    }
}

void retryMusicDevice(RunSession& session) {
    FrameLoopState& frame = session.frame;
    if (!session.sound.musicWaitingForDevice() || !frame.musicDeviceRetry.due(platform::tickCount())) return;
    ++frame.musicDeviceTries;
    if (session.sound.retryMusicDevice())
        logLine("Music resumed: the sound device opened at try ", frame.musicDeviceTries, ", music at ",
                musicSeconds(session.sound), " s");
}

void pollInputWhileUnseen(RunSession& session) {
    pollInput(session);
    FrameLoopState& frame = session.frame;
    if (!frame.exitOnMouseMove) return;
    const platform::CursorPosition now = session.video().cursorPosition();
    if (cursorJumped(frame.previousCursor, now)) requestQuit();
    frame.previousCursor = now;
}
