// logind's PrepareForSleep on a system bus of the test's own (a private dbus-daemon named by
// DBUS_SYSTEM_BUS_ADDRESS): the signal from the owner of "org.freedesktop.login1" is heard, the same
// signal from anyone else is not, and without a bus nothing happens.

#include "platform/gio/system_sleep_gio.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "support/process.h"

namespace {

using namespace std::chrono_literals;
using platform::WindowEvent;

// A connection to the bus at `address`, registered with it.
GDBusConnection* connectTo(const std::string& address) {
    return g_dbus_connection_new_for_address_sync(
        address.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
}

void emitPrepareForSleep(GDBusConnection* sender, bool sleeping) {
    g_dbus_connection_emit_signal(sender, nullptr, "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "PrepareForSleep",
                                  g_variant_new("(b)", sleeping), nullptr);
    g_dbus_connection_flush_sync(sender, nullptr, nullptr);
}

// The next event the watch's signals make, polling for up to `limit`.
WindowEvent nextEvent(platform::gio::SystemSleepWatch& watch, platform::PowerEvents& events,
                      std::chrono::milliseconds limit = 2s) {
    WindowEvent event = WindowEvent::None;
    testsupport::waitUntil(
        [&] {
            watch.poll(events);
            event = events.take();
            return event != WindowEvent::None;
        },
        limit);
    return event;
}

TEST(SystemSleepWatch, HearsLogindOnTheSystemBusAndNobodyElse) {
    platform::gio::SystemSleepWatch watch;
    platform::PowerEvents events;
    testsupport::TempDir dir("gdbus");
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file("none")).c_str(), 1);
    EXPECT_FALSE(watch.start());
    watch.poll(events);
    EXPECT_EQ(events.take(), WindowEvent::None);

    testsupport::ProcessRequest bus;
    bus.program = "/usr/bin/dbus-daemon";
    bus.args = {"--session", "--nofork", "--print-address"};
    testsupport::BackgroundProcess daemon;
    ASSERT_TRUE(daemon.start(bus));
    std::string address;
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            address = daemon.output();
            return address.find('\n') != std::string::npos;
        },
        10s));
    address.erase(address.find('\n'));
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);

    GDBusConnection* logind = connectTo(address);
    GDBusConnection* stranger = connectTo(address);
    ASSERT_NE(logind, nullptr);
    ASSERT_NE(stranger, nullptr);
    GVariant* reply = g_dbus_connection_call_sync(logind, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "RequestName",
                                                  g_variant_new("(su)", "org.freedesktop.login1", 0u),
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);

    ASSERT_TRUE(watch.start());
    emitPrepareForSleep(stranger, true);
    EXPECT_EQ(nextEvent(watch, events, 300ms), WindowEvent::None);
    emitPrepareForSleep(logind, true);
    EXPECT_EQ(nextEvent(watch, events), WindowEvent::SystemSuspending);
    emitPrepareForSleep(logind, false);
    EXPECT_EQ(nextEvent(watch, events), WindowEvent::SystemResumed);

    // The bus going away leaves the watch quiet and does not take the process with it, not even
    // where GLib's default loop runs (as under the GTK dialog).
    watch.stop();
    ASSERT_TRUE(watch.start());
    daemon.kill();
    std::this_thread::sleep_for(300ms);  // the connection's own thread hears of it meanwhile
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    watch.poll(events);
    EXPECT_EQ(events.take(), WindowEvent::None);
    watch.stop();
    g_object_unref(logind);
    g_object_unref(stranger);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace
