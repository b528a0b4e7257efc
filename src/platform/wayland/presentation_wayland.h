#pragma once
// Whether a Wayland compositor still shows a window. It sends a surface's frame callback when it is
// a good time to draw the next frame, and none to a surface it does not show: one covered by a
// session lock (swaylock), or on outputs switched off. A swap that waited for the callback would
// then block, and a program that kept drawing would waste the machine and play its sound unseen.
//
// One callback is asked for at a time, with the frame presented next; when it has not come
// kUnshownMilliseconds after that frame was presented the window counts as no longer shown, until
// it comes. The toolkit (SDL) reads the connection; the callbacks wait in a queue of our own.
//
//   PresentationWatch   start on a toolkit's surface, framePresented before each swap, shown

#include <cstdint>

struct wl_display;
struct wl_surface;
struct wl_event_queue;
struct wl_callback;

namespace platform::wayland {

class PresentationWatch {
public:
    static constexpr std::uint32_t kUnshownMilliseconds = 1000;

    PresentationWatch() = default;
    ~PresentationWatch() { stop(); }
    PresentationWatch(const PresentationWatch&) = delete;
    PresentationWatch& operator=(const PresentationWatch&) = delete;

    // Watches `surface` of the toolkit's connection `display`, which must outlive the watch (or
    // stop() comes first). Without either, nothing is watched and the window always counts as shown.
    void start(wl_display* display, wl_surface* surface);
    void stop();

    // Just before the surface's next buffer is committed (the swap), at the millisecond tick `now`:
    // asks for a callback with that frame, unless one is still awaited.
    void framePresented(std::uint32_t now);
    // Whether the window counts as shown at `now`. Never waits: takes in what the connection holds.
    bool shown(std::uint32_t now);

private:
    static void done(void* self, wl_callback* callback, std::uint32_t time);
    void takeInCallbacks();

    wl_display* display_ = nullptr;
    wl_surface* surface_ = nullptr;  // a wrapper of the toolkit's surface that sends to our queue
    wl_event_queue* queue_ = nullptr;
    wl_callback* awaited_ = nullptr;
    std::uint32_t askedAt_ = 0;
};

}  // namespace platform::wayland
