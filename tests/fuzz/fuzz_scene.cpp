// Fuzzes the scene loader: arbitrary bytes as the scene file, built into a scene with a real vertex
// pool and model manager (every other file missing, no GL), then a few frames of camera steps, key
// animation and helper firing. Building must end in a scene whose batches stay inside the pool.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "scene/particles.h"
#include "scene/scene_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MediaSources sources;
    sources.readFile = [](const char*) { return FileBuffer{}; };
    sources.getTexture = [](const std::string&) { return 1u; };
    SharedVertexPool pool;
    ModelManager models(pool, sources);
    models.setNotFoundHandler([](const std::string&) {});
    // Every effect file is missing, so nothing spawns and one system serves every input.
    static ParticleSystem particles(sources);
    SceneServices services;
    services.sources = sources;
    services.pool = &pool;
    services.models = &models;
    services.particles = &particles;
    services.seeded = true;
    services.seed = 7;
    Scene scene;
    buildScene(scene, services, data, size);
    for (const SceneObject& object : scene.objects) {
        for (const MeshBatch& batch : object.batches) {
            if (batch.firstCorner < 0 || batch.cornerCount < 1 ||
                std::size_t(batch.firstCorner) + std::size_t(batch.cornerCount) > pool.size()) {
                std::abort();
            }
        }
        for (int light : object.lights) {
            if (light < 0 || std::size_t(light) >= scene.lights.size()) std::abort();
        }
    }
    View view;
    startView(scene, view, 0, 1, {});
    for (int frame = 0; frame < 4; ++frame) {
        updateCamera(scene, view, 7.0f);
        beginSceneFrame(scene, 9.0f);
        view.triggered.assign(scene.helpers.size(), 1);
        fireSceneHelpers(scene, view);
    }
    if (!scene.cameras.empty() && std::size_t(view.currentCamera) >= scene.cameras.size()) std::abort();
    releaseView(view);
    releaseScene(scene);
    return 0;
}
