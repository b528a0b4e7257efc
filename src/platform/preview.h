#pragma once
// The preview picture: a small window showing one fixed picture, either inside a window the host
// gives us (the display settings' preview area) or, without one, as a small window of its own.
// What the window shows is decided here (preview.cpp: the picture, stretched to the window); the
// backends (x11/, win32/) make the window and put those pixels on it.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bitmap_conversion.h"

namespace platform {

// What one pass over the preview's event queue found.
enum class PreviewEvent {
    QueueEmpty,      // the queue was empty
    Handled,         // an event was taken and handled (a repaint, a resize)
    CloseRequested,  // the user asked the own window to close
    WindowGone,      // the preview window no longer exists (the host destroyed its parent)
};

// What the preview shows without a picture, as 0x00RRGGBB: a dark blue.
inline constexpr std::uint32_t kPlainPreviewColour = 0x00102050;

// The preview's picture as 0x00RRGGBB pixels, rows top first.
struct PreviewPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// The decoded picture with its rows top first; empty (0 x 0) when there is none, when its pixels do
// not fill its size, or when a side is longer than 4096 pixels.
PreviewPicture previewPictureFrom(const BmpPicture& decoded);

// Fills `out` (width * height pixels, rows top first) with the picture stretched to that size, each
// pixel the nearest one of the picture; with the plain colour when the picture is empty.
void scalePreviewPicture(const PreviewPicture& picture, int width, int height, std::uint32_t* out);

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
    // one previewPictureFrom refuses) shows the plain picture instead.
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
    // The backend's part of create(), after destroy() and with picture_ converted: the window, shown
    // by show(). False, with nothing left open, when it cannot be made.
    bool createWindow(std::uint32_t parentId);

    struct State;  // the backend's window and connection
    std::unique_ptr<State> state_;
    PreviewPicture picture_;
};

}  // namespace platform
