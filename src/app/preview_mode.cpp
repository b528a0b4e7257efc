#include "app/preview_mode.h"

#include <cstdlib>

#include "core/log.h"
#include "core/run_mode.h"
#include "platform/blobs.h"
#include "platform/clock.h"
#include "platform/preview.h"

namespace {
constexpr char kPreviewPictureType[] = "BITMAP";
constexpr unsigned kPreviewPictureId = 144;
}  // namespace

void runPreviewMode(std::uint32_t parent) {
    logLine(parent);

    const platform::BlobView picture = platform::findBlob(kPreviewPictureType, kPreviewPictureId);
    platform::PreviewWindow window;
    const bool created = window.create(parent, picture.data, picture.size);
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
