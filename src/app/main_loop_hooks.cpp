#include "app/main_loop_hooks.h"

#include "countdown/countdown.h"
#include "gfx/gl_window.h"
#include "media/media_pack.h"
#include "model/model_manager.h"
#include "model/models_process.h"
#include "model/vertex_pool.h"
#include "platform/clock.h"
#include "settings/settings.h"
#include "sound/sound.h"

// Each subsystem replaces its empty body here with the call into its process-wide instance.
namespace runhooks {

void loadCountdownGlyphs() { theCountdownDisplay().loadGlyphs(); }
void loadSceneFile() {}
void startMusic() {
    const Settings& settings = theSettings();
    theSoundSystem().startMusic(settings.enableMusic, settings.soundVolume, &readFile);
}
void stopMusic() { theSoundSystem().stopMusic(theSettings().enableMusic); }

void updateCountdown() {
    const platform::LocalTime now = platform::localTime();
    CountdownTime& time = theCountdownTime();
    time.setDateTime(now.year, now.month, now.day, now.hour, now.minute, now.second);
    time.updateCountdown();
}

void drawOpaquePass(GLWindow&) {}
void resetSceneFlags() {}
void drawScene(GLWindow&) {}
void updateParticles(float) {}
void renderParticles() {}
void drawGlassPass(GLWindow&) {}
void drawCountdownOverlay(GLWindow& window) {
    const Settings& settings = theSettings();
    theCountdownDisplay().drawOverlay(theCountdownTime(), OverlayOptions{settings.Fps, settings.Clock, settings.Style24h},
                                      window.frameTimer.framesPerSecond);
}

void releaseScene() {}
void releaseModels() {
    theModelManager().releaseAll();
    theVertexPool().releaseGL();
}

}  // namespace runhooks
