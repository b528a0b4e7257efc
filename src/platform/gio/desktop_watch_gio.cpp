// The desktop watch over GLib's main loop: the Wayland and X11 idle sources are watched on their
// connections, GNOME's idle monitor, logind and GNOME's screen saver through GDBus, the Run-mode
// child through a child watch, SIGTERM and SIGINT through GLib's signal sources.

#include <gio/gio.h>
#include <glib-unix.h>
#include <signal.h>

#include <cstring>
#include <deque>

#include "platform/desktop_watch.h"
#include "platform/wayland/idle_wayland.h"
#include "platform/x11/idle_x11.h"

namespace platform {

namespace {

constexpr int kCallTimeoutMilliseconds = 2000;

// One synchronous call; null (the error dropped) when it fails. The caller unrefs the result.
GVariant* callSync(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                   const char* method, GVariant* parameters, const char* replyType) {
    if (!bus) {
        if (parameters) g_variant_unref(g_variant_ref_sink(parameters));
        return nullptr;
    }
    return g_dbus_connection_call_sync(bus, name, path, interface, method, parameters,
                                       replyType ? G_VARIANT_TYPE(replyType) : nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds, nullptr, nullptr);
}

bool hasOwner(GDBusConnection* bus, const char* name) {
    GVariant* reply = callSync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", g_variant_new("(s)", name), "(b)");
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

// A property read through org.freedesktop.DBus.Properties; null when it cannot be read.
GVariant* readProperty(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                       const char* property) {
    GVariant* reply = callSync(bus, name, path, "org.freedesktop.DBus.Properties", "Get",
                               g_variant_new("(ss)", interface, property), "(v)");
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}

GDBusConnection* openBus(GBusType type) { return g_bus_get_sync(type, nullptr, nullptr); }

// GNOME's idle monitor: an idle watch that stays, and a user-active watch (which fires once) made
// each time the idle watch fires.
class MutterIdle final : public posix::IdleSignal {
public:
    MutterIdle(GDBusConnection* bus, Report report) : bus_(bus), report_(std::move(report)) {}
    ~MutterIdle() override {
        if (subscription_) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
        if (nameWatch_) g_bus_unwatch_name(nameWatch_);
    }

    bool open(unsigned milliseconds, std::string& why) {
        if (!hasOwner(bus_, kName)) {
            why = bus_ ? "nobody owns it on the session bus" : "no session bus";
            return false;
        }
        subscription_ =
            g_dbus_connection_signal_subscribe(bus_, kName, kInterface, "WatchFired", kPath, nullptr,
                                               G_DBUS_SIGNAL_FLAGS_NONE, &MutterIdle::fired, this, nullptr);
        GVariant* reply = call("AddIdleWatch", g_variant_new("(t)", static_cast<guint64>(milliseconds)));
        if (!reply) {
            why = "it refused the idle watch";
            return false;
        }
        g_variant_get(reply, "(u)", &idleWatch_);
        g_variant_unref(reply);
        nameWatch_ = g_bus_watch_name_on_connection(bus_, kName, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                                    &MutterIdle::vanished, this, nullptr);
        return true;
    }

    bool update() override { return true; }

private:
    static constexpr const char* kName = "org.gnome.Mutter.IdleMonitor";
    static constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
    static constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

    GVariant* call(const char* method, GVariant* parameters) {
        return callSync(bus_, kName, kPath, kInterface, method, parameters, "(u)");
    }

    static void fired(GDBusConnection*, const char*, const char*, const char*, const char*,
                      GVariant* parameters, gpointer data) {
        auto* self = static_cast<MutterIdle*>(data);
        guint32 id = 0;
        g_variant_get(parameters, "(u)", &id);
        if (id == self->idleWatch_ && self->idleWatch_ != 0) {
            // The active watch is made before Idle is reported, so no input after it is missed.
            if (GVariant* reply = self->call("AddUserActiveWatch", nullptr)) {
                g_variant_get(reply, "(u)", &self->activeWatch_);
                g_variant_unref(reply);
            }
            self->report_(DesktopEvent::Idle);
        } else if (id == self->activeWatch_ && self->activeWatch_ != 0) {
            self->activeWatch_ = 0;
            self->report_(DesktopEvent::Active);
        }
    }

    static void vanished(GDBusConnection*, const char*, gpointer data) {
        static_cast<MutterIdle*>(data)->report_(DesktopEvent::SourceLost);
    }

    GDBusConnection* bus_;
    Report report_;
    guint subscription_ = 0;
    guint nameWatch_ = 0;
    guint32 idleWatch_ = 0;
    guint32 activeWatch_ = 0;
};

class GioDesktopWatch final : public DesktopWatch {
public:
    GioDesktopWatch() {
        g_unix_signal_add(SIGTERM, &GioDesktopWatch::stopSignal, this);
        g_unix_signal_add(SIGINT, &GioDesktopWatch::stopSignal, this);
    }
    ~GioDesktopWatch() override {
        if (child_ > 0) kill(child_, SIGTERM);
        idle_.reset();
        for (guint id : subscriptions_)
            g_dbus_connection_signal_unsubscribe(id == logindSubscription_ ? system_ : session_, id);
        if (session_) g_object_unref(session_);
        if (system_) g_object_unref(system_);
    }

    bool watchIdle(IdleSourceKind kind, unsigned seconds, std::string& why) override {
        const unsigned milliseconds = seconds * 1000u;
        auto report = [this](DesktopEvent event) { events_.push_back(event); };
        switch (kind) {
            case IdleSourceKind::ExtIdleNotifier:
            case IdleSourceKind::KdeIdle:
                idle_ = wayland::openWaylandIdle(kind, milliseconds, report, why);
                break;
            case IdleSourceKind::MutterIdleMonitor: {
                auto mutter = std::make_unique<MutterIdle>(sessionBus(), report);
                if (mutter->open(milliseconds, why)) idle_ = std::move(mutter);
                break;
            }
            case IdleSourceKind::X11ScreenSaver:
                idle_ = x11::openX11Idle(milliseconds, report, why);
                break;
        }
        if (!idle_) return false;
        if (idle_->fd() >= 0)
            g_unix_fd_add(idle_->fd(), GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR),
                          &GioDesktopWatch::idleInput, this);
        if (idle_->pollMilliseconds() > 0)
            g_timeout_add(idle_->pollMilliseconds(), &GioDesktopWatch::idlePoll, this);
        return true;
    }

    std::vector<std::string> watchLock() override {
        std::vector<std::string> found;
        if (watchLogind()) found.push_back("logind");
        if (watchGnomeScreenSaver()) found.push_back("org.gnome.ScreenSaver");
        return found;
    }

    bool locked() const override { return logindLocked_ || screenSaverActive_; }

    bool idleInhibited() override {
        if (idle_ && idle_->inhibited()) return true;
        bool inhibited = false;
        if (GVariant* value = readProperty(systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1",
                                           "org.freedesktop.login1.Manager", "BlockInhibited")) {
            // A colon-separated list of what is inhibited: "idle" among them.
            const std::string what = g_variant_get_string(value, nullptr);
            inhibited = (":" + what + ":").find(":idle:") != std::string::npos;
            g_variant_unref(value);
        }
        if (!inhibited && hasOwner(sessionBus(), "org.gnome.SessionManager")) {
            constexpr guint32 kInhibitIdle = 8;
            if (GVariant* reply = callSync(sessionBus(), "org.gnome.SessionManager",
                                           "/org/gnome/SessionManager", "org.gnome.SessionManager",
                                           "IsInhibited", g_variant_new("(u)", kInhibitIdle), "(b)")) {
                gboolean answer = FALSE;
                g_variant_get(reply, "(b)", &answer);
                inhibited = answer;
                g_variant_unref(reply);
            }
        }
        return inhibited;
    }

    bool waitForEvent(DesktopEvent& event, int timeoutMilliseconds) override {
        bool timedOut = false;
        const guint timer = g_timeout_add(guint(timeoutMilliseconds > 0 ? timeoutMilliseconds : 0),
                                          &GioDesktopWatch::timeUp, &timedOut);
        while (events_.empty() && !timedOut) g_main_context_iteration(nullptr, TRUE);
        if (!timedOut) g_source_remove(timer);
        if (events_.empty()) return false;
        event = events_.front();
        events_.pop_front();
        return true;
    }

    bool startRunMode(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder) override {
        if (child_ > 0 || program.empty()) return false;
        std::vector<gchar*> argv;
        argv.push_back(const_cast<gchar*>(program.c_str()));
        for (const std::string& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
        argv.push_back(nullptr);
        GPid pid = 0;
        const gboolean started =
            g_spawn_async(folder.empty() ? nullptr : folder.c_str(), argv.data(), nullptr,
                          G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid, nullptr);
        if (!started) return false;
        child_ = pid;
        g_child_watch_add(pid, &GioDesktopWatch::childEnded, this);
        return true;
    }

    void stopRunMode(bool force) override {
        if (child_ > 0) kill(child_, force ? SIGKILL : SIGTERM);
    }

private:
    GDBusConnection* sessionBus() {
        if (!sessionTried_) session_ = openBus(G_BUS_TYPE_SESSION);
        sessionTried_ = true;
        return session_;
    }
    GDBusConnection* systemBus() {
        if (!systemTried_) system_ = openBus(G_BUS_TYPE_SYSTEM);
        systemTried_ = true;
        return system_;
    }

    void setLocked(bool logind, bool screenSaver) {
        const bool before = locked();
        logindLocked_ = logind;
        screenSaverActive_ = screenSaver;
        if (locked() != before) events_.push_back(locked() ? DesktopEvent::Locked : DesktopEvent::Unlocked);
    }

    // logind's session of this user ("auto": the caller's, or the user's graphical one).
    bool watchLogind() {
        GVariant* reply =
            callSync(systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1",
                     "org.freedesktop.login1.Manager", "GetSession", g_variant_new("(s)", "auto"), "(o)");
        if (!reply) return false;
        const gchar* path = nullptr;
        g_variant_get(reply, "(&o)", &path);
        logindSession_ = path;
        g_variant_unref(reply);
        logindSubscription_ = g_dbus_connection_signal_subscribe(
            system_, "org.freedesktop.login1", "org.freedesktop.DBus.Properties", "PropertiesChanged",
            logindSession_.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &GioDesktopWatch::logindChanged, this,
            nullptr);
        subscriptions_.push_back(logindSubscription_);
        readLockedHint();
        return true;
    }

    void readLockedHint() {
        if (GVariant* value = readProperty(system_, "org.freedesktop.login1", logindSession_.c_str(),
                                           "org.freedesktop.login1.Session", "LockedHint")) {
            setLocked(g_variant_get_boolean(value), screenSaverActive_);
            g_variant_unref(value);
        }
    }

    static void logindChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                              GVariant* parameters, gpointer data) {
        auto* self = static_cast<GioDesktopWatch*>(data);
        const gchar* interface = nullptr;
        GVariant* changed = nullptr;
        GVariant* invalidated = nullptr;
        g_variant_get(parameters, "(&s@a{sv}@as)", &interface, &changed, &invalidated);
        gboolean lockedHint = FALSE;
        if (std::strcmp(interface, "org.freedesktop.login1.Session") == 0) {
            if (g_variant_lookup(changed, "LockedHint", "b", &lockedHint)) {
                self->setLocked(lockedHint, self->screenSaverActive_);
            } else {
                // Sent as invalidated only: read it again.
                const gchar** names = g_variant_get_strv(invalidated, nullptr);
                for (const gchar** name = names; name && *name; ++name)
                    if (std::strcmp(*name, "LockedHint") == 0) self->readLockedHint();
                g_free(names);
            }
        }
        g_variant_unref(changed);
        g_variant_unref(invalidated);
    }

    bool watchGnomeScreenSaver() {
        GDBusConnection* bus = sessionBus();
        if (!bus) return false;
        subscriptions_.push_back(g_dbus_connection_signal_subscribe(
            bus, nullptr, "org.gnome.ScreenSaver", "ActiveChanged", "/org/gnome/ScreenSaver", nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE, &GioDesktopWatch::screenSaverChanged, this, nullptr));
        if (!hasOwner(bus, "org.gnome.ScreenSaver")) return false;
        if (GVariant* reply = callSync(bus, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                                       "org.gnome.ScreenSaver", "GetActive", nullptr, "(b)")) {
            gboolean active = FALSE;
            g_variant_get(reply, "(b)", &active);
            setLocked(logindLocked_, active);
            g_variant_unref(reply);
        }
        return true;
    }

    static void screenSaverChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                   GVariant* parameters, gpointer data) {
        auto* self = static_cast<GioDesktopWatch*>(data);
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
        gboolean active = FALSE;
        g_variant_get(parameters, "(b)", &active);
        self->setLocked(self->logindLocked_, active);
    }

