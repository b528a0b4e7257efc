#include "platform/gio/screensaver_service_gio.h"

#include <algorithm>
#include <cstring>

#include "platform/gio/bus_calls_gio.h"

namespace platform::gio {
namespace {

constexpr const char* kInterface = "org.freedesktop.ScreenSaver";
// Firefox and VLC call the first, Chromium and SDL the second.
constexpr const char* kPaths[] = {"/ScreenSaver", "/org/freedesktop/ScreenSaver"};

constexpr const char* kIntrospection =
    "<node><interface name='org.freedesktop.ScreenSaver'>"
    "<method name='Inhibit'><arg name='application_name' type='s' direction='in'/>"
    "<arg name='reason_for_inhibit' type='s' direction='in'/><arg name='cookie' type='u' "
    "direction='out'/></method>"
    "<method name='UnInhibit'><arg name='cookie' type='u' direction='in'/></method>"
    "<method name='GetActive'><arg type='b' direction='out'/></method>"
    "</interface></node>";

}  // namespace

bool ScreenSaverService::offer(GDBusConnection* bus, std::function<bool()> active) {
    withdraw();
    if (!bus || hasOwner(bus, kName)) return false;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    if (!node) return false;
    static const GDBusInterfaceVTable vtable = {&ScreenSaverService::methodCalled, nullptr, nullptr, {}};
    // The objects come first, so that no call finds the name without them.
    for (const char* path : kPaths) {
        const guint id = g_dbus_connection_register_object(bus, path, node->interfaces[0], &vtable, this,
                                                           nullptr, nullptr);
        if (id) objects_.push_back(id);
    }
    g_dbus_node_info_unref(node);
    bus_ = bus;
    active_ = std::move(active);
    if (objects_.size() != std::size(kPaths) || !requestName(bus, kName)) {
        withdraw();
        return false;
    }
    return true;
}

void ScreenSaverService::withdraw() {
    if (!bus_) return;
    releaseName(bus_, kName);
    for (guint id : objects_) g_dbus_connection_unregister_object(bus_, id);
    objects_.clear();
    for (const auto& [client, watch] : clientWatches_) g_bus_unwatch_name(watch);
    clientWatches_.clear();
    held_.clear();
    bus_ = nullptr;
}

std::vector<Inhibition> ScreenSaverService::inhibitions() const {
    std::vector<Inhibition> list;
    for (const Held& held : held_) list.push_back(held.inhibition);
    return list;
}

void ScreenSaverService::methodCalled(GDBusConnection*, const char* sender, const char*, const char*,
                                      const char* method, GVariant* parameters,
                                      GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<ScreenSaverService*>(data);
    const std::string client = sender ? sender : "";
    if (std::strcmp(method, "Inhibit") == 0) {
        const char* application = nullptr;
        const char* reason = nullptr;
        g_variant_get(parameters, "(&s&s)", &application, &reason);
        self->inhibit(client, application, reason, invocation);
    } else if (std::strcmp(method, "UnInhibit") == 0) {
        guint32 cookie = 0;
        g_variant_get(parameters, "(u)", &cookie);
        self->unInhibit(client, cookie, invocation);
    } else if (std::strcmp(method, "GetActive") == 0) {
        const bool active = self->active_ && self->active_();
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", gboolean(active)));
    } else {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                              "No such method: %s", method);
    }
}

void ScreenSaverService::inhibit(const std::string& client, const char* application, const char* reason,
                                 GDBusMethodInvocation* invocation) {
    // Cookies are never 0 (some clients take 0 for "not inhibited") and never one still held.
    auto inUse = [this](std::uint32_t cookie) {
        return cookie == 0 || std::any_of(held_.begin(), held_.end(),
                                          [cookie](const Held& held) { return held.cookie == cookie; });
    };
    while (inUse(nextCookie_)) ++nextCookie_;
    const std::uint32_t cookie = nextCookie_++;
    held_.push_back(Held{cookie, client, Inhibition{application, reason}});
    if (!client.empty() && clientWatches_.count(client) == 0) {
        clientWatches_[client] =
            g_bus_watch_name_on_connection(bus_, client.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                           &ScreenSaverService::clientLeft, this, nullptr);
    }
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", cookie));
}

void ScreenSaverService::unInhibit(const std::string& client, std::uint32_t cookie,
                                   GDBusMethodInvocation* invocation) {
    // Only the client that holds an inhibition ends it.
    const auto held = std::find_if(held_.begin(), held_.end(), [&](const Held& entry) {
        return entry.cookie == cookie && entry.client == client;
    });
    if (held == held_.end()) {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                              "No inhibition %u of this client", cookie);
        return;
    }
    held_.erase(held);
    forgetIdleClient(client);
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

void ScreenSaverService::clientLeft(GDBusConnection*, const char* name, gpointer data) {
    auto* self = static_cast<ScreenSaverService*>(data);
    const std::string client = name;
    self->held_.erase(std::remove_if(self->held_.begin(), self->held_.end(),
                                     [&](const Held& held) { return held.client == client; }),
                      self->held_.end());
    self->forgetIdleClient(client);
}

void ScreenSaverService::forgetIdleClient(const std::string& client) {
    const bool holds =
        std::any_of(held_.begin(), held_.end(), [&](const Held& held) { return held.client == client; });
    const auto watch = clientWatches_.find(client);
    if (holds || watch == clientWatches_.end()) return;
    g_bus_unwatch_name(watch->second);
    clientWatches_.erase(watch);
}

}  // namespace platform::gio
