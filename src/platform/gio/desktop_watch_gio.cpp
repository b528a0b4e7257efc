// The desktop watch over GLib's main loop: the Wayland and X11 idle sources are watched on their
// connections, GNOME's idle monitor, logind, the screen savers' lock state and the inhibitions
// through GDBus, the Run-mode child through a child watch, SIGTERM, SIGINT and SIGHUP through GLib's
// signal sources.

#include <gio/gio.h>
#include <glib-unix.h>
#include <signal.h>

#include <cstring>
#include <deque>

#include "platform/desktop_watch.h"
#include "platform/gio/bus_calls_gio.h"
#include "platform/gio/desktop_inhibitors_gio.h"
#include "platform/gio/logind_session_gio.h"
#include "platform/gio/screensaver_service_gio.h"
#include "platform/wayland/idle_wayland.h"
#include "platform/x11/idle_x11.h"

namespace platform {

namespace {

using gio::callSync;
using gio::hasOwner;

GDBusConnection* openBus(GBusType type) { return g_bus_get_sync(type, nullptr, nullptr); }

// Whether idle is held off is worth waiting for each service's answer (Run mode would start over a
// film); the list goes into the launcher's status, whose callers wait 2 s (the set-up) and 3 s
// (--screensaver-status), and must come well within that even when some service hangs.
constexpr int kInhibitedAnswerMilliseconds = 3 * gio::kCallTimeoutMilliseconds;
constexpr int kInhibitionListMilliseconds = 1000;

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
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(u)"))) return;
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
        // SIGHUP too: a launcher started from a terminal that closes must still end Run mode and put
        // back what it changed.
        for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
            g_unix_signal_add(signalNumber, &GioDesktopWatch::stopSignal, this);
    }
    ~GioDesktopWatch() override {
        if (child_ > 0) kill(child_, SIGTERM);
        idle_.reset();
        service_.withdraw();
        for (guint id : subscriptions_) g_dbus_connection_signal_unsubscribe(session_, id);
        for (guint id : nameWatches_) g_bus_unwatch_name(id);
        logind_.reset();
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
                idle_ = x11::openX11Idle(seconds, report, why);
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
        auto logind = std::make_unique<gio::LogindSession>();
        if (logind->open(systemBus(), [this](bool lockSignal, bool lockedHint) {
                if (lockSignal) events_.push_back(DesktopEvent::LockRequested);
                setLocked(LockSource::Logind, lockedHint);
            })) {
            setLocked(LockSource::Logind, logind->lockedHint());
            logind_ = std::move(logind);
            found.push_back("logind");
        }
        // The desktop's screen savers report their lock or blank through ActiveChanged: GNOME's own
        // interface, and KDE's (and Hyprland's) org.freedesktop.ScreenSaver.
        for (LockSource source : {LockSource::GnomeScreenSaver, LockSource::FreedesktopScreenSaver}) {
            const char* name = source == LockSource::GnomeScreenSaver ? "org.gnome.ScreenSaver"
                                                                      : gio::ScreenSaverService::kName;
            if (watchScreenSaver(source, name)) found.push_back(name);
        }
        return found;
    }

    bool locked() const override {
        for (bool lockedBySource : lockedBy_)
            if (lockedBySource) return true;
        return false;
    }

    bool requestLock() override { return logind_ && logind_->requestLock(); }

    bool answerInhibitCalls(std::string& why) override {
        if (service_.offer(sessionBus(), [this] { return child_ > 0; })) return true;
        why = sessionBus() ? "the desktop answers them" : "no session bus";
        return false;
    }

    bool idleInhibited() override {
        if (!service_.inhibitions().empty()) return true;
        return gio::desktopInhibitsIdle(sessionBus(), systemBus(), kInhibitedAnswerMilliseconds);
    }

    std::vector<Inhibition> heldInhibitions() override {
        std::vector<Inhibition> list = service_.inhibitions();
        const std::vector<Inhibition> desktop =
            gio::desktopInhibitions(sessionBus(), systemBus(), kInhibitionListMilliseconds);
        list.insert(list.end(), desktop.begin(), desktop.end());
        return list;
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
    enum class LockSource { Logind, GnomeScreenSaver, FreedesktopScreenSaver, Count };

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

    void setLocked(LockSource source, bool locked) {
        const bool before = this->locked();
        lockedBy_[int(source)] = locked;
        if (this->locked() != before)
            events_.push_back(this->locked() ? DesktopEvent::Locked : DesktopEvent::Unlocked);
    }

    // A screen saver's ActiveChanged, and its state now when someone else than this process owns it.
    bool watchScreenSaver(LockSource source, const char* name) {
        GDBusConnection* bus = sessionBus();
        if (!bus) return false;
        auto& subscription = screenSaverSubscriptions_[int(source)];
        subscription.watch = this;
        subscription.source = source;
        subscriptions_.push_back(g_dbus_connection_signal_subscribe(
            bus, name, name, "ActiveChanged", nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
            &GioDesktopWatch::screenSaverChanged, &subscription, nullptr));
        // A screen saver that leaves the bus (it crashed, the shell restarted) says nothing more: its
        // last word must not keep the session counted as locked for good.
        nameWatches_.push_back(g_bus_watch_name_on_connection(bus, name, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                              nullptr, &GioDesktopWatch::screenSaverLeft,
                                                              &subscription, nullptr));
        if (service_.offered() || !hasOwner(bus, name)) return false;
        const char* objectPath = source == LockSource::GnomeScreenSaver ? "/org/gnome/ScreenSaver"
                                                                        : "/org/freedesktop/ScreenSaver";
        if (GVariant* reply = callSync(bus, name, objectPath, name, "GetActive", nullptr, "(b)")) {
            gboolean active = FALSE;
            g_variant_get(reply, "(b)", &active);
            setLocked(source, active);
            g_variant_unref(reply);
        }
        return true;
    }

    struct ScreenSaverSubscription {
        GioDesktopWatch* watch = nullptr;
        LockSource source = LockSource::GnomeScreenSaver;
    };

    static void screenSaverChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                   GVariant* parameters, gpointer data) {
        auto* subscription = static_cast<ScreenSaverSubscription*>(data);
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
        gboolean active = FALSE;
        g_variant_get(parameters, "(b)", &active);
        subscription->watch->setLocked(subscription->source, active);
    }

    static void screenSaverLeft(GDBusConnection*, const char*, gpointer data) {
        auto* subscription = static_cast<ScreenSaverSubscription*>(data);
        subscription->watch->setLocked(subscription->source, false);
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
    std::vector<guint> subscriptions_;  // on the session bus
    std::vector<guint> nameWatches_;    // the screen savers' names, on the session bus
    std::unique_ptr<gio::LogindSession> logind_;
    ScreenSaverSubscription screenSaverSubscriptions_[int(LockSource::Count)];
    bool lockedBy_[int(LockSource::Count)] = {};
    gio::ScreenSaverService service_;
    GPid child_ = 0;
};

}  // namespace

std::unique_ptr<DesktopWatch> openDesktopWatch() { return std::make_unique<GioDesktopWatch>(); }

}  // namespace platform
