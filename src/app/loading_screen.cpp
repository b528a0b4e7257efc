#include "app/loading_screen.h"

#include "app/main_loop.h"
#include "gfx/overlay.h"
#include "media/texture_manager.h"

void showLoadingScreen(GLWindow& window) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    beginOverlay();
    // A negative half height: the picture's first row is at the top of the screen.
    drawQuadNow(0.0f, 0.0f, 1.0f, -1.0f, theTextureManager().getTexture("Notification/loading.jpg"));
    drawQuadNow(0.788f, -0.894f, 0.212f, 0.106f, theTextureManager().getTexture("Logo/4loader.jpg"));
    endOverlay();
    // With a frame limit of 0 this is the last picture the run shows.
    keepScreenshotIfLast(window, 0);
    backendOf(window).swapBuffers();
}
