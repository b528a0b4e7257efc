#pragma once
// What a Linux desktop tells a program that starts the screensaver when its user goes idle, and the
// Run-mode process that program starts. Each signal is only translated here; what to do about it is
// the idle launcher's business.
//
//   IdleSourceKind, idleSourceName   the idle signals a desktop may offer, in the order they are tried
//   DesktopEvent                     what the watch reports
//   Inhibition                       an application's wish that no screensaver starts, by name
//   DesktopWatch                     the desktop's connections, the wait for the next event, the
//                                    inhibit calls of players and browsers, the session's lock, the child
//   openDesktopWatch                 the platform's watch (null on Windows, which has its own saver)

#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class IdleSourceKind {
    ExtIdleNotifier,    // Wayland ext_idle_notifier_v1 (KWin, newer wlroots desktops)
    KdeIdle,            // Wayland org_kde_kwin_idle (KWin, sway 1.7 and other wlroots desktops)
    MutterIdleMonitor,  // GNOME's org.gnome.Mutter.IdleMonitor on the session bus
    X11ScreenSaver,     // the X server's own screen-saver timer (MIT-SCREEN-SAVER extension)
};
inline constexpr IdleSourceKind kIdleSourceOrder[] = {
    IdleSourceKind::ExtIdleNotifier, IdleSourceKind::KdeIdle, IdleSourceKind::MutterIdleMonitor,
    IdleSourceKind::X11ScreenSaver};

// "ext_idle_notifier_v1", "org_kde_kwin_idle", "org.gnome.Mutter.IdleMonitor", "X11 screen-saver extension".
const char* idleSourceName(IdleSourceKind kind);

enum class DesktopEvent {
    Idle,           // no input for the time the idle source was given
    Active,         // input again after Idle
    Locked,         // the session was locked, or the desktop blanked the screen itself
    Unlocked,       // neither any more
    LockRequested,  // logind asks the session's locker to lock it (loginctl lock-session, an idle
                    // daemon); whether a locker answers is only known from a later Locked
    RunModeEnded,   // the Run-mode process ended, however it ended
    SourceLost,     // the idle source went away (the compositor or the session ended)
    Stop,           // this process was asked to end (SIGTERM, SIGINT, SIGHUP)
};

// An application holding off the screensaver, as it named itself and why ("Firefox", "video-playing").
struct Inhibition {
    std::string application;
    std::string reason;
};

class DesktopWatch {
public:
    virtual ~DesktopWatch() = default;

    // Starts watching for `seconds` without input through `kind`. False, with the reason in `why`,
    // when the desktop does not offer it; the next kind may then be tried.
    virtual bool watchIdle(IdleSourceKind kind, unsigned seconds, std::string& why) = 0;
    // Starts following the session's lock and the desktop's own blanking (logind's LockedHint and
    // Lock signal, the ActiveChanged of org.gnome.ScreenSaver and of a desktop's
    // org.freedesktop.ScreenSaver). Returns the names of the services found, none when the desktop
    // has none of them.
    virtual std::vector<std::string> watchLock() = 0;
    // The lock state as last reported.
    virtual bool locked() const = 0;
    // Asks logind to lock this session; the desktop's locker then reports Locked, or nobody answers.
    // False when there is no logind session to ask.
    virtual bool requestLock() = 0;

    // Takes the inhibit calls players and browsers make (org.freedesktop.ScreenSaver's Inhibit and
    // UnInhibit at /ScreenSaver and /org/freedesktop/ScreenSaver) where nobody on the session bus
    // does: true when this process now answers them. False, with `why`, when the desktop answers
    // them itself (its inhibitions are then asked of it) or there is no session bus.
    virtual bool answerInhibitCalls(std::string& why) = 0;
    // Whether an application holds off idle right now: through the calls this process answers,
    // GNOME's session manager, KDE's PolicyAgent or logind's idle inhibitors. The idle sources
    // honour some inhibitions themselves and report no idle while one is held (Wayland's idle
    // inhibitors, a suspended X11 screen saver, X11 heartbeats); those are not counted here.
    virtual bool idleInhibited() = 0;
    // The inhibitions idleInhibited counts, with the names their applications gave. Within about a
    // second: a desktop service that does not answer by then is left out.
    virtual std::vector<Inhibition> heldInhibitions() = 0;

    // Waits at most `timeoutMilliseconds` for the next event. False when none came in that time.
    virtual bool waitForEvent(DesktopEvent& event, int timeoutMilliseconds) = 0;

    // Starts `program` with `arguments` (after the program name) in `folder`, as a child whose end is
    // reported as RunModeEnded. False when it cannot be started (or one still runs).
    virtual bool startRunMode(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& folder) = 0;
    // Asks the child to end (SIGTERM), or with `force` ends it at once (SIGKILL). Nothing without one.
    virtual void stopRunMode(bool force) = 0;
};

// The watch over this session's desktop; null where the platform has none. It catches SIGTERM,
// SIGINT and SIGHUP from here on and reports them as Stop.
std::unique_ptr<DesktopWatch> openDesktopWatch();

}  // namespace platform
