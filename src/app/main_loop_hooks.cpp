#include "app/main_loop_hooks.h"

#include "gfx/gl_window.h"

// Each subsystem replaces its empty body here with the call into its process-wide instance.
namespace runhooks {

void loadCountdownGlyphs() {}
void loadSceneFile() {}
void startMusic() {}
void stopMusic() {}

void updateCountdown() {}

void drawOpaquePass(GLWindow&) {}
void resetSceneFlags() {}
void drawScene(GLWindow&) {}
void updateParticles(float) {}
void renderParticles() {}
void drawGlassPass(GLWindow&) {}
void drawCountdownOverlay(GLWindow&) {}

void releaseScene() {}
void releaseModels() {}

}  // namespace runhooks
