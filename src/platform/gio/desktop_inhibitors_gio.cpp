#include "platform/gio/desktop_inhibitors_gio.h"

#include <algorithm>
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

// The time left of what the caller gave all the calls together, which each call waits at most.
class Budget {
public:
    explicit Budget(int milliseconds) : end_(g_get_monotonic_time() + gint64(milliseconds) * 1000) {}
    // 0 once spent: callSync then sends nothing.
    int left() const {
        return int(std::clamp<gint64>((end_ - g_get_monotonic_time()) / 1000, 0, kCallTimeoutMilliseconds));
    }

private:
    gint64 end_;
};

bool askBoolean(GDBusConnection* bus, const char* name, const char* path, const char* method, guint32 flags,
                const Budget& budget) {
    if (!hasOwner(bus, name, budget.left())) return false;
    GVariant* reply =
        callSync(bus, name, path, name, method, g_variant_new("(u)", flags), "(b)", budget.left());
    if (!reply) return false;
    gboolean answer = FALSE;
    g_variant_get(reply, "(b)", &answer);
    g_variant_unref(reply);
    return answer;
}

std::string stringReply(GDBusConnection* bus, const char* path, const char* method, const Budget& budget) {
    GVariant* reply = callSync(bus, kGnome, path, "org.gnome.SessionManager.Inhibitor", method, nullptr,
                               "(s)", budget.left());
    if (!reply) return "";
    const gchar* text = nullptr;
    g_variant_get(reply, "(&s)", &text);
    std::string copy = text;
    g_variant_unref(reply);
    return copy;
}

void addGnomeInhibitions(GDBusConnection* bus, std::vector<Inhibition>& list, const Budget& budget) {
    if (!hasOwner(bus, kGnome, budget.left())) return;
    GVariant* reply =
        callSync(bus, kGnome, kGnomePath, kGnome, "GetInhibitors", nullptr, "(ao)", budget.left());
    if (!reply) return;
    GVariantIter* paths = nullptr;
    g_variant_get(reply, "(ao)", &paths);
    const gchar* path = nullptr;
    while (g_variant_iter_loop(paths, "&o", &path)) {
        GVariant* flags = callSync(bus, kGnome, path, "org.gnome.SessionManager.Inhibitor", "GetFlags",
                                   nullptr, "(u)", budget.left());
        if (!flags) continue;
        guint32 value = 0;
        g_variant_get(flags, "(u)", &value);
        g_variant_unref(flags);
        if (value & kGnomeInhibitIdle)
            list.push_back(Inhibition{stringReply(bus, path, "GetAppId", budget),
                                      stringReply(bus, path, "GetReason", budget)});
    }
    g_variant_iter_free(paths);
    g_variant_unref(reply);
}

// PolicyAgent lists every inhibition, of whatever kind, as (application, reason) pairs; its
// interface file says a{ss}, what it sends is a(ss). Listed only while one holds off the screen.
void addKdeInhibitions(GDBusConnection* bus, std::vector<Inhibition>& list, const Budget& budget) {
    if (!askBoolean(bus, kKde, kKdePath, "HasInhibition", kKdeChangeScreenSettings, budget)) return;
    GVariant* reply = callSync(bus, kKde, kKdePath, kKde, "ListInhibitions", nullptr, nullptr, budget.left());
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
void addLogindInhibitions(GDBusConnection* bus, std::vector<Inhibition>& list, const Budget& budget) {
    GVariant* reply =
        callSync(bus, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                 "ListInhibitors", nullptr, "(a(ssssuu))", budget.left());
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

bool desktopInhibitsIdle(GDBusConnection* session, GDBusConnection* system, int milliseconds) {
    const Budget budget(milliseconds);
    if (askBoolean(session, kGnome, kGnomePath, "IsInhibited", kGnomeInhibitIdle, budget)) return true;
    if (askBoolean(session, kKde, kKdePath, "HasInhibition", kKdeChangeScreenSettings, budget)) return true;
    std::vector<Inhibition> logind;
    addLogindInhibitions(system, logind, budget);
    return !logind.empty();
}

std::vector<Inhibition> desktopInhibitions(GDBusConnection* session, GDBusConnection* system,
                                           int milliseconds) {
    const Budget budget(milliseconds);
    std::vector<Inhibition> list;
    addGnomeInhibitions(session, list, budget);
    addKdeInhibitions(session, list, budget);
    addLogindInhibitions(system, list, budget);
    return list;
}

}  // namespace platform::gio
