// The idle launcher's name and status object on the session bus, over GDBus.

#include <gio/gio.h>

#include <cstring>

#include "platform/gio/bus_calls_gio.h"
#include "platform/launcher_service.h"

namespace platform {
namespace {

constexpr char kIntrospection[] =
    "<node><interface name='com.vantorel.Glimmerdale.IdleLauncher'>"
    "<method name='GetStatus'><arg type='a{sv}' direction='out'/></method>"
    "</interface></node>";
GVariant* statusDictionary(const LauncherStatus& status) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
    for (const LauncherStatusEntry& entry : status) {
        GVariant* value = nullptr;
        switch (entry.kind) {
            case LauncherStatusEntry::Kind::Text:
                value = g_variant_new_string(entry.text.c_str());
                break;
            case LauncherStatusEntry::Kind::Number:
                value = g_variant_new_uint32(entry.number);
                break;
            case LauncherStatusEntry::Kind::TextPairs: {
                GVariantBuilder pairs;
                g_variant_builder_init(&pairs, G_VARIANT_TYPE("a(ss)"));
                for (const auto& [first, second] : entry.pairs)
                    g_variant_builder_add(&pairs, "(ss)", first.c_str(), second.c_str());
                value = g_variant_builder_end(&pairs);
                break;
            }
        }
        g_variant_builder_add(&builder, "{sv}", entry.key.c_str(), value);
    }
    return g_variant_builder_end(&builder);
}

class GioLauncherName final : public LauncherName {
public:
    GioLauncherName(GDBusConnection* bus, std::function<LauncherStatus()> status)
        : bus_(G_DBUS_CONNECTION(g_object_ref(bus))), status_(std::move(status)) {}
    ~GioLauncherName() override {
        if (owned_) gio::releaseName(bus_, kLauncherBusName);
        if (registration_) g_dbus_connection_unregister_object(bus_, registration_);
        g_object_unref(bus_);
    }

    // Registers the object first, so that nobody finds the name without it.
    LauncherClaim claim(int& holder) {
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
        static const GDBusInterfaceVTable vtable = {&GioLauncherName::methodCall, nullptr, nullptr, {}};
        registration_ = g_dbus_connection_register_object(bus_, kLauncherObjectPath, node->interfaces[0],
                                                          &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        owned_ = registration_ && gio::requestName(bus_, kLauncherBusName);
        if (owned_) return LauncherClaim::Claimed;
        holder = 0;
        if (GVariant* pid =
                gio::callSync(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                              "GetConnectionUnixProcessID", g_variant_new("(s)", kLauncherBusName), "(u)")) {
            guint32 id = 0;
            g_variant_get(pid, "(u)", &id);
            holder = int(id);
            g_variant_unref(pid);
        }
        return LauncherClaim::HeldByAnother;
    }

private:
    static void methodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                           GVariant*, GDBusMethodInvocation* invocation, gpointer data) {
        auto* self = static_cast<GioLauncherName*>(data);
        if (std::strcmp(method, "GetStatus") != 0) {
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod",
                                                       method);
            return;
        }
        GVariant* dictionary = statusDictionary(self->status_());
        g_dbus_method_invocation_return_value(invocation, g_variant_new_tuple(&dictionary, 1));
    }

    GDBusConnection* bus_;
    std::function<LauncherStatus()> status_;
    guint registration_ = 0;
    bool owned_ = false;
};

LauncherStatusEntry entryOf(const gchar* key, GVariant* value) {
    LauncherStatusEntry entry;
    entry.key = key;
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
        entry.text = g_variant_get_string(value, nullptr);
    } else if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) {
        entry.kind = LauncherStatusEntry::Kind::Number;
        entry.number = g_variant_get_uint32(value);
    } else if (g_variant_is_of_type(value, G_VARIANT_TYPE("a(ss)"))) {
        entry.kind = LauncherStatusEntry::Kind::TextPairs;
        GVariantIter iter;
        g_variant_iter_init(&iter, value);
        const gchar *first = nullptr, *second = nullptr;
        while (g_variant_iter_next(&iter, "(&s&s)", &first, &second)) entry.pairs.emplace_back(first, second);
    } else {
        gchar* printed = g_variant_print(value, FALSE);
        entry.text = printed;
        g_free(printed);
    }
    return entry;
}

}  // namespace

std::unique_ptr<LauncherName> claimLauncherName(std::function<LauncherStatus()> status,
                                                LauncherClaim& outcome, int& holder) {
    holder = 0;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) {
        outcome = LauncherClaim::NoSessionBus;
        return nullptr;
    }
    auto name = std::make_unique<GioLauncherName>(bus, std::move(status));
    g_object_unref(bus);
    outcome = name->claim(holder);
    if (outcome != LauncherClaim::Claimed) return nullptr;
    return name;
}

LauncherQuery askLauncherStatus(LauncherStatus& status, int timeoutMilliseconds) {
    status.clear();
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) return LauncherQuery::NoSessionBus;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, kLauncherBusName, kLauncherObjectPath, kLauncherBusName, "GetStatus", nullptr,
        G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMilliseconds, nullptr, &error);
    g_object_unref(bus);
    if (!reply) {
        const bool nobody = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                            g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
        g_error_free(error);
        return nobody ? LauncherQuery::NoLauncher : LauncherQuery::NoAnswer;
    }
    GVariant* dictionary = g_variant_get_child_value(reply, 0);
    GVariantIter iter;
    g_variant_iter_init(&iter, dictionary);
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    while (g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
        status.push_back(entryOf(key, value));
        g_variant_unref(value);
    }
    g_variant_unref(dictionary);
    g_variant_unref(reply);
    return LauncherQuery::Answered;
}

}  // namespace platform
