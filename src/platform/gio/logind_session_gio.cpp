#include "platform/gio/logind_session_gio.h"

#include <cstring>

#include "platform/gio/bus_calls_gio.h"

namespace platform::gio {
namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";

}  // namespace

LogindSession::~LogindSession() {
    if (propertiesSubscription_) g_dbus_connection_signal_unsubscribe(bus_, propertiesSubscription_);
    if (lockSubscription_) g_dbus_connection_signal_unsubscribe(bus_, lockSubscription_);
}

bool LogindSession::open(GDBusConnection* system, Report report) {
    GVariant* reply = callSync(system, kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                               "GetSession", g_variant_new("(s)", "auto"), "(o)");
    if (!reply) return false;
    const gchar* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    path_ = path;
    g_variant_unref(reply);
    bus_ = system;
    report_ = std::move(report);
    propertiesSubscription_ = g_dbus_connection_signal_subscribe(
        bus_, kLogind, "org.freedesktop.DBus.Properties", "PropertiesChanged", path_.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &LogindSession::propertiesChanged, this, nullptr);
    lockSubscription_ = g_dbus_connection_signal_subscribe(bus_, kLogind, kSessionInterface, "Lock",
                                                           path_.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                           &LogindSession::lockSignalled, this, nullptr);
    readLockedHint();
    return true;
}

bool LogindSession::requestLock() {
    GVariant* reply = callSync(bus_, kLogind, path_.c_str(), kSessionInterface, "Lock", nullptr, nullptr);
    if (!reply) return false;
    g_variant_unref(reply);
    return true;
}

void LogindSession::readLockedHint() {
    if (GVariant* value = readProperty(bus_, kLogind, path_.c_str(), kSessionInterface, "LockedHint")) {
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) setLockedHint(g_variant_get_boolean(value));
        g_variant_unref(value);
    }
}

void LogindSession::setLockedHint(bool locked) {
    if (locked == lockedHint_) return;
    lockedHint_ = locked;
    report_(false, locked);
}

void LogindSession::propertiesChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                      GVariant* parameters, gpointer data) {
    auto* self = static_cast<LogindSession*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
    const gchar* interface = nullptr;
    GVariant* changed = nullptr;
    GVariant* invalidated = nullptr;
    g_variant_get(parameters, "(&s@a{sv}@as)", &interface, &changed, &invalidated);
    gboolean lockedHint = FALSE;
    if (std::strcmp(interface, kSessionInterface) == 0) {
        if (g_variant_lookup(changed, "LockedHint", "b", &lockedHint)) {
            self->setLockedHint(lockedHint);
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

void LogindSession::lockSignalled(GDBusConnection*, const char*, const char*, const char*, const char*,
                                  GVariant*, gpointer data) {
    auto* self = static_cast<LogindSession*>(data);
    self->report_(true, self->lockedHint_);
}

}  // namespace platform::gio
