#pragma once
// Whether any display shows the screensaver, and what Run mode does while none does (every display
// off, the system asleep, or the compositor no longer showing the windows, as under a Wayland
// session lock): it draws
// nothing and sleeps between events instead, and the music pauses. When a display shows it again the
// music goes on from where it was and the frame timer measures from then, so the pause never becomes
// a step of the animation; the clock and the countdown show the time it is. The exit rules hold
// throughout: a key, a click or a mouse jump ends the run at once.
//
//   Visibility                 the displays' power and the system's sleep as reported, and the verdict
//   followVisibility           the frame loop's rule for each event it takes
//   pollInputWhileUnseen       the exit rules on a pass that draws nothing
//   kUnseenWaitMilliseconds    how long such a pass sleeps at most, waiting for an event
//   retryMusicDevice           after a resume whose sound device would not open: tried again

#include "platform/events.h"

class RunSession;

class Visibility {
public:
    // Notes a display-power, sleep or windows-shown event (others change nothing); true when the
    // event changed whether the screensaver is seen.
    bool apply(platform::WindowEvent event);
    // False while every display is off, the system sleeps or the windows are not shown.
    bool seen() const { return displaysOn_ && !systemAsleep_ && windowsShown_; }

private:
    bool displaysOn_ = true;
    bool systemAsleep_ = false;
    bool windowsShown_ = true;
};

// Short enough that a signal asking the loop to end is heard at once, long enough to cost nothing.
constexpr int kUnseenWaitMilliseconds = 200;
// After waking, a sound server may take a while to come back.
constexpr unsigned kMusicDeviceRetryMilliseconds = 2000;

// For each event the frame loop takes: when it changes whether the screensaver is seen, pauses the
// session (music paused; "Paused: " and the reason in the log) or resumes it (music resumed, frame
// timer and pacer measuring from now; "Resumed: " and the reason, or that the sound device would
// not open and is tried again).
void followVisibility(RunSession& session, platform::WindowEvent event);

// Once per drawn frame: while the music waits for its sound device, opens it again every
// kMusicDeviceRetryMilliseconds; "Music resumed: the sound device opened at try N, ..." once it plays.
void retryMusicDevice(RunSession& session);

// A pass that draws nothing still ends the run on a left click or, with the option on, on a mouse
// jump of more than 30 pixels since the last pass.
void pollInputWhileUnseen(RunSession& session);
