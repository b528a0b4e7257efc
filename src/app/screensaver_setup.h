#pragma once
// Making Glimmerdale the screensaver of the Linux desktop at hand, and undoing it. What starts
// Glimmerdale is decided from what runs in this session, never from what is installed:
//
//   an XScreenSaver daemon on this display      ~/.xscreensaver lists and selects Glimmerdale
//   MATE's screensaver (org.mate.ScreenSaver)    its theme "screensavers-glimmerdale", chosen in
//                                                GSettings org.mate.screensaver (mode, themes)
//   Xfce's screensaver (org.xfce.ScreenSaver)    the same theme, chosen in xfconf's channel
//                                                xfce4-screensaver (/saver/mode, /saver/themes/list)
//   anything else (GNOME, KDE, Cinnamon, sway,   the idle launcher, started at each log-in by an XDG
//   bare window managers, XScreenSaver not running)  autostart entry and started now
//
// What a setting held before is kept (settings/setup_record.h); undoing takes away every trace of
// every kind, whichever session it runs in, and puts those values back. Nothing of the desktop's
// own timing is changed: when the desktop blanks or locks the screen before Glimmerdale's delay,
// the messages say so, with both numbers and what to change.
//
//   ScreensaverHost, DesktopFacts, chooseScreensaverHost   who starts Glimmerdale here (pure)
//   DesktopDelay, delayWarnings, durationText              the desktop's own delays compared (pure)
//   gatherDesktopFacts, hostDelaySeconds, desktopDelays    the same read from this session
//   findSetupTraces                                        what the set-up left, for --screensaver-status
//   setUpDesktopScreensaver, runDesktopSetup               --set/--unset-as-screensaver, the dialog's buttons
//   setUpXScreenSaverFile                                  the ~/.xscreensaver part of it alone
//   desktopDelayNotice                                     the options dialog's line about those delays
//   the names of the files and settings the set-up writes

#include <string>
#include <vector>

struct Settings;

inline constexpr char kAutostartEntryName[] = "glimmerdale-idle-launcher.desktop";
inline constexpr char kSetupRecordName[] = "screensaver-setup.txt";
inline constexpr char kXScreenSaverBackupSuffix[] = ".glimmerdale-backup";
// The theme id MATE and Xfce give the package's screensavers/glimmerdale.desktop.
inline constexpr char kScreensaverThemeId[] = "screensavers-glimmerdale";

enum class ScreensaverHost { XScreenSaver, Mate, Xfce, IdleLauncher };

struct DesktopFacts {
    bool x11 = false, wayland = false;  // $DISPLAY, $WAYLAND_DISPLAY
    bool xscreensaverRunning = false;   // a daemon answers on this display
    bool xscreensaverInstalled = false;
    bool mateRunning = false;  // org.mate.ScreenSaver has an owner on the session bus
    bool xfceRunning = false;  // org.xfce.ScreenSaver has an owner
    std::string desktop;       // $XDG_CURRENT_DESKTOP
};
ScreensaverHost chooseScreensaverHost(const DesktopFacts& facts);
// What was found, for the messages: "XScreenSaver runs on this display", "no screensaver runs in
// this session (GNOME on Wayland; XScreenSaver is installed but does not run)", ...
std::string describeFindings(const DesktopFacts& facts, ScreensaverHost host);
DesktopFacts gatherDesktopFacts();

// One of the desktop's own timers: who, whether it blanks or locks the screen, after how many
// seconds without input, and where to change it.
struct DesktopDelay {
    enum class Effect { Blanks, Locks };
    std::string who;  // "GNOME", "KDE", "the X server", ...
    Effect effect = Effect::Blanks;
    unsigned seconds = 0;
    std::string where;    // where to change it, for the user
    std::string setting;  // the setting's short name, for the options dialog's one line
};
// The sentences for the delays that come no later than Glimmerdale's `ourSeconds` (0 seconds: the
// timer is off and never comes), in the order given: "GNOME blanks the screen after 5 minutes,
// before Glimmerdale's 10 minutes: ...".
std::vector<std::string> delayWarnings(const std::vector<DesktopDelay>& delays, unsigned ourSeconds);
// The same for the options dialog's one line, for the first such delay ("" when none comes first).
std::string briefDelayWarning(const std::vector<DesktopDelay>& delays, unsigned ourSeconds);
// "1 minute", "10 minutes", "90 seconds", "1 minute 30 seconds", "2 hours".
std::string durationText(unsigned seconds);

// After how many seconds without input `host` starts Glimmerdale, and where that is set; false when
// it cannot be read (then `seconds` holds the framework's default).
bool hostDelaySeconds(ScreensaverHost host, const Settings& settings, unsigned& seconds, std::string& where);
// The timers of this session's desktop that may come before Glimmerdale starts.
std::vector<DesktopDelay> desktopDelays(const DesktopFacts& facts);

// Which of the set-up's traces this user has now, whatever session made them.
struct SetupTraces {
    bool xscreensaverSelects = false;  // ~/.xscreensaver lists and selects Glimmerdale
    bool mateSelects = false;          // MATE's screensaver shows only Glimmerdale's theme
    bool xfceSelects = false;          // so does Xfce's
    bool themeRunnable = false;        // MATE and Xfce find the theme and may run its program
    std::string autostartEntry;        // the launcher's autostart entry, "" when there is none
};
SetupTraces findSetupTraces();

struct DesktopSetupResult {
    bool done = false;    // done, or nothing was left to do
    std::string message;  // what was found and done, or why nothing could be: sentences for the user
    std::string summary;  // the gist in one short line, for the options dialog
};

// Makes Glimmerdale the screensaver (`use`) or undoes that. `configDir` is handed on to the idle
// launcher ("" for the usual settings folder); `settings` gives the idle delay.
DesktopSetupResult setUpDesktopScreensaver(bool use, const std::string& configDir, const Settings& settings);

// The XScreenSaver part alone, whatever runs: ~/.xscreensaver in `home` lists and selects `program`
// (`use`), or lists it no more, with the selection before given back (the record of it in the state
// folder follows).
DesktopSetupResult setUpXScreenSaverFile(bool use, const std::string& home, const std::string& program);

// --set-as-screensaver (`use`) and --unset-as-screensaver: prints the result's message (on stderr
// when not done) and returns the process exit code, 0 when done and 1 otherwise.
int runDesktopSetup(bool use, const std::string& configDir, const Settings& settings);

// The options dialog's line about the desktop's own delays for the screensaver that starts
// Glimmerdale here (briefDelayWarning), or "" when none comes first.
std::string desktopDelayNotice(const Settings& settings);
