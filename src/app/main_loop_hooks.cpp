#include "app/main_loop_hooks.h"

#include <algorithm>

#include "app/launch_options.h"
#include "countdown/countdown.h"
#include "gfx/gl_window.h"
#include "media/media_pack.h"
#include "model/model_manager.h"
#include "model/models_process.h"
#include "model/vertex_pool.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "settings/settings.h"
#include "sound/sound.h"

// Each subsystem replaces its empty body here with the call into its process-wide instance.
namespace runhooks {

void loadCountdownGlyphs() { theCountdownDisplay().loadGlyphs(); }
void loadSceneFile() {
    const GLWindow& window = theGLWindow();
    const LaunchOptions& options = launchOptions();
    SceneServices services;
    services.sources = processMediaSources();
    services.pool = &theVertexPool();
    services.models = &theModelManager();
    services.particles = &theParticleSystem();
    services.showMessage = [](const std::string& caption, const std::string& text) {
        platform::showMessageBox(caption, text);
    };
    services.tickCount = [] { return platform::tickCount(); };
    services.occlusionQueries = window.occlusionQueryAvailable;
    services.seeded = options.seeded;
    services.seed = options.seed;
    services.startCamera = options.camera;
    services.startCameraKey = std::max(options.cameraKey, 0);
    services.fixedView = options.fixedView;
    services.lookFrom = Vec3{options.lookFrom[0], options.lookFrom[1], options.lookFrom[2]};
    services.lookAt = Vec3{options.lookAt[0], options.lookAt[1], options.lookAt[2]};
    services.fixedFieldOfView = float(options.fieldOfView);
    ::loadSceneFile(theScene(), services);
    theVertexPool().setBufferObjectsAvailable(window.vboAvailable);
    theVertexPool().uploadPool();
}
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

void drawOpaquePass(GLWindow& window) { ::drawOpaquePass(theScene(), window.frameTimer.dt); }
void resetSceneFlags() { ::resetSceneFlags(theScene()); }
void drawScene(GLWindow& window) {
    Scene& scene = theScene();
    const CountdownTime& time = theCountdownTime();
    scene.clock = ClockTime{time.hour, time.minute, time.second};
    ::drawScene(scene, window.frameTimer.dt, window.occlusionQueryAvailable, &window.captureRequested);
}
void updateParticles(float dt) { theParticleSystem().update(dt); }
void renderParticles() { theParticleSystem().render(); }
void drawGlassPass(GLWindow& window) { ::drawGlassPass(theScene(), window.frameTimer.dt); }
void drawCountdownOverlay(GLWindow& window) {
    const Settings& settings = theSettings();
    theCountdownDisplay().drawOverlay(theCountdownTime(),
                                      OverlayOptions{settings.Fps, settings.Clock, settings.Style24h},
                                      window.frameTimer.framesPerSecond);
}

void releaseScene() {
    ::releaseScene(theScene());
    theParticleSystem().release();
}
void releaseModels() {
    theModelManager().releaseAll();
    theVertexPool().releaseGL();
}

}  // namespace runhooks
