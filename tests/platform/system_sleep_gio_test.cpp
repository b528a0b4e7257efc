// logind's PrepareForSleep on a system bus of the test's own (a private dbus-daemon named by
// DBUS_SYSTEM_BUS_ADDRESS): heard from the owner of "org.freedesktop.login1" and from nobody else;
// without a bus, or once it went away, nothing happens.

#include "platform/gio/system_sleep_gio.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "support/process.h"

namespace {

using namespace std::chrono_literals;
using platform::WindowEvent;

GDBusConnection* connectTo(const std::string& address) {
    const auto flags = GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                            G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    return g_dbus_connection_new_for_address_sync(address.c_str(), flags, nullptr, nullptr, nullptr);
}

void emitPrepareForSleep(GDBusConnection* sender, bool sleeping) {
    g_dbus_connection_emit_signal(sender, nullptr, "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "PrepareForSleep",
                                  g_variant_new("(b)", sleeping), nullptr);
    g_dbus_connection_flush_sync(sender, nullptr, nullptr);
}

TEST(SystemSleepWatch, HearsLogindOnTheSystemBusAndNobodyElse) {
    platform::gio::SystemSleepWatch watch;
    platform::PowerEvents events;
    // The next event the signals make, polled for up to `limit`.
    auto next = [&](std::chrono::milliseconds limit) {
        WindowEvent event = WindowEvent::None;
        testsupport::waitUntil(
            [&] { return watch.poll(events), (event = events.take()) != WindowEvent::None; }, limit);
        return event;
    };
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    EXPECT_FALSE(watch.start());

    testsupport::ProcessRequest bus;
    bus.program = "/usr/bin/dbus-daemon";
    bus.args = {"--session", "--nofork", "--print-address"};
    testsupport::BackgroundProcess daemon;
    ASSERT_TRUE(daemon.start(bus));
    std::string address;
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return (address = daemon.output()).find('\n') != std::string::npos; }));
    address.erase(address.find('\n'));
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    GDBusConnection* logind = connectTo(address);
    GDBusConnection* stranger = connectTo(address);
    ASSERT_TRUE(logind && stranger);
    GVariant* owned = g_dbus_connection_call_sync(logind, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "RequestName",
                                                  g_variant_new("(su)", "org.freedesktop.login1", 0u),
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_NE(owned, nullptr);
    g_variant_unref(owned);

    ASSERT_TRUE(watch.start());
    emitPrepareForSleep(stranger, true);
    EXPECT_EQ(next(300ms), WindowEvent::None);
    emitPrepareForSleep(logind, true);
    EXPECT_EQ(next(2s), WindowEvent::SystemSuspending);
    emitPrepareForSleep(logind, false);
    EXPECT_EQ(next(2s), WindowEvent::SystemResumed);

    // The bus going away does not take the process with it, not even where GLib's default loop runs
    // (as under the GTK dialog).
    daemon.kill();
    std::this_thread::sleep_for(300ms);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    EXPECT_EQ(next(100ms), WindowEvent::None);
    watch.stop();
    g_object_unref(logind);
    g_object_unref(stranger);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace
