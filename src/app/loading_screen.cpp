#include "app/loading_screen.h"

#include "app/frame_loop.h"
#include "media/texture_manager.h"
#include "overlay/overlay.h"

namespace {

const char* const kLoadingPicture = "Notification/loading.jpg";
const char* const kLoadingLogo = "Logo/4loader.jpg";

}  // namespace

void showLoadingScreen(RunSession& session) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    beginOverlay();
    // A negative half height: the picture's first row is at the top of the screen.
    drawQuadNow(0.0f, 0.0f, 1.0f, -1.0f, session.textures.getTexture(kLoadingPicture));
    drawQuadNow(0.788f, -0.894f, 0.212f, 0.106f, session.textures.getTexture(kLoadingLogo));
    endOverlay();
    // With a frame limit of 0 this is the last picture the run shows.
    keepScreenshotIfLast(session, 0);
    session.video().swapBuffers();
}

void releaseLoadingScreen(RunSession& session) {
    session.textures.releaseTexture(kLoadingPicture);
    session.textures.releaseTexture(kLoadingLogo);
}
