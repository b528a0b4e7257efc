#include "platform/wayland/idle_wayland.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

namespace platform::wayland {
namespace {

// Version 1 of ext_idle_notifier_v1 has only get_idle_notification, which honours idle inhibitors
// (a film playing). Version 2 adds get_input_idle_notification, which ignores them and is never
// asked for here; binding no higher than 1 keeps it so whatever the compositor offers.
constexpr std::uint32_t kExtIdleNotifierVersion = 1;

class WaylandIdle final : public posix::IdleSignal {
public:
    WaylandIdle(IdleSourceKind kind, Report report) : kind_(kind), report_(std::move(report)) {}
    ~WaylandIdle() override {
        if (extNotification_) ext_idle_notification_v1_destroy(extNotification_);
        if (kdeTimeout_) org_kde_kwin_idle_timeout_release(kdeTimeout_);
        if (extNotifier_) ext_idle_notifier_v1_destroy(extNotifier_);
        if (kdeIdle_) org_kde_kwin_idle_destroy(kdeIdle_);
        if (seat_) wl_seat_destroy(seat_);
        if (registry_) wl_registry_destroy(registry_);
        if (display_) wl_display_disconnect(display_);
    }

    bool open(unsigned milliseconds, std::string& why) {
        display_ = wl_display_connect(nullptr);
        if (!display_) {
            why = "no Wayland display";
            return false;
        }
        registry_ = wl_display_get_registry(display_);
        static const wl_registry_listener registryListener = {&WaylandIdle::global,
                                                              &WaylandIdle::globalRemove};
        wl_registry_add_listener(registry_, &registryListener, this);
        if (wl_display_roundtrip(display_) < 0) {
            why = "the Wayland display did not answer";
            return false;
        }
        const bool ext = kind_ == IdleSourceKind::ExtIdleNotifier;
        if (!seat_ || (ext ? !extNotifier_ : !kdeIdle_)) {
            why = seat_ ? "the compositor does not offer it" : "the compositor offers no seat";
            return false;
        }
        if (ext) {
            extNotification_ = ext_idle_notifier_v1_get_idle_notification(extNotifier_, milliseconds, seat_);
            static const ext_idle_notification_v1_listener listener = {&WaylandIdle::extIdled,
                                                                       &WaylandIdle::extResumed};
            ext_idle_notification_v1_add_listener(extNotification_, &listener, this);
        } else {
            kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, milliseconds);
            static const org_kde_kwin_idle_timeout_listener listener = {&WaylandIdle::kdeIdled,
                                                                        &WaylandIdle::kdeResumed};
            org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &listener, this);
        }
        if (wl_display_roundtrip(display_) < 0) {
            why = "the compositor refused the idle watch";
            return false;
        }
        return true;
    }

    int fd() const override { return wl_display_get_fd(display_); }

    bool update() override {
        // Called when the connection has input: read it, run the listeners, send what they queued.
        if (wl_display_dispatch(display_) < 0) {
            report_(DesktopEvent::SourceLost);
            return false;
        }
        wl_display_flush(display_);
        return true;
    }

private:
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<WaylandIdle*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 &&
                   self->kind_ == IdleSourceKind::ExtIdleNotifier) {
            self->extNotifier_ = static_cast<ext_idle_notifier_v1*>(wl_registry_bind(
                registry, name, &ext_idle_notifier_v1_interface, std::min(version, kExtIdleNotifierVersion)));
        } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0 &&
                   self->kind_ == IdleSourceKind::KdeIdle) {
            self->kdeIdle_ = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        }
    }
    static void globalRemove(void*, wl_registry*, std::uint32_t) {}
    static void extIdled(void* data, ext_idle_notification_v1*) {
        static_cast<WaylandIdle*>(data)->report_(DesktopEvent::Idle);
    }
    static void extResumed(void* data, ext_idle_notification_v1*) {
        static_cast<WaylandIdle*>(data)->report_(DesktopEvent::Active);
    }
    static void kdeIdled(void* data, org_kde_kwin_idle_timeout*) {
        static_cast<WaylandIdle*>(data)->report_(DesktopEvent::Idle);
    }
    static void kdeResumed(void* data, org_kde_kwin_idle_timeout*) {
        static_cast<WaylandIdle*>(data)->report_(DesktopEvent::Active);
    }

    IdleSourceKind kind_;
    Report report_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* extNotifier_ = nullptr;
    ext_idle_notification_v1* extNotification_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
};

}  // namespace

std::unique_ptr<posix::IdleSignal> openWaylandIdle(IdleSourceKind kind, unsigned milliseconds,
                                                   posix::IdleSignal::Report report, std::string& why) {
    auto idle = std::make_unique<WaylandIdle>(kind, std::move(report));
    if (!idle->open(milliseconds, why)) return nullptr;
    return idle;
}

}  // namespace platform::wayland
