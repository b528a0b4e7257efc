#pragma once
// Small synchronous D-Bus calls for the desktop watch and its services. Each waits at most
// kCallTimeoutMilliseconds (or the time given), and each failure (no bus, nobody answering, a reply of
// another type) is a null or false result, never an error the caller must free.
//
//   callSync      one method call, its reply checked against a type
//   hasOwner      whether a name has an owner on the bus
//   readProperty  one property through org.freedesktop.DBus.Properties
//   requestName, releaseName   a well-known name for this connection

#include <gio/gio.h>

namespace platform::gio {

constexpr int kCallTimeoutMilliseconds = 2000;

// The reply, or null when the call failed, `bus` is null or `timeoutMilliseconds` is not above 0
// (then nothing is sent). `parameters` (a floating reference) is taken either way; `replyType` null
// accepts any reply. The caller unrefs the result.
GVariant* callSync(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                   const char* method, GVariant* parameters, const char* replyType,
                   int timeoutMilliseconds = kCallTimeoutMilliseconds);

bool hasOwner(GDBusConnection* bus, const char* name, int timeoutMilliseconds = kCallTimeoutMilliseconds);

// The property's value, or null when it cannot be read. The caller unrefs it.
GVariant* readProperty(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                       const char* property);

// Takes `name` for this connection unless another owns it, without queueing for it: true when this
// connection owns it now.
bool requestName(GDBusConnection* bus, const char* name);
void releaseName(GDBusConnection* bus, const char* name);

}  // namespace platform::gio
