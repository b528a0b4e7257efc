#pragma once
// The preview picture: a small window showing one fixed picture, either inside a window the host
// gives us (the display settings' preview area) or, without one, as a small window of its own.

#include <cstdint>
#include <memory>

#include "platform/bmp_decoder.h"

namespace platform {

// What one pass over the preview's event queue found.
enum class PreviewEvent {
    QueueEmpty,      // the queue was empty
    Handled,         // an event was taken and handled (a repaint, a resize)
    CloseRequested,  // the user asked the own window to close
    WindowGone,      // the preview window no longer exists (the host destroyed its parent)
};

class PreviewWindow {
public:
    // The own window's size: 105 x 72 dialog units in the default dialog font.
    static constexpr int kOwnWidth = 158;
    static constexpr int kOwnHeight = 117;

    PreviewWindow();
    ~PreviewWindow();  // releases the window and the display connection
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    // Creates the window: a child covering the host window `parentId` (an X11 window id), or with
    // parentId 0 a top-level window of kOwnWidth x kOwnHeight. `picture` is copied; an empty one (or
    // one larger than 4096 x 4096) shows a plain dark-blue picture instead.
    // Returns false when there is no display or the parent does not exist; nothing is left open.
    bool create(std::uint32_t parentId, const BmpPicture& picture);
    // Maps the window and draws the picture.
    void show();
    // Takes at most one event from the queue without waiting and handles it.
    PreviewEvent poll();
    // Destroys the window and closes the display connection; safe to call twice.
    void destroy();

    bool isCreated() const;
    // The X11 id of the preview window, 0 before create() or after it went away.
    std::uint32_t windowId() const;
    // The picture in use after create(): its size, or 0 x 0 for the plain picture.
    int pictureWidth() const;
    int pictureHeight() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform
