#pragma once
// The idle launcher: a small resident program for desktops without a screensaver framework
// (Wayland's GNOME, KDE and wlroots desktops, X11 without XScreenSaver). It waits until the user has
// been idle for the delay, starts Run mode full screen as a child process, and is ready again after
// the next input once Run mode has ended (the user's input ends Run mode as always). It starts
// nothing while the session is locked, while an application holds off idle, or while Run mode runs
// already, and it ends Run mode when the desktop locks or blanks the screen itself.
//
//   IdleLauncherRules   what to do about each thing the desktop reports (portable, clock given)
//   runIdleLauncher     the resident program over the platform's desktop watch

#include <cstdint>

struct LaunchOptions;

// The launcher's process name, which no copy of the screensaver counts as a copy of itself.
inline constexpr char kIdleLauncherProcessName[] = "gd-idle-launch";
class SettingsStore;

class IdleLauncherRules {
public:
    enum class Action { None, StartRunMode, EndRunMode, ForceEndRunMode };
    // Why an idle spell started Run mode or not.
    enum class IdleOutcome { Started, Locked, Inhibited, AlreadyRunning, WaitingForInput };
    // How long Run mode has to end after being asked before it is ended by force.
    static constexpr std::uint32_t kEndGraceMilliseconds = 3000;

    // The user has been idle for the delay. `inhibited`: an application holds off idle now;
    // `otherCopyRunning`: Run mode runs already, started by someone else.
    IdleOutcome idle(bool inhibited, bool otherCopyRunning);
    void active();
    // The session locked (or the desktop blanked the screen): Run mode has to go.
    Action locked(std::uint32_t nowMilliseconds);
    void unlocked();
    // The child could not be started after all.
    void startFailed();
    void runModeEnded();
    // ForceEndRunMode once when Run mode was asked to end more than the grace time ago and has not.
    // The clock is the millisecond tick, which wraps after 49.7 days.
    Action tick(std::uint32_t nowMilliseconds);

    bool runModeRunning() const { return running_; }
    bool ready() const { return ready_; }

private:
    bool locked_ = false;
    bool running_ = false;
    bool ready_ = true;             // no Run mode since the last input
    bool inputSinceStart_ = false;  // input came while Run mode ran
    bool ending_ = false;           // asked to end, not yet ended
    bool forced_ = false;
    std::uint32_t endAskedAt_ = 0;
};

// The resident program: `--idle-launcher`, with `--idle-seconds N` over the stored idle delay.
// Returns the process exit code: 0 after SIGTERM or SIGINT, 1 when the desktop offers no idle signal
// or its idle source went away (the session ended).
int runIdleLauncher(const LaunchOptions& options, const SettingsStore& settings);
