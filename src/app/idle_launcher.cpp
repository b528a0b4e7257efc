#include "app/idle_launcher.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/launch_options.h"
#include "app/single_instance.h"
#include "core/log.h"
#include "platform/clock.h"
#include "platform/desktop_watch.h"
#include "platform/folders.h"
#include "platform/launcher_service.h"
#include "platform/processes.h"
#include "settings/settings.h"

IdleLauncherRules::IdleLauncherRules(std::uint32_t delayMilliseconds, std::uint32_t lockAfterMilliseconds)
    : delay_(delayMilliseconds),
      lockAfterTime_(lockAfterMilliseconds),
      lockAfter_(lockAfterMilliseconds > 0 ? LockAfter::NotAsked : LockAfter::Off) {}

void IdleLauncherRules::noteIdle() { idle_ = true; }

void IdleLauncherRules::noteInput() {
    idle_ = false;
    heldBack_ = false;
    if (running_) {
        inputSinceStart_ = true;
    } else {
        ready_ = true;
    }
}

void IdleLauncherRules::noteLocked(bool locked) {
    locked_ = locked;
    if (!locked) return;
    if (lockAfter_ == LockAfter::Waiting) lockAfter_ = LockAfter::Locked;
    if (running_) endWanted_ = true;
}

void IdleLauncherRules::noteLockRequested() {
    // logind echoes the launcher's own request (sometimes more than once); the lock counts only
    // once a locker answers it.
    if (lockAfter_ == LockAfter::Waiting) return;
    if (running_) endWanted_ = true;
}

void IdleLauncherRules::noteInhibition(bool held, std::uint32_t now) {
    if (!heldBack_) return;
    if (held) {
        inhibitionOver_ = false;
    } else if (!inhibitionOver_) {
        inhibitionOver_ = true;
        inhibitionOverAt_ = now;
    }
}

void IdleLauncherRules::noteRunModeEnded() {
    running_ = false;
    ending_ = false;
    endWanted_ = false;
    // Input during Run mode (the key that ended it, usually) already counts as the next input.
    ready_ = inputSinceStart_;
}

void IdleLauncherRules::noteStartFailed() {
    running_ = false;
    ready_ = false;
}

void IdleLauncherRules::noteLockNotAsked() {
    if (lockAfter_ == LockAfter::Waiting) lockAfter_ = LockAfter::CouldNotAsk;
}

void IdleLauncherRules::noteStopping() {
    stopping_ = true;
    if (running_) endWanted_ = true;
}

IdleLauncherRules::IdleOutcome IdleLauncherRules::startRunModeIfAllowed(std::uint32_t now, bool inhibited,
                                                                        bool otherCopyRunning) {
    heldBack_ = false;
    if (locked_) return IdleOutcome::Locked;
    if (running_ || otherCopyRunning) return IdleOutcome::AlreadyRunning;
    if (!ready_) return IdleOutcome::WaitingForInput;
    if (inhibited) {
        heldBack_ = true;
        inhibitionOver_ = false;
        inhibitionCheckedAt_ = now;
        return IdleOutcome::Inhibited;
    }
    running_ = true;
    ready_ = false;
    inputSinceStart_ = false;
    endWanted_ = ending_ = forced_ = false;
    runStartedAt_ = now;
    lockAskedThisRun_ = false;
    return IdleOutcome::Started;
}

IdleLauncherRules::Action IdleLauncherRules::nextAction(std::uint32_t now) {
    // Unsigned subtraction counts every span across the tick's wrap.
    if (running_ && endWanted_ && !ending_) {
        ending_ = true;
        endAskedAt_ = now;
        return Action::EndRunMode;
    }
    if (running_ && ending_ && !forced_ && now - endAskedAt_ >= kEndGraceMilliseconds) {
        forced_ = true;
        return Action::ForceEndRunMode;
    }
    if (stopping_) return Action::None;
    if (lockAfter_ == LockAfter::Waiting && now - lockAskedAt_ >= kLockAnswerMilliseconds) {
        lockAfter_ = LockAfter::NotAnswered;
        return Action::ReportLockNotAnswered;
    }
    if (running_ && !ending_ && lockAfterTime_ > 0 && !lockAskedThisRun_ &&
        now - runStartedAt_ >= lockAfterTime_) {
        lockAskedThisRun_ = true;
        lockAfter_ = LockAfter::Waiting;
        lockAskedAt_ = now;
        return Action::LockSession;
    }
    if (heldBack_ && idle_ && !running_) {
        if (inhibitionOver_ && now - inhibitionOverAt_ >= delay_) {
            heldBack_ = false;
            return Action::TryStartAgain;
        }
        if (!inhibitionOver_ && now - inhibitionCheckedAt_ >= kInhibitionCheckMilliseconds) {
            inhibitionCheckedAt_ = now;
            return Action::CheckInhibition;
        }
    }
    return Action::None;
}

