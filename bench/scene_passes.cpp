// Per-frame scene work and loading: updateParticles with 80 000 vertices live, the opaque pass's
// CPU time on a room of the shipped scene's shape (35 meshes, 24 placed models, 5 cameras of 300 keys,
// one light), and the scene load time. The room is Models/test.BSS from this build's media when it
// exists, else a generated one of the same shape. The opaque pass needs a display (Xvfb):
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_scene_passes
#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "scene/bss_file.h"
#include "scene/effect_file.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "support/test_gl_context.h"
#include "scene/particles.h"
#include "scene/scene_internal.h"

namespace {

MediaSources sourcesFor(std::map<std::string, Bytes>& files) {
    MediaSources sources;
    sources.readFile = [&files](const char* path) {
        FileBuffer buffer;
        auto it = files.find(path);
        if (it == files.end()) return buffer;
        buffer.data = static_cast<std::uint8_t*>(std::malloc(it->second.size() + 1));
        std::memcpy(buffer.data, it->second.data(), it->second.size());
        buffer.size = std::uint32_t(it->second.size());
        return buffer;
    };
    sources.getTexture = [](const std::string&) { return 0u; };
    return sources;
}

// A grid of `quads` × `quads` squares at height z over ±size.
BssRoomMesh gridMesh(const std::string& name, const std::string& parent, int quads, float size, float z) {
    BssRoomMesh mesh;
    mesh.name = name;
    mesh.parentName = parent;
    const float step = 2 * size / float(quads);
    for (int j = 0; j <= quads; ++j) {
        for (int i = 0; i <= quads; ++i)
            mesh.positions.push_back({-size + step * float(i), -size + step * float(j), z});
    }
    for (int j = 0; j < quads; ++j) {
        for (int i = 0; i < quads; ++i) {
            const int a = j * (quads + 1) + i, b = a + 1, c = a + quads + 2, d = a + quads + 1;
            mesh.faces.push_back({a, b, c});
            mesh.faces.push_back({a, c, d});
        }
    }
    mesh.uvs = {{0, 0, 0}, {1, 1, 0}};
    mesh.uvFaces.assign(mesh.faces.size(), {0, 1, 1});
    mesh.normals.assign(mesh.faces.size() * 3, {0, 0, 1});
    mesh.hasLightMap = true;
    mesh.lightMapName = "lm_" + name + ".tga";
    mesh.lightUvs = {{0.5f, 0.5f, 0}};
    mesh.lightUvFaces.assign(mesh.faces.size(), {0, 0, 0});
    BssMaterial material;
    material.diffuseTexture = "tex_" + name + ".tga";
    material.cornerCount = std::int32_t(mesh.faces.size() * 3);
    mesh.materials = {material};
    return mesh;
}

Bytes sceneBytes() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    std::ifstream shipped(self.parent_path().parent_path() / "media/main/Models/test.BSS", std::ios::binary);
    if (shipped) return Bytes(std::istreambuf_iterator<char>(shipped), {});
    BssScene file;
    BssRoomMesh room = gridMesh("room", "Scene Root", 30, 400, 0);
    room.positions.push_back({0, 0, 300});
    file.roomMeshes.push_back(room);
    for (int i = 1; i < 35; ++i)
        file.roomMeshes.push_back(gridMesh("part" + std::to_string(i), "room", 6, 40, 5));
    for (int c = 0; c < 5; ++c) {
        BssCamera camera;
        for (int k = 0; k < 300; ++k) {
            camera.positions.push_back({float(k % 50) - 25, 0, 150});
            camera.rotations.push_back({0, 0, 0, 1});
            camera.fieldsOfView.push_back(1.309f);
        }
        file.cameras.push_back(camera);
    }
    for (int h = 0; h < 31; ++h) {
        BssHelper helper;
        helper.name = h < 6 ? "emit light" : h < 30 ? "instance candle" : "animmodel fire";
        helper.kind = h < 6 ? 2 : h < 30 ? 3 : 4;
        helper.positions.assign(300, {float(h * 10 - 150), 0, 10});
        helper.rotations.assign(300, {0, 0, 0, 1});
        file.helpers.push_back(helper);
    }
    BssLight light;
    light.includeNames.assign(23, "instance candle");
    file.lights.push_back(light);
    return encodeBss(file);
}

void BM_UpdateParticles80000Vertices(benchmark::State& state) {
    std::map<std::string, Bytes> files;
    EffectFileLayer layer;
    layer.spriteName = "spr.tga";
    layer.burstCount = 20000;
    layer.spawnBox = {20000, 20000, 20000};
    layer.speed = {1, 2, 3};
    layer.speedJitter = {10, 10, 10};
    layer.size = {2, 0, 0};
    layer.alphaStart = 50;
    layer.alphaPeak = 1e9f;  // the particles live through the whole run
    layer.fadeRate = 0;
    layer.frameCount = 4;
    layer.frameRate = 1;
    layer.spin = true;
    layer.spinSpeed = 10;
    EffectFile effect;
    effect.layers = {layer};
    files["Particles/snow.bin"] = encodeEffect(effect);
    ParticleSystem particles(sourcesFor(files));
    RandomSequence random;
    particles.spawnEffect("snow", {0, 0, 0}, {}, random, {});
    for (auto _ : state) {
        particles.step(1.5f);
        benchmark::DoNotOptimize(particles.vertices());
    }
    state.counters["vertices"] = particles.lastVertexCount();
}
BENCHMARK(BM_UpdateParticles80000Vertices)->Unit(benchmark::kMicrosecond);

void BM_SceneLoad(benchmark::State& state) {
    const Bytes bytes = sceneBytes();
    std::map<std::string, Bytes> files;
    for (auto _ : state) {
        SharedVertexPool pool;
        ModelManager models(pool, sourcesFor(files));
        models.setNotFoundHandler([](const std::string&) {});
        SceneServices services;
        services.sources = sourcesFor(files);
        services.pool = &pool;
        services.models = &models;
        Scene scene;
        buildScene(scene, services, bytes.data(), bytes.size());
        benchmark::DoNotOptimize(scene.objects.data());
        state.counters["corners"] = double(pool.size());
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_SceneLoad)->Unit(benchmark::kMillisecond);

void BM_OpaquePassCpu(benchmark::State& state) {
    platform::TestGLContext gl;
    if (!gl.create(1024, 768)) {
        state.SkipWithError(("no GL context: " + gl.error()).c_str());
        return;
    }
    const Bytes bytes = sceneBytes();
    std::map<std::string, Bytes> files;
    SharedVertexPool pool;
    ModelManager models(pool, sourcesFor(files));
    models.setNotFoundHandler([](const std::string&) {});
    SceneServices services;
    services.sources = sourcesFor(files);
    services.pool = &pool;
    services.models = &models;
    Scene scene;
    buildScene(scene, services, bytes.data(), bytes.size());
    pool.setBufferObjectsAvailable(true);
    pool.uploadPool();
    glViewport(0, 0, 1024, 768);
    glEnable(GL_DEPTH_TEST);
    View view;
    startView(scene, view, 0, 1, {});
    beginSceneFrame(scene, 1.0f);
    stepView(scene, view, 1.0f, false, {});
    drawViewPass(scene, view, false);
    glFinish();
    for (auto _ : state) {
        drawCapturePass(scene, view, 1.0f);  // CPU side only: the GL runs behind
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
    state.counters["objects"] = double(view.opaqueList.size());
    releaseView(view);
    releaseScene(scene);
    pool.releaseGL();
}
BENCHMARK(BM_OpaquePassCpu)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
