#pragma once
// Whether any display shows the screensaver: every display off, the system asleep, or the
// compositor no longer showing the windows (as under a Wayland session lock) make it unseen. While
// it is, the frame loop draws nothing and sleeps between events, and the music pauses
// (frame_loop.h).
//
//   Visibility                     the displays' power, the system's sleep and the windows' being
//                                  shown as reported, and the verdict
//   kUnseenWaitMilliseconds        how long a pass that draws nothing sleeps at most for an event
//   kMusicDeviceRetryMilliseconds  after a resume whose sound device would not open: tried again

#include "platform/events.h"

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
