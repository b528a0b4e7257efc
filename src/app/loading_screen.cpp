#include "app/loading_screen.h"

#include "app/frame_loop.h"
#include "gfx/overlay.h"
#include "media/texture_manager.h"

void showLoadingScreen(RunSession& session) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    beginOverlay();
    // A negative half height: the picture's first row is at the top of the screen.
    drawQuadNow(0.0f, 0.0f, 1.0f, -1.0f, session.textures.getTexture("Notification/loading.jpg"));
    drawQuadNow(0.788f, -0.894f, 0.212f, 0.106f, session.textures.getTexture("Logo/4loader.jpg"));
    endOverlay();
    // With a frame limit of 0 this is the last picture the run shows.
    keepScreenshotIfLast(session, 0);
    session.video().swapBuffers();
}
