#include "platform/gio/desktop_inhibitors_gio.h"

#include <string>

#include "platform/gio/bus_calls_gio.h"

namespace platform::gio {
namespace {

constexpr const char* kGnome = "org.gnome.SessionManager";
constexpr const char* kGnomePath = "/org/gnome/SessionManager";
constexpr guint32 kGnomeInhibitIdle = 8;

constexpr const char* kKde = "org.kde.Solid.PowerManagement.PolicyAgent";
constexpr const char* kKdePath = "/org/kde/Solid/PowerManagement/PolicyAgent";
constexpr guint32 kKdeChangeScreenSettings = 4;

bool askBoolean(GDBusConnection* bus, const char* name, const char* path, const char* method, guint32 flags) {
    if (!hasOwner(bus, name)) return false;
    GVariant* reply = callSync(bus, name, path, name, method, g_variant_new("(u)", flags), "(b)");
    if (!reply) return false;
    gboolean answer = FALSE;
    g_variant_get(reply, "(b)", &answer);
    g_variant_unref(reply);
    return answer;
}

std::string stringReply(GDBusConnection* bus, const char* path, const char* method) {
    GVariant* reply =
        callSync(bus, kGnome, path, "org.gnome.SessionManager.Inhibitor", method, nullptr, "(s)");
    if (!reply) return "";
    const gchar* text = nullptr;
    g_variant_get(reply, "(&s)", &text);
    std::string copy = text;
    g_variant_unref(reply);
    return copy;
}

void addGnomeInhibitions(GDBusConnection* bus, std::vector<Inhibition>& list) {
    if (!hasOwner(bus, kGnome)) return;
    GVariant* reply = callSync(bus, kGnome, kGnomePath, kGnome, "GetInhibitors", nullptr, "(ao)");
    if (!reply) return;
    GVariantIter* paths = nullptr;
    g_variant_get(reply, "(ao)", &paths);
    const gchar* path = nullptr;
    while (g_variant_iter_loop(paths, "&o", &path)) {
        GVariant* flags =
            callSync(bus, kGnome, path, "org.gnome.SessionManager.Inhibitor", "GetFlags", nullptr, "(u)");
        if (!flags) continue;
        guint32 value = 0;
        g_variant_get(flags, "(u)", &value);
        g_variant_unref(flags);
        if (value & kGnomeInhibitIdle)
            list.push_back(
                Inhibition{stringReply(bus, path, "GetAppId"), stringReply(bus, path, "GetReason")});
    }
    g_variant_iter_free(paths);
    g_variant_unref(reply);
}

// PolicyAgent lists every inhibition, of whatever kind, as (application, reason) pairs; its
// interface file says a{ss}, what it sends is a(ss). Listed only while one holds off the screen.
void addKdeInhibitions(GDBusConnection* bus, std::vector<Inhibition>& list) {
    if (!askBoolean(bus, kKde, kKdePath, "HasInhibition", kKdeChangeScreenSettings)) return;
    GVariant* reply = callSync(bus, kKde, kKdePath, kKde, "ListInhibitions", nullptr, nullptr);
    if (!reply) return;
    GVariant* entries = g_variant_n_children(reply) == 1 ? g_variant_get_child_value(reply, 0) : nullptr;
    const bool pairs = entries && (g_variant_is_of_type(entries, G_VARIANT_TYPE("a(ss)")) ||
                                   g_variant_is_of_type(entries, G_VARIANT_TYPE("a{ss}")));
    for (gsize i = 0; pairs && i < g_variant_n_children(entries); ++i) {
        GVariant* entry = g_variant_get_child_value(entries, i);
        GVariant* application = g_variant_get_child_value(entry, 0);
        GVariant* reason = g_variant_get_child_value(entry, 1);
        list.push_back(
            Inhibition{g_variant_get_string(application, nullptr), g_variant_get_string(reason, nullptr)});
        g_variant_unref(reason);
        g_variant_unref(application);
        g_variant_unref(entry);
    }
    if (entries) g_variant_unref(entries);
    g_variant_unref(reply);
}

// logind's inhibitors: (what, who, why, mode, uid, pid); "what" is a colon-separated list.
void addLogindInhibitions(GDBusConnection* bus, std::vector<Inhibition>& list) {
    GVariant* reply = callSync(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", "ListInhibitors", nullptr, "(a(ssssuu))");
    if (!reply) return;
    GVariantIter* entries = nullptr;
    g_variant_get(reply, "(a(ssssuu))", &entries);
    const gchar *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
    guint32 uid = 0, pid = 0;
    while (g_variant_iter_loop(entries, "(&s&s&s&suu)", &what, &who, &why, &mode, &uid, &pid)) {
        const bool idle = (":" + std::string(what) + ":").find(":idle:") != std::string::npos;
        if (idle && std::string(mode) == "block") list.push_back(Inhibition{who, why});
    }
    g_variant_iter_free(entries);
    g_variant_unref(reply);
}

}  // namespace

bool desktopInhibitsIdle(GDBusConnection* session, GDBusConnection* system) {
    if (askBoolean(session, kGnome, kGnomePath, "IsInhibited", kGnomeInhibitIdle)) return true;
    if (askBoolean(session, kKde, kKdePath, "HasInhibition", kKdeChangeScreenSettings)) return true;
    std::vector<Inhibition> logind;
    addLogindInhibitions(system, logind);
    return !logind.empty();
}

std::vector<Inhibition> desktopInhibitions(GDBusConnection* session, GDBusConnection* system) {
    std::vector<Inhibition> list;
    addGnomeInhibitions(session, list);
    addKdeInhibitions(session, list);
    addLogindInhibitions(system, list);
    return list;
}

}  // namespace platform::gio