bool IdleLauncherRules::waitsForTheClock() const {
    return running_ || (heldBack_ && idle_) || lockAfter_ == LockAfter::Waiting;
}

const char* lockAfterText(IdleLauncherRules::LockAfter state) {
    switch (state) {
        case IdleLauncherRules::LockAfter::Off:
            return "off";
        case IdleLauncherRules::LockAfter::NotAsked:
            return "not asked yet";
        case IdleLauncherRules::LockAfter::Waiting:
            return "asked, waiting for a locker";
        case IdleLauncherRules::LockAfter::Locked:
            return "the session locked";
        case IdleLauncherRules::LockAfter::NotAnswered:
            return "no locker answered, the session is not locked";
        case IdleLauncherRules::LockAfter::CouldNotAsk:
            return "could not ask: no logind session";
    }
    return "";
}

namespace {

// How long a wait for the desktop's next report lasts at most: while the rules wait for the clock,
// and while nothing but a report can change anything.
constexpr int kWaitMilliseconds = 1000;
constexpr int kQuietWaitMilliseconds = 60000;

// Each line goes to the launcher's log file and to stderr (the session's journal).
template <typename... Parts>
void say(const Parts&... parts) {
    const std::string line = Log::line("Idle launcher: ", parts...);
    theLog().write(line);
    std::fprintf(stderr, "%s\n", line.c_str());
}

// Run mode started by this user some other way (by hand); other users' sessions are their own.
bool anotherCopyRuns() { return platform::countOwnProcesses(kScreensaverFileName) > 0; }

const char* outcomeText(IdleLauncherRules::IdleOutcome outcome) {
    switch (outcome) {
        case IdleLauncherRules::IdleOutcome::Started:
            return "idle, Run mode started";
        case IdleLauncherRules::IdleOutcome::Locked:
            return "idle, nothing started: the session is locked";
        case IdleLauncherRules::IdleOutcome::Inhibited:
            return "idle, nothing started: an application holds off idle";
        case IdleLauncherRules::IdleOutcome::AlreadyRunning:
            return "idle, nothing started: Run mode is running already";
        case IdleLauncherRules::IdleOutcome::WaitingForInput:
            return "idle, nothing started: no input since the last Run mode";
    }
    return "";
}

std::uint32_t now() { return platform::tickCount(); }

// What the launcher tells --screensaver-status (GetStatus on its bus name); the loop keeps it current.
struct LauncherRecord {
    std::string idleSource;
    unsigned delaySeconds = 0;
    std::string lastRunStart, lastRunEnd;  // local time, "" for never
};

// The record with what holds off idle now and what became of the last lock-after request. Asking
// the desktop for its inhibitions takes a few calls on the bus: only done when asked.
platform::LauncherStatus statusOf(const LauncherRecord& record, platform::DesktopWatch& watch,
                                  const IdleLauncherRules& rules) {
    using Kind = platform::LauncherStatusEntry::Kind;
    const auto text = [](const char* key, const std::string& value) {
        platform::LauncherStatusEntry entry;
        entry.key = key;
        entry.text = value;
        return entry;
    };
    const auto number = [](const char* key, std::uint32_t value) {
        platform::LauncherStatusEntry entry;
        entry.key = key;
        entry.kind = Kind::Number;
        entry.number = value;
        return entry;
    };
    platform::LauncherStatusEntry inhibitors;
    inhibitors.key = "inhibitors";
    inhibitors.kind = Kind::TextPairs;
    for (const platform::Inhibition& inhibition : watch.heldInhibitions())
        inhibitors.pairs.emplace_back(inhibition.application, inhibition.reason);
    return {number("pid", std::uint32_t(platform::ownProcessId())),
            text("idle-source", record.idleSource),
            number("delay-seconds", record.delaySeconds),
            inhibitors,
            text("last-run-start", record.lastRunStart),
            text("last-run-end", record.lastRunEnd),
            text("lock-after", lockAfterText(rules.lockAfter()))};
}

std::string localTimeText() {
    const platform::LocalTime t = platform::localTime();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

// " (mpv: Playing video; Firefox: audio-playing)", or nothing when no inhibition has a name.
std::string inhibitionNames(platform::DesktopWatch& watch) {
    std::string names;
    for (const platform::Inhibition& inhibition : watch.heldInhibitions())
        names += (names.empty() ? " (" : "; ") + inhibition.application + ": " + inhibition.reason;
    return names.empty() ? names : names + ")";
}

// The rules over the desktop watch: each event noted and logged, then what the rules ask done.
class Launcher {
public:
    Launcher(platform::DesktopWatch& watch, IdleLauncherRules& rules, LauncherRecord& record,
             std::string program, std::vector<std::string> runArguments, std::string folder)
        : watch_(watch),
          rules_(rules),
          record_(record),
          program_(std::move(program)),
          runArguments_(std::move(runArguments)),
          folder_(std::move(folder)) {}

    // False when the launcher is to end (after Run mode has), with its exit code in `exitCode`.
    bool take(platform::DesktopEvent event, int& exitCode) {
        switch (event) {
            case platform::DesktopEvent::Idle:
                rules_.noteIdle();
                tryStart();
                break;
            case platform::DesktopEvent::Active:
                say("input again");
                rules_.noteInput();
                break;
            case platform::DesktopEvent::Locked:
                say("the session is locked or the screen blanked");
                rules_.noteLocked(true);
                break;
            case platform::DesktopEvent::Unlocked:
                say("the session is unlocked");
                rules_.noteLocked(false);
                break;
            case platform::DesktopEvent::LockRequested:
                say("logind asks for the session to be locked");
                rules_.noteLockRequested();
                break;
            case platform::DesktopEvent::RunModeEnded:
                runModeEnded();
                break;
            case platform::DesktopEvent::SourceLost:
                say("the idle source went away, exiting");
                endRunMode();
                exitCode = 1;
                return false;
            case platform::DesktopEvent::Stop:
                say("stopped");
                endRunMode();
                exitCode = 0;
                return false;
        }
        return true;
    }

    // Does whatever the rules say is due now.
    void act() {
        for (;;) {
            switch (rules_.nextAction(now())) {
                case IdleLauncherRules::Action::None:
                    return;
                case IdleLauncherRules::Action::EndRunMode:
                    say("ending Run mode");
                    watch_.stopRunMode(false);
                    break;
                case IdleLauncherRules::Action::ForceEndRunMode:
                    say("Run mode did not end when asked, ending it by force");
                    watch_.stopRunMode(true);
                    break;
                case IdleLauncherRules::Action::CheckInhibition: {
                    const bool held = watch_.idleInhibited();
                    rules_.noteInhibition(held, now());
                    if (!held) say("the application no longer holds off idle");
                    break;
                }
                case IdleLauncherRules::Action::TryStartAgain:
                    tryStart();
                    break;
                case IdleLauncherRules::Action::LockSession:
                    say("Run mode ran for the lock-after time, asking logind to lock the session");
                    if (!watch_.requestLock()) {
                        rules_.noteLockNotAsked();
                        say("the session could not be locked: ", lockAfterText(rules_.lockAfter()));
                    }
                    break;
                case IdleLauncherRules::Action::ReportLockNotAnswered:
                    say("no locker answered within ", IdleLauncherRules::kLockAnswerMilliseconds / 1000,
                        " s: the session is not locked, Run mode goes on");
                    break;
            }
        }
    }

private:
    void tryStart() {
        const bool inhibited = watch_.idleInhibited();
        const IdleLauncherRules::IdleOutcome outcome =
            rules_.startRunModeIfAllowed(now(), inhibited, anotherCopyRuns());
        if (outcome == IdleLauncherRules::IdleOutcome::Inhibited) {
            say(outcomeText(outcome), inhibitionNames(watch_));
        } else {
            say(outcomeText(outcome));
        }
        if (outcome != IdleLauncherRules::IdleOutcome::Started) return;
        if (watch_.startRunMode(program_, runArguments_, folder_)) {
            record_.lastRunStart = localTimeText();
            record_.lastRunEnd.clear();
        } else {
            say("Run mode could not be started from ", program_);
            rules_.noteStartFailed();
        }
    }

    void runModeEnded() {
        say("Run mode ended");
        rules_.noteRunModeEnded();
        record_.lastRunEnd = localTimeText();
    }

    // Before the launcher goes: Run mode is asked to end, and ended by force when it does not in time.
    void endRunMode() {
        rules_.noteStopping();
        act();
        while (rules_.runModeRunning()) {
            platform::DesktopEvent event;
            if (watch_.waitForEvent(event, 100) && event == platform::DesktopEvent::RunModeEnded)
                runModeEnded();
            act();
        }
    }

    platform::DesktopWatch& watch_;
    IdleLauncherRules& rules_;
    LauncherRecord& record_;
    const std::string program_;
    const std::vector<std::string> runArguments_;
    const std::string folder_;
};

}  // namespace

int runIdleLauncher(const LaunchOptions& options, const SettingsStore& settings) {
    // Its Run mode is a copy of the screensaver, which must not find the launcher as another copy.
    platform::setOwnProcessName(kIdleLauncherProcessName);
    std::unique_ptr<platform::DesktopWatch> watch = platform::openDesktopWatch();
    if (!watch) {
        std::fprintf(stderr, "glimmerdale: the idle launcher is for Linux desktops\n");
        return 1;
    }
    const unsigned seconds = options.idleSeconds > 0 ? unsigned(options.idleSeconds)
                                                     : unsigned(settings.settings().idleDelayMinutes) * 60u;
    const unsigned lockAfterSeconds = options.lockAfterSeconds >= 0
                                          ? unsigned(options.lockAfterSeconds)
                                          : unsigned(settings.settings().lockAfterMinutes) * 60u;
    IdleLauncherRules rules(seconds * 1000u, lockAfterSeconds * 1000u);
    LauncherRecord record;
    record.delaySeconds = seconds;
    // One launcher per session: the name on the session bus is taken before the log is opened, so
    // a second launcher leaves the first one's log alone.
    platform::LauncherClaim claim = platform::LauncherClaim::NoSessionBus;
    int holder = 0;
    const std::unique_ptr<platform::LauncherName> name = platform::claimLauncherName(
        [&record, &watch, &rules] { return statusOf(record, *watch, rules); }, claim, holder);
    if (claim == platform::LauncherClaim::HeldByAnother) {
        std::fprintf(stderr,
                     "glimmerdale: an idle launcher runs in this session already (process %d); this one is "
                     "not needed\n",
                     holder);
        return 0;
    }
    const std::string folder = platform::stateFolder();
    if (!folder.empty()) theLog().open(folder + "/Launcher.txt");
    if (claim == platform::LauncherClaim::NoSessionBus)
        say("no session bus: another launcher in this session cannot be told apart");
    // Run mode starts from the path this program was started from, where an upgrade puts the new
    // program (this process's own file may be gone by then).
    const std::string program = platform::ownExecutablePath();

    say("starting Run mode after ", seconds, " s without input");
    if (lockAfterSeconds > 0) say("having the session locked after ", lockAfterSeconds, " s of Run mode");
    bool watching = false;
    std::string tried;
    for (platform::IdleSourceKind kind : platform::kIdleSourceOrder) {
        std::string why;
        if (watch->watchIdle(kind, seconds, why)) {
            say("idle source ", platform::idleSourceName(kind));
            record.idleSource = platform::idleSourceName(kind);
            watching = true;
            break;
        }
        say(platform::idleSourceName(kind), " not used: ", why);
        tried += std::string(tried.empty() ? "" : ", ") + platform::idleSourceName(kind) + ": " + why;
    }
    if (!watching) {
        say("no idle signal on this desktop, exiting");
        std::fprintf(stderr, "glimmerdale: this desktop offers no idle signal (%s)\n", tried.c_str());
        return 1;
    }
    // The lock state first: a desktop's own org.freedesktop.ScreenSaver is only asked while it is
    // someone else's.
    const std::vector<std::string> lockSources = watch->watchLock();
    std::string lockNames;
    for (const std::string& name : lockSources) lockNames += (lockNames.empty() ? "" : ", ") + name;
    say(lockNames.empty() ? "no lock state on this desktop" : "lock state from " + lockNames);
    std::string why;
    if (watch->answerInhibitCalls(why)) {
        say("answering the inhibit calls of org.freedesktop.ScreenSaver");
    } else {
        say("not answering the inhibit calls of org.freedesktop.ScreenSaver: ", why);
    }

    std::vector<std::string> runArguments = {"/s"};
    if (!options.configDir.empty())
        runArguments.insert(runArguments.end(), {"--config-dir", options.configDir});

    Launcher launcher(*watch, rules, record, program, runArguments, folder);
    for (;;) {
        platform::DesktopEvent event;
        int exitCode = 0;
        const int wait = rules.waitsForTheClock() ? kWaitMilliseconds : kQuietWaitMilliseconds;
        if (watch->waitForEvent(event, wait) && !launcher.take(event, exitCode)) return exitCode;
        launcher.act();
    }
}
