#pragma once
// What making Glimmerdale the desktop's screensaver needs from the system: what kind of session this
// is, the user's files, XScreenSaver's command, and the idle launcher's processes.
//
//   DesktopSession, currentDesktopSession   Wayland or X11, XScreenSaver installed, desktop name
//   readTextFile, replaceTextFile, removeFile   the user's files, written whole or not at all
//   restartXScreenSaver                     a running XScreenSaver reads its preferences again
//   startDetached, stopOwnProcesses         the idle launcher started now, or ended

#include <string>
#include <vector>

namespace platform {

struct DesktopSession {
    bool wayland = false;                // $WAYLAND_DISPLAY is set (a Wayland session)
    bool x11 = false;                    // $DISPLAY is set
    bool xscreensaverInstalled = false;  // the xscreensaver daemon is on this system
    std::string desktop;                 // $XDG_CURRENT_DESKTOP, e.g. "GNOME", "KDE", "sway"
    std::string home;                    // the user's home folder ("" when unknown)
    std::string configFolder;            // $XDG_CONFIG_HOME, else ~/.config
};
DesktopSession currentDesktopSession();

// The full path of this program's executable file; "" when it cannot be told.
std::string ownExecutablePath();

enum class FileRead { Ok, Missing, Failed };
FileRead readTextFile(const std::string& path, std::string& text);
// Replaces the file with `text` in one rename (making its folder when needed), keeping the old file's
// permissions. False, with the file as it was, on any failure.
bool replaceTextFile(const std::string& path, const std::string& text);
// True when the file is gone afterwards (also when it never existed).
bool removeFile(const std::string& path);

// Whether an XScreenSaver daemon answers on this display, and asking it to restart, which makes it
// read ~/.xscreensaver again. False when none answers.
bool xscreensaverRunning();
bool restartXScreenSaver();

// Starts the program with `arguments` (arguments[0] is the program) in its own session, not waiting
// for it. False when it could not be started.
bool startDetached(const std::vector<std::string>& arguments);
// Asks every process of this user with the process name `name` to end (SIGTERM); returns how many.
int stopOwnProcesses(const std::string& name);
// How many processes of this user carry the process name `name`.
int countOwnProcesses(const std::string& name);

}  // namespace platform