    static gboolean idleInput(gint, GIOCondition condition, gpointer data) {
        auto* self = static_cast<GioDesktopWatch*>(data);
        if (!self->idle_) return G_SOURCE_REMOVE;
        if ((condition & (G_IO_HUP | G_IO_ERR)) && !(condition & G_IO_IN)) {
            self->events_.push_back(DesktopEvent::SourceLost);
            return G_SOURCE_REMOVE;
        }
        return self->idle_->update() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
    }

    static gboolean idlePoll(gpointer data) {
        auto* self = static_cast<GioDesktopWatch*>(data);
        return self->idle_ && self->idle_->update() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
    }

    static void childEnded(GPid pid, gint, gpointer data) {
        auto* self = static_cast<GioDesktopWatch*>(data);
        g_spawn_close_pid(pid);
        if (pid == self->child_) self->child_ = 0;
        self->events_.push_back(DesktopEvent::RunModeEnded);
    }

    static gboolean stopSignal(gpointer data) {
        static_cast<GioDesktopWatch*>(data)->events_.push_back(DesktopEvent::Stop);
        return G_SOURCE_CONTINUE;
    }

    static gboolean timeUp(gpointer data) {
        *static_cast<bool*>(data) = true;
        return G_SOURCE_REMOVE;
    }

    std::deque<DesktopEvent> events_;
    std::unique_ptr<posix::IdleSignal> idle_;
    GDBusConnection* session_ = nullptr;
    GDBusConnection* system_ = nullptr;
    bool sessionTried_ = false, systemTried_ = false;
    std::vector<guint> subscriptions_;
    guint logindSubscription_ = 0;
    std::string logindSession_;
    bool logindLocked_ = false;
    bool screenSaverActive_ = false;
    GPid child_ = 0;
};

}  // namespace

std::unique_ptr<DesktopWatch> openDesktopWatch() { return std::make_unique<GioDesktopWatch>(); }

}  // namespace platform
