#include "model/models_process.h"
#include "scene/particles.h"
#include "scene/scene.h"

Scene& theScene() {
    static Scene scene;
    return scene;
}

ParticleSystem& theParticleSystem() {
    static ParticleSystem system(processMediaSources());
    return system;
}
