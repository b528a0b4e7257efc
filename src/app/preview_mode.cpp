#include "app/preview_mode.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include "core/log.h"
#include "core/run_mode.h"
#include "media/image_decoders.h"
#include "platform/blobs.h"
#include "platform/clock.h"
#include "platform/preview.h"

namespace {
constexpr char kPreviewPictureType[] = "BITMAP";
constexpr unsigned kPreviewPictureId = 144;

// The embedded preview bitmap decoded, or an empty picture (the plain one) when it is missing or
// cannot be decoded.
platform::BmpPicture previewPicture() {
    const platform::BlobView blob = platform::findBlob(kPreviewPictureType, kPreviewPictureId);
    platform::BmpPicture picture;
    if (blob.data == nullptr) return picture;
    std::optional<ImageRecord> image = decodeDib(blob.data, blob.size);
    if (!image) return picture;
    picture.width = image->width;
    picture.height = image->height;
    picture.rgb = std::move(image->pixels);
    return picture;
}

}  // namespace

void runPreviewMode(std::uint32_t parent) {
    logLine(parent);

    platform::PreviewWindow window;
    const bool created = window.create(parent, previewPicture());
    if (created) window.show();
    theLog().write("Creating window...");
    if (!created) {
        theLog().write("Create Window failed!");
        return;
    }
    // Other tools and people's scripts read these lines; they keep the text the program has always
    // written.
    theLog().write("Window is create");
    theLog().write("OpenGL initialized");
    window.show();

    while (currentRunMode() == RunMode::Preview) {
        const platform::PreviewEvent event = window.poll();
        if (event == platform::PreviewEvent::WindowGone) {
            requestQuit();
            break;
        }
        // A close request ends the loop at its next test, as anything that sets Quit does.
        if (event == platform::PreviewEvent::CloseRequested) requestQuit();
        platform::sleepMilliseconds(1);
    }
    window.destroy();
    std::exit(0);
}
