#include "platform/wayland/presentation_wayland.h"

#include <poll.h>
#include <wayland-client.h>

namespace platform::wayland {

void PresentationWatch::start(wl_display* display, wl_surface* surface) {
    stop();
    if (!display || !surface) return;
    display_ = display;
    queue_ = wl_display_create_queue(display);
    surface_ = static_cast<wl_surface*>(wl_proxy_create_wrapper(surface));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(surface_), queue_);
}

void PresentationWatch::stop() {
    if (awaited_) wl_callback_destroy(awaited_);
    awaited_ = nullptr;
    if (surface_) wl_proxy_wrapper_destroy(surface_);
    surface_ = nullptr;
    if (queue_) wl_event_queue_destroy(queue_);
    queue_ = nullptr;
    display_ = nullptr;
}

void PresentationWatch::framePresented(std::uint32_t now) {
    if (!surface_ || awaited_) return;
    static const wl_callback_listener listener = {&PresentationWatch::done};
    awaited_ = wl_surface_frame(surface_);
    wl_callback_add_listener(awaited_, &listener, this);
    askedAt_ = now;
}

bool PresentationWatch::shown(std::uint32_t now) {
    if (!surface_) return true;
    takeInCallbacks();
    // Unsigned subtraction counts across the tick's wrap.
    return !awaited_ || now - askedAt_ < kUnshownMilliseconds;
}

void PresentationWatch::done(void* data, wl_callback* callback, std::uint32_t) {
    auto* self = static_cast<PresentationWatch*>(data);
    wl_callback_destroy(callback);
    if (callback == self->awaited_) self->awaited_ = nullptr;
}

void PresentationWatch::takeInCallbacks() {
    // Reads what has arrived on the connection without waiting (the toolkit may not have read it
    // lately: Run mode loading, or a pass that sleeps), then runs our queue's callbacks.
    if (wl_display_prepare_read_queue(display_, queue_) == 0) {
        pollfd connection = {wl_display_get_fd(display_), POLLIN, 0};
        if (poll(&connection, 1, 0) > 0) {
            wl_display_read_events(display_);
        } else {
            wl_display_cancel_read(display_);
        }
    }
    wl_display_dispatch_queue_pending(display_, queue_);
}

}  // namespace platform::wayland
