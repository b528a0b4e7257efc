// Per-frame model work: updateInstance for a fir-like model with 72 emitter helpers on Hull, and
// updateAnimatedModel (playback, bone transforms, CPU skinning) for a 252-vertex, 3-bone flame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

#include "model/bsa_file.h"
#include "model/bsm_file.h"
#include "model/animated_model.h"
#include "model/model_instance.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "support/file_buffer.h"

namespace {

BsmMesh triangle(const std::string& node, const std::string& parent) {
    BsmMesh mesh;
    mesh.diffuseTexture = "t.tga";
    mesh.nodeName = node;
    mesh.parentName = parent;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.faces = {{0, 1, 2}};
    mesh.uvs = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.uvFaces = mesh.faces;
    mesh.normals.assign(3, {0, 0, 1});
    return mesh;
}

MediaSources sourcesFor(std::map<std::string, Bytes>& files) {
    MediaSources sources;
    sources.readFile = [&files](const char* path) {
        auto it = files.find(path);
        if (it == files.end()) return FileBuffer{};
        return testsupport::copyToFileBuffer(it->second);
    };
    sources.getTexture = [](const std::string&) { return 1u; };
    return sources;
}

void BM_UpdateInstance72Helpers(benchmark::State& state) {
    BsmModel fir;
    fir.meshes = {triangle("Hull", "Scene Root"), triangle("trunk", "Hull"),
                  triangle("branches", "Hull"),   triangle("ornaments", "Hull"),
                  triangle("star", "Hull"),       triangle("CollMesh", "Scene Root")};
    fir.meshes[3].scrollV = 0.1f;
    const char* lights[] = {"emit red_firlight", "emit yel_firlight", "emit gre_firlight",
                            "emit blu_firlight"};
    for (int i = 0; i < 72; ++i) {
        BsmHelper h;
        h.name = lights[i % 4];
        h.parentName = "Hull";
        h.position = {float(i % 9) * 10, float(i / 9) * 10, float(i) * 2};
        fir.helpers.push_back(h);
    }
    std::map<std::string, Bytes> files{{"Models/fir.BSM", encodeBsm(fir)}};
    SharedVertexPool pool;
    ModelManager manager(pool, sourcesFor(files));
    ModelInstance instance;
    manager.createInstance(instance, "fir");
    instance.position = {10, 20, 0};
    instance.rotation = axisZ(30);
    long fired = 0;
    EmitterHook hook = [&fired](const ModelHelper&) { ++fired; };
    for (auto _ : state) {
        updateInstance(instance, 1.0f, hook);
        benchmark::DoNotOptimize(instance.nodes[0].helpers[5].worldPosition);
    }
    state.counters["fired"] = double(fired);
}
BENCHMARK(BM_UpdateInstance72Helpers);

void BM_UpdateAnimatedModel252Vertices3Bones(benchmark::State& state) {
    BsaMesh mesh;
    mesh.texture = "add_flame.tga";
    mesh.scrollV = 0.5f;
    for (int v = 0; v < 252; ++v) {
        mesh.positions.push_back({float(v % 12), float(v % 5), float(v / 12)});
        mesh.weights.push_back({float(1 + v % 3), float(v % 2), float(v % 5)});
        mesh.boneIndices.push_back({v % 3, (v + 1) % 3, (v + 2) % 3});
    }
    for (int f = 0; f < 432; ++f) mesh.faces.push_back({f % 252, (f * 7 + 1) % 252, (f * 13 + 2) % 252});
    for (int t = 0; t < 318; ++t) mesh.uvs.push_back({t / 318.0f, (t % 17) / 17.0f, 0});
    for (int f = 0; f < 432; ++f) mesh.uvFaces.push_back({f % 318, (f + 1) % 318, (f + 2) % 318});
    mesh.normals.assign(432 * 3, {0, 1, 0});
    BsaBone root, a, b;
    root.name = "Bone03";
    root.bindLocal = translationTransform(0, 0, 2);
    a.name = "Bone01";
    a.parentName = "Bone03";
    a.bindLocal = translationTransform(0, 0, 6);
    b.name = "Bone02";
    b.parentName = "Bone01";
    b.bindLocal = translationTransform(0, 0, 6);
    mesh.bones = {root, a, b};
    BsaAnimation animation;
    for (int bone = 0; bone < 3; ++bone) {
        BsaTrack track;
        track.boneNumber = bone;
        for (int f = 0; f < 100; ++f) {
            const float angle = f * 0.06f;
            Transform4x3 key = mesh.bones[std::size_t(bone)].bindLocal;
            key[0] = std::cos(angle);
            key[1] = std::sin(angle);
            key[3] = -std::sin(angle);
            key[4] = std::cos(angle);
            track.keys.push_back(key);
        }
        animation.tracks.push_back(track);
    }
    std::map<std::string, Bytes> files{{"Models/fire.BSA", encodeBsaMesh(mesh)},
                                       {"Models/fire_anim.BSA", encodeBsaAnimation(animation)}};
    static AnimatedModel model;
    loadAnimatedModel(model, "fire", sourcesFor(files));
    model.playing = true;
    model.playbackSpeed = 0.2f;
    model.crossFading = true;
    model.crossFadeRate = 0.2f;
    for (auto _ : state) {
        updateAnimatedModel(model, 1.0f);
        benchmark::DoNotOptimize(model.corners.data());
    }
}
BENCHMARK(BM_UpdateAnimatedModel252Vertices3Bones)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
