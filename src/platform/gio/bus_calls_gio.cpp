#include "platform/gio/bus_calls_gio.h"

namespace platform::gio {
namespace {

// RequestName's flag and answers, as D-Bus defines them.
constexpr guint32 kDoNotQueue = 4;
constexpr guint32 kPrimaryOwner = 1;
constexpr guint32 kAlreadyOwner = 4;

GVariant* callBus(GDBusConnection* bus, const char* method, GVariant* parameters, const char* replyType) {
    return callSync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
                    parameters, replyType);
}

}  // namespace

GVariant* callSync(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                   const char* method, GVariant* parameters, const char* replyType, int timeoutMilliseconds) {
    if (!bus || timeoutMilliseconds <= 0) {
        if (parameters) g_variant_unref(g_variant_ref_sink(parameters));
        return nullptr;
    }
    return g_dbus_connection_call_sync(bus, name, path, interface, method, parameters,
                                       replyType ? G_VARIANT_TYPE(replyType) : nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, timeoutMilliseconds, nullptr, nullptr);
}

bool hasOwner(GDBusConnection* bus, const char* name, int timeoutMilliseconds) {
    GVariant* reply = callSync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", g_variant_new("(s)", name), "(b)", timeoutMilliseconds);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

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

bool requestName(GDBusConnection* bus, const char* name) {
    GVariant* reply = callBus(bus, "RequestName", g_variant_new("(su)", name, kDoNotQueue), "(u)");
    if (!reply) return false;
    guint32 answer = 0;
    g_variant_get(reply, "(u)", &answer);
    g_variant_unref(reply);
    return answer == kPrimaryOwner || answer == kAlreadyOwner;
}

void releaseName(GDBusConnection* bus, const char* name) {
    if (GVariant* reply = callBus(bus, "ReleaseName", g_variant_new("(s)", name), "(u)"))
        g_variant_unref(reply);
}

}  // namespace platform::gio
