#pragma once
// What making Glimmerdale the desktop's screensaver needs from the system: what runs in this
// session, the user's files, the desktop's own settings and the commands of its screensavers.
//
//   DesktopSession, currentDesktopSession   Wayland or X11, desktop name, the user's folders
//   xscreensaverRunning, xscreensaverInstalled, sessionBusNameOwned   what runs in this session
//   readTextFile, replaceTextFile, createTextFile, removeFile          the user's files
//   isExecutableFile, findProgramInPath, sameFile, readKeyFileValue    programs and desktop entries
//   readDesktopSetting, writeDesktopSetting, resetDesktopSetting       GSettings (MATE, GNOME)
//   readXfconfProperty, writeXfconfProperty, resetXfconfProperty       Xfce's settings store
//   restartXScreenSaver, startDetached                                 commands
//   SetupTurn                                                          one set-up at a time

#include <string>
#include <vector>

namespace platform {

struct DesktopSession {
    bool wayland = false;      // $WAYLAND_DISPLAY is set (a Wayland session)
    bool x11 = false;          // $DISPLAY is set
    std::string desktop;       // $XDG_CURRENT_DESKTOP, e.g. "GNOME", "KDE", "sway"
    std::string home;          // the user's home folder ("" when unknown)
    std::string configFolder;  // $XDG_CONFIG_HOME, else ~/.config
    // Where desktop entries are looked for, first match standing: $XDG_DATA_HOME (else
    // ~/.local/share), then $XDG_DATA_DIRS (else /usr/local/share and /usr/share).
    std::vector<std::string> dataFolders;
};
DesktopSession currentDesktopSession();

// Whether an XScreenSaver daemon answers on this display ("xscreensaver-command -version"), and
// whether its program is installed at all (which says nothing about whether it runs).
bool xscreensaverRunning();
bool xscreensaverInstalled();
// Whether `name` has an owner on the session bus (asked without starting anything). False when
// there is no session bus.
bool sessionBusNameOwned(const std::string& name);

enum class FileRead { Ok, Missing, Failed };
FileRead readTextFile(const std::string& path, std::string& text);

enum class FileWrite {
    Written,
    NotWritable,  // the file (or the file a symbolic link points to) may not be written: left alone
    Failed,       // anything else went wrong: the file is as it was
};
// Replaces the file's text in one rename, keeping its permissions (0644 for a new file, whose
// folder is made when needed). A symbolic link is written through: the link stays, and the file it
// points to gets the text.
FileWrite replaceTextFile(const std::string& path, const std::string& text);
// Writes a new file; false, changing nothing, when one is there already or it cannot be written.
bool createTextFile(const std::string& path, const std::string& text);
// True when the file is gone afterwards (also when it never existed).
bool removeFile(const std::string& path);

bool isExecutableFile(const std::string& path);
// The program `name` as the session's PATH finds it; "" when it does not.
std::string findProgramInPath(const std::string& name);
// Whether both paths name one file (links followed). False when either does not exist.
bool sameFile(const std::string& first, const std::string& second);
// The value of `key` in `group` of a key file such as a desktop entry, with the string escapes
// undone. False when the file, group or key is not there.
bool readKeyFileValue(const std::string& path, const std::string& group, const std::string& key,
                      std::string& value);

// A desktop's own setting, read and written in GLib's text form of its value ("'single'",
// "['screensavers-glimmerdale']", "300", "true").
enum class SettingRead {
    Set,          // the user (or a program) set it: `value` holds it
    NotSet,       // nobody did: `value` holds the default that applies
    Unavailable,  // no such setting here (the schema is not installed, the service does not run)
};
// GSettings (MATE's org.mate.screensaver, GNOME's org.gnome.desktop.session, ...).
SettingRead readDesktopSetting(const std::string& schema, const std::string& key, std::string& value);
// False when the schema or key is missing or `value` does not read as the key's type.
bool writeDesktopSetting(const std::string& schema, const std::string& key, const std::string& value);
bool resetDesktopSetting(const std::string& schema, const std::string& key);
// Xfce's settings store (xfconf) over the session bus. NotSet: the property does not exist (then
// `value` is empty). Reading starts the store when it does not run only with `startStore`; writing
// may start it.
SettingRead readXfconfProperty(const std::string& channel, const std::string& property, std::string& value,
                               bool startStore = false);
bool writeXfconfProperty(const std::string& channel, const std::string& property, const std::string& value);
bool resetXfconfProperty(const std::string& channel, const std::string& property);

// Asks a running XScreenSaver to restart, which makes it read ~/.xscreensaver again. False when none
// answers.
bool restartXScreenSaver();

// Starts the program with `arguments` (arguments[0] is the program) in its own session, not waiting
// for it (it is reaped while the GLib main loop runs, else when this process ends). Returns its
// process id, 0 when it could not be started.
int startDetached(const std::vector<std::string>& arguments);

// One set-up of this user at a time: made, it waits until no other one (another process, a second
// click) holds the turn, and holds it until destroyed. Two set-ups side by side would each stop the
// launcher the other just started, or see theirs stand down for the other's, and say that nothing
// starts Glimmerdale. The kernel lets go however this process ends. Without a state folder to keep
// the turn in, nothing is waited for.
class SetupTurn {
public:
    SetupTurn();
    ~SetupTurn();
    SetupTurn(const SetupTurn&) = delete;
    SetupTurn& operator=(const SetupTurn&) = delete;

private:
    int lock_ = -1;
};

}  // namespace platform
