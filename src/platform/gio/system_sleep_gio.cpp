#include "platform/gio/system_sleep_gio.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

namespace platform::gio {
namespace {

constexpr char kLogind[] = "org.freedesktop.login1";
constexpr int kCallTimeoutMilliseconds = 2000;

void onPrepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, gpointer watch) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
    gboolean sleeping = FALSE;
    g_variant_get(parameters, "(b)", &sleeping);
    static_cast<SystemSleepWatch*>(watch)->signalled(sleeping != FALSE);
}

}  // namespace

bool SystemSleepWatch::start() {
    stop();
    GError* error = nullptr;
    bus_ = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    if (bus_ == nullptr) {
        g_clear_error(&error);
        return false;
    }
    // The bus connection is shared by the whole process, and by default a bus that goes away takes
    // the process with it; a screensaver runs on without one.
    g_dbus_connection_set_exit_on_close(bus_, FALSE);
    // Signals are delivered to the context that was the thread's default when subscribing: a context
    // of our own, so that they are only ever handled inside poll, on this thread.
    context_ = g_main_context_new();
    g_main_context_push_thread_default(context_);
    subscription_ = g_dbus_connection_signal_subscribe(
        bus_, kLogind, "org.freedesktop.login1.Manager", "PrepareForSleep", "/org/freedesktop/login1",
        nullptr, G_DBUS_SIGNAL_FLAGS_NONE, onPrepareForSleep, this, nullptr);
    g_main_context_pop_thread_default(context_);
    takeInhibitor();
    return true;
}

void SystemSleepWatch::takeInhibitor() {
    if (bus_ == nullptr || inhibitor_ >= 0) return;
    GUnixFDList* descriptors = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        bus_, kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "Inhibit",
        g_variant_new("(ssss)", "sleep", "Glimmerdale", "Pausing the music before the system sleeps",
                      "delay"),
        G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds, nullptr, &descriptors,
        nullptr, nullptr);
    if (reply != nullptr && descriptors != nullptr) {
        gint32 index = -1;
        g_variant_get(reply, "(h)", &index);
        inhibitor_ = g_unix_fd_list_get(descriptors, index, nullptr);
    }
    if (descriptors != nullptr) g_object_unref(descriptors);
    if (reply != nullptr) g_variant_unref(reply);
}

void SystemSleepWatch::releaseInhibitor() {
    if (inhibitor_ >= 0) close(inhibitor_);
    inhibitor_ = -1;
}

void SystemSleepWatch::poll(PowerEvents& events) {
    if (context_ == nullptr) return;
    if (releaseDue_) releaseInhibitor();
    releaseDue_ = false;
    receiver_ = &events;
    // Bounded: a flood of signals must not hold up the frame loop.
    for (int i = 0; i < 16 && g_main_context_iteration(context_, FALSE); ++i) {
    }
    receiver_ = nullptr;
}

void SystemSleepWatch::signalled(bool sleeping) {
    if (receiver_ != nullptr) receiver_->noteSystemSleep(sleeping);
    if (sleeping) {
        releaseDue_ = true;
    } else {
        releaseDue_ = false;
        takeInhibitor();
    }
}

void SystemSleepWatch::stop() {
    releaseInhibitor();
    releaseDue_ = false;
    if (bus_ != nullptr && subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    subscription_ = 0;
    if (context_ != nullptr) {
        // Signals already queued go by with nobody to receive them.
        while (g_main_context_iteration(context_, FALSE)) {
        }
        g_main_context_unref(context_);
        context_ = nullptr;
    }
    if (bus_ != nullptr) g_object_unref(bus_);
    bus_ = nullptr;
}

}  // namespace platform::gio
