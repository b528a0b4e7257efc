#pragma once
// Drawing into a window that another program owns, as a screensaver framework's modules do
// (XScreenSaver's "hacks"): the framework hands over a window, owns all input, starts one copy per
// monitor and ends each copy with SIGTERM.
//
//   frameworkFlagsApply       whether a framework's own flags and variable are read at all
//   createHostWindowBackend   the video backend over the host's window
//   takeMusicLock             which of the copies running side by side plays the music
//   shareLogFile              how those copies share one log (in platform::stateFolder())

#include <cstdint>
#include <memory>
#include <string>

#include "platform/window.h"

namespace platform {

// True where a framework hands its modules flags of its own (XScreenSaver on X11: -root, -window-id,
// -fps and the XSCREENSAVER_WINDOW variable). False on Windows, where a word with one dash is a
// screensaver switch as the system hands it, and no framework names a window in the environment.
bool frameworkFlagsApply();

// A backend that draws with GL into the existing X11 window `hostWindow` (0: the root window of the
// default screen). openWindow ignores the requested size and full-screen flag: the picture takes the
// host window's size and follows it (a Resized event each time it changes). It never changes the
// display mode, the cursor or the gamma ramp, and reads no input (the host keeps it all); the
// host window's destruction is a quit request. openWindow fails when the window does not exist.
// Null on Windows, which has no such framework.
std::unique_ptr<VideoBackend> createHostWindowBackend(std::uint32_t hostWindow);

// True for the first copy (of this user's copies running now) to ask, false for the others. The
// lock is a file lock in $XDG_RUNTIME_DIR (a named mutex on Windows), held until the process ends,
// however it ends. True as well when no lock can be made: a copy that cannot agree with others plays
// (host_window.cpp).
bool takeMusicLock();

// Readies the file at `path` for a log that copies running side by side all append to: the first of
// them to get here empties it, the others wait until it has. Creates the file if needed; does nothing
// when it cannot be opened. The caller then opens it for appending.
void shareLogFile(const std::string& path);

// --- The backend's part ---

enum class MusicLock {
    Taken,          // this process holds it now (and keeps it), also when it took it earlier
    HeldByAnother,  // another copy holds it
    NotToBeHad,     // no lock could be made (no folder for it, no mutex)
};
MusicLock lockMusic();

}  // namespace platform
