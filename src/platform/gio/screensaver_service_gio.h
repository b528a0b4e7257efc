#pragma once
// org.freedesktop.ScreenSaver on the session bus, for desktops where nobody offers it (sway and the
// other wlroots desktops, bare X11 window managers): players and browsers call its Inhibit while a
// film plays, and without an owner their calls fail and the film is interrupted. Both object paths
// the programs use are served, /ScreenSaver and /org/freedesktop/ScreenSaver. A client's
// inhibitions end with its UnInhibit calls or when it leaves the bus, whichever comes first, so a
// player that crashes holds nothing off.
//
//   ScreenSaverService   offer (owns the name when free), inhibitions, withdraw

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/desktop_watch.h"

namespace platform::gio {

class ScreenSaverService {
public:
    static constexpr const char* kName = "org.freedesktop.ScreenSaver";

    ScreenSaverService() = default;
    ~ScreenSaverService() { withdraw(); }
    ScreenSaverService(const ScreenSaverService&) = delete;
    ScreenSaverService& operator=(const ScreenSaverService&) = delete;

    // Serves the interface on `bus` and takes the name, unless someone owns it already (then false,
    // nothing served). `active` answers GetActive: whether the screensaver runs now.
    bool offer(GDBusConnection* bus, std::function<bool()> active);
    // Gives up the name and the objects; every inhibition goes.
    void withdraw();
    bool offered() const { return bus_ != nullptr; }

    // What is held now, oldest first.
    std::vector<Inhibition> inhibitions() const;

private:
    struct Held {
        std::uint32_t cookie;
        std::string client;  // the caller's unique bus name
        Inhibition inhibition;
    };

    static void methodCalled(GDBusConnection*, const char* sender, const char*, const char*,
                             const char* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                             gpointer self);
    static void clientLeft(GDBusConnection*, const char* name, gpointer self);
    void inhibit(const std::string& client, const char* application, const char* reason,
                 GDBusMethodInvocation* invocation);
    void unInhibit(const std::string& client, std::uint32_t cookie, GDBusMethodInvocation* invocation);
    // Stops watching a client that holds nothing any more.
    void forgetIdleClient(const std::string& client);

    GDBusConnection* bus_ = nullptr;
    std::vector<guint> objects_;
    std::function<bool()> active_;
    std::vector<Held> held_;
    std::map<std::string, guint> clientWatches_;  // by unique name
    std::uint32_t nextCookie_ = 1;
};

}  // namespace platform::gio
