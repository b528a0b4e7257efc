#pragma once
// The idle launcher: a small resident program for desktops without a screensaver framework
// (Wayland's GNOME, KDE and wlroots desktops, X11 without XScreenSaver). It waits until the user has
// been idle for the delay, starts Run mode full screen as a child process, and is ready again after
// the next input once Run mode has ended (the user's input ends Run mode as always). It starts
// nothing while the session is locked, while an application holds off idle, or while Run mode runs
// already, and it ends Run mode when the desktop locks or blanks the screen itself, or is asked to
// lock it. When an inhibition ends and the user is still idle, Run mode starts once the delay has
// passed again, counted from the end of the inhibition (as the compositors' and the X server's own
// idle timers count). Optionally it has the session locked after some minutes of Run mode.
//
//   IdleLauncherRules   what to do about each thing the desktop reports (portable, clock given)
//   lockAfterText       what became of the last lock-after request, in words
//   runIdleLauncher     the resident program over the platform's desktop watch

#include <cstdint>

struct LaunchOptions;

// The launcher's process name, which no copy of the screensaver counts as a copy of itself.
inline constexpr char kIdleLauncherProcessName[] = "gd-idle-launch";
class SettingsStore;

// The desktop's reports only change the rules' state (the note... functions); what to do comes from
// startRunModeIfAllowed, when the desktop says the user is idle, and from nextAction, which the
// launcher asks after every report and at least once a second. Every time is the millisecond tick,
// which wraps after 49.7 days.
class IdleLauncherRules {
public:
    enum class Action {
        None,
        EndRunMode,             // ask Run mode to end (SIGTERM)
        ForceEndRunMode,        // end it at once: asked more than kEndGraceMilliseconds ago
        CheckInhibition,        // ask the desktop whether the inhibition still holds; noteInhibition
        TryStartAgain,          // the inhibition has been over for the delay: startRunModeIfAllowed
        LockSession,            // ask logind to lock the session (lock after N minutes of Run mode)
        ReportLockNotAnswered,  // no locker answered within kLockAnswerMilliseconds: say so
    };
    // Why an idle spell started Run mode or not.
    enum class IdleOutcome { Started, Locked, Inhibited, AlreadyRunning, WaitingForInput };
    // What became of the last request to lock the session after Run mode ran for the lock-after time.
    enum class LockAfter { Off, NotAsked, Waiting, Locked, NotAnswered, CouldNotAsk };

    // How long Run mode has to end after being asked before it is ended by force.
    static constexpr std::uint32_t kEndGraceMilliseconds = 3000;
    // How often an inhibition that holds back an idle spell is asked about.
    static constexpr std::uint32_t kInhibitionCheckMilliseconds = 1000;
    // How long a locker has to answer a lock request (LockedHint, ActiveChanged).
    static constexpr std::uint32_t kLockAnswerMilliseconds = 5000;

    // `delayMilliseconds`: the idle delay; `lockAfterMilliseconds`: Run mode's time before the session
    // is to be locked, 0 for never.
    IdleLauncherRules(std::uint32_t delayMilliseconds, std::uint32_t lockAfterMilliseconds);

    // --- what the desktop reported ---
    void noteIdle();
    void noteInput();
    // The session's lock (or the desktop's blanking) as it stands now.
    void noteLocked(bool locked);
    // logind asks the session's locker to lock it. Run mode goes, unless the launcher itself asked
    // and waits for a locker to answer.
    void noteLockRequested();
    // The answer to CheckInhibition.
    void noteInhibition(bool held, std::uint32_t now);
    void noteRunModeEnded();
    // The child could not be started after all.
    void noteStartFailed();
    // The lock the launcher asked for could not be asked (no logind session).
    void noteLockNotAsked();
    // The launcher is to end: Run mode has to go first, and nothing else is done any more.
    void noteStopping();

    // Starts Run mode when nothing holds it back: Started, and the caller starts the child now. An
    // idle spell held back by an inhibition is looked at again (CheckInhibition, TryStartAgain).
    // `inhibited`: an application holds off idle now; `otherCopyRunning`: Run mode runs already,
    // started by someone else.
    IdleOutcome startRunModeIfAllowed(std::uint32_t now, bool inhibited, bool otherCopyRunning);

    // The next thing to do at `now`, noted as done; None when nothing is due. Asked again until None.
    Action nextAction(std::uint32_t now);
    // Whether time alone can make an action due (Run mode runs, an inhibition holds a spell back, a
    // locker is awaited); otherwise only a report changes what is due, and the launcher may sleep.
    bool waitsForTheClock() const;

    bool runModeRunning() const { return running_; }
    bool ready() const { return ready_; }
    LockAfter lockAfter() const { return lockAfter_; }

private:
    std::uint32_t delay_;
    std::uint32_t lockAfterTime_;
    bool idle_ = false;  // the idle source says idle, and no input since
    bool locked_ = false;
    bool running_ = false;
    bool ready_ = true;             // no Run mode since the last input
    bool inputSinceStart_ = false;  // input came while Run mode ran
    bool endWanted_ = false;        // Run mode has to go (a lock, the launcher's end)
    bool stopping_ = false;
    bool ending_ = false;  // asked to end, not yet ended
    bool forced_ = false;
    std::uint32_t endAskedAt_ = 0;
    // An idle spell that an inhibition held back, and when that inhibition was last asked about or
    // found over.
    bool heldBack_ = false;
    bool inhibitionOver_ = false;
    std::uint32_t inhibitionCheckedAt_ = 0;
    std::uint32_t inhibitionOverAt_ = 0;
    // The lock after the lock-after time of Run mode: once per run.
    std::uint32_t runStartedAt_ = 0;
    bool lockAskedThisRun_ = false;
    std::uint32_t lockAskedAt_ = 0;
    LockAfter lockAfter_;
};

// "off", "not asked yet", "asked, waiting for a locker", "the session locked", "no locker answered,
// the session is not locked", "could not ask: no logind session".
const char* lockAfterText(IdleLauncherRules::LockAfter state);

// The resident program: `--idle-launcher`, with `--idle-seconds N` over the stored idle delay and
// `--lock-after-seconds N` over the stored lock-after minutes. Returns the process exit code: 0 after
// SIGTERM, SIGINT or SIGHUP, 1 when the desktop offers no idle signal or its idle source went away (the
// session ended).
int runIdleLauncher(const LaunchOptions& options, const SettingsStore& settings);
