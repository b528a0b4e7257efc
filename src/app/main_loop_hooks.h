#pragma once
// The calls Run mode makes into the scene, particles, countdown and sound, in one place. Each is
// filled in by its subsystem; until then it does nothing, so the frame loop, fades and overlay pass
// run on their own.

struct GLWindow;

namespace runhooks {

// Loading (after the loading picture is on screen).
void loadCountdownGlyphs();
void loadSceneFile();
// Music start after loading and stop at shutdown; both only when the music option is on.
void startMusic();
void stopMusic();

// Per pass of the frame loop, before the frame: store the local time and update the countdown.
void updateCountdown();

// The frame's 3-D passes, in frame order.
void drawOpaquePass(GLWindow& window);  // into the capture viewport before a camera cut
void resetSceneFlags();
void drawScene(GLWindow& window);  // steps the camera; may set window.captureRequested
void updateParticles(float dt);
void renderParticles();
void drawGlassPass(GLWindow& window);
// Drawn on top of the queued overlay quads.
void drawCountdownOverlay(GLWindow& window);

// Shutdown: free the scene's objects, then the models (textures are released in between).
void releaseScene();
void releaseModels();

}  // namespace runhooks
