#pragma once
// This session in logind, on the system bus: whether it is locked (LockedHint, which GNOME's and
// KDE's lockers set), the Lock signal that asks the session's locker to lock it (what `loginctl
// lock-session` and idle daemons send; a locker may or may not answer), and the request to lock.
//
//   LogindSession   open, lockedHint, requestLock

#include <gio/gio.h>

#include <functional>
#include <string>

namespace platform::gio {

class LogindSession {
public:
    // Called when LockedHint changes (with its value) and for each Lock signal (`lockSignal` true).
    using Report = std::function<void(bool lockSignal, bool lockedHint)>;

    LogindSession() = default;
    ~LogindSession();
    LogindSession(const LogindSession&) = delete;
    LogindSession& operator=(const LogindSession&) = delete;

    // Finds the caller's session ("auto") on `system` and follows it. False without logind.
    bool open(GDBusConnection* system, Report report);
    bool lockedHint() const { return lockedHint_; }
    // Asks logind to lock the session (its Lock method, which sends the Lock signal to the locker).
    // False when the call failed or no session is open.
    bool requestLock();

private:
    static void propertiesChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                  GVariant* parameters, gpointer self);
    static void lockSignalled(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                              gpointer self);
    void readLockedHint();
    void setLockedHint(bool locked);

    GDBusConnection* bus_ = nullptr;
    std::string path_;
    Report report_;
    guint propertiesSubscription_ = 0;
    guint lockSubscription_ = 0;
    bool lockedHint_ = false;
};

}  // namespace platform::gio
