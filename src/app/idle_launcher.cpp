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

IdleLauncherRules::IdleOutcome IdleLauncherRules::idle(bool inhibited, bool otherCopyRunning) {
    if (locked_) return IdleOutcome::Locked;
    if (running_ || otherCopyRunning) return IdleOutcome::AlreadyRunning;
    if (!ready_) return IdleOutcome::WaitingForInput;
    if (inhibited) return IdleOutcome::Inhibited;
    running_ = true;
    ready_ = false;
    inputSinceStart_ = false;
    ending_ = forced_ = false;
    return IdleOutcome::Started;
}

void IdleLauncherRules::active() {
    if (running_) {
        inputSinceStart_ = true;
    } else {
        ready_ = true;
    }
}

IdleLauncherRules::Action IdleLauncherRules::locked(std::uint32_t nowMilliseconds) {
    locked_ = true;
    if (!running_ || ending_) return Action::None;
    ending_ = true;
    endAskedAt_ = nowMilliseconds;
    return Action::EndRunMode;
}

void IdleLauncherRules::unlocked() { locked_ = false; }

void IdleLauncherRules::startFailed() {
    running_ = false;
    ready_ = false;
}

void IdleLauncherRules::runModeEnded() {
    running_ = false;
    ending_ = false;
    // Input during Run mode (the key that ended it, usually) already counts as the next input.
    ready_ = inputSinceStart_;
}

IdleLauncherRules::Action IdleLauncherRules::tick(std::uint32_t nowMilliseconds) {
    if (!running_ || !ending_ || forced_ ||
        std::uint32_t(nowMilliseconds - endAskedAt_) < kEndGraceMilliseconds)
        return Action::None;
    forced_ = true;
    return Action::ForceEndRunMode;
}

namespace {

constexpr int kWaitMilliseconds = 1000;

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

platform::LauncherStatus statusOf(const LauncherRecord& record) {
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
    return {number("pid", std::uint32_t(platform::ownProcessId())), text("idle-source", record.idleSource),
            number("delay-seconds", record.delaySeconds), text("last-run-start", record.lastRunStart),
            text("last-run-end", record.lastRunEnd)};
}

std::string localTimeText() {
    const platform::LocalTime t = platform::localTime();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

// Before the launcher goes: Run mode is asked to end, and ended by force when it does not in time.
void endRunMode(platform::DesktopWatch& watch, IdleLauncherRules& rules) {
    if (!rules.runModeRunning()) return;
    rules.locked(now());
    watch.stopRunMode(false);
    while (rules.runModeRunning()) {
        platform::DesktopEvent event;
        if (watch.waitForEvent(event, 100) && event == platform::DesktopEvent::RunModeEnded) {
            say("Run mode ended");
            rules.runModeEnded();
        } else if (rules.tick(now()) == IdleLauncherRules::Action::ForceEndRunMode) {
            say("Run mode did not end when asked, ending it by force");
            watch.stopRunMode(true);
        }
    }
}

}  // namespace

int runIdleLauncher(const LaunchOptions& options, const SettingsStore& settings) {
    // Its Run mode is a copy of the screensaver, which must not find the launcher as another copy.
    platform::setOwnProcessName(kIdleLauncherProcessName);
    std::unique_ptr<platform::DesktopWatch> watch = platform::openDesktopWatch();
    if (!watch) {
        std::fprintf(stderr, "glimmerdale: the idle launcher is for Linux desktops\n");
        return 1;
    }
    // One launcher per session: the name on the session bus is taken before the log is opened, so
    // a second launcher leaves the first one's log alone.
    LauncherRecord record;
    platform::LauncherClaim claim = platform::LauncherClaim::NoSessionBus;
    int holder = 0;
    const std::unique_ptr<platform::LauncherName> name =
        platform::claimLauncherName([&record] { return statusOf(record); }, claim, holder);
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

    const unsigned seconds = options.idleSeconds > 0 ? unsigned(options.idleSeconds)
                                                     : unsigned(settings.settings().idleDelayMinutes) * 60u;
    record.delaySeconds = seconds;
    say("starting Run mode after ", seconds, " s without input");
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
    const std::vector<std::string> lockSources = watch->watchLock();
    std::string lockNames;
    for (const std::string& name : lockSources) lockNames += (lockNames.empty() ? "" : ", ") + name;
    say(lockNames.empty() ? "no lock state on this desktop" : "lock state from " + lockNames);

    std::vector<std::string> runArguments = {"/s"};
    if (!options.configDir.empty())
        runArguments.insert(runArguments.end(), {"--config-dir", options.configDir});

    IdleLauncherRules rules;
    for (;;) {
        platform::DesktopEvent event;
        const bool arrived = watch->waitForEvent(event, kWaitMilliseconds);
        if (rules.tick(now()) == IdleLauncherRules::Action::ForceEndRunMode) {
            say("Run mode did not end when asked, ending it by force");
            watch->stopRunMode(true);
        }
        if (!arrived) continue;
        switch (event) {
            case platform::DesktopEvent::Idle: {
                const bool inhibited = watch->idleInhibited();
                const IdleLauncherRules::IdleOutcome outcome = rules.idle(inhibited, anotherCopyRuns());
                say(outcomeText(outcome));
                if (outcome == IdleLauncherRules::IdleOutcome::Started) {
                    if (watch->startRunMode(program, runArguments, folder)) {
                        record.lastRunStart = localTimeText();
                        record.lastRunEnd.clear();
                    } else {
                        say("Run mode could not be started from ", program);
                        rules.startFailed();
                    }
                }
                break;
            }
            case platform::DesktopEvent::Active:
                say("input again");
                rules.active();
                break;
            case platform::DesktopEvent::Locked:
                say("the session is locked or the screen blanked");
                if (rules.locked(now()) == IdleLauncherRules::Action::EndRunMode) {
                    say("ending Run mode");
                    watch->stopRunMode(false);
                }
                break;
            case platform::DesktopEvent::Unlocked:
                say("the session is unlocked");
                rules.unlocked();
                break;
            case platform::DesktopEvent::RunModeEnded:
                say("Run mode ended");
                rules.runModeEnded();
                record.lastRunEnd = localTimeText();
                break;
            case platform::DesktopEvent::SourceLost:
                say("the idle source went away, exiting");
                endRunMode(*watch, rules);
                return 1;
            case platform::DesktopEvent::Stop:
                say("stopped");
                endRunMode(*watch, rules);
                return 0;
        }
    }
}
