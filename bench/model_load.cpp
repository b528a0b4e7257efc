// Loading a 20 000-triangle static model: parsing, corner expansion, texture requests and the copy
// into the vertex pool.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "model/bsm_file.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "support/file_buffer.h"

namespace {

Bytes gridModel(int trianglesWanted) {
    BsmMesh mesh;
    mesh.diffuseTexture = "C:\\art\\Textures\\tex_fir.tga";
    mesh.nodeName = "Hull";
    const int side = 100;  // 100 × 100 quads = 20 000 triangles
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x) {
            mesh.positions.push_back({float(x), float(y), float((x * y) % 7)});
            mesh.uvs.push_back({x / float(side), y / float(side), 0});
        }
    }
    for (int y = 0; y < side && int(mesh.faces.size()) < trianglesWanted; ++y) {
        for (int x = 0; x < side; ++x) {
            const int a = y * (side + 1) + x;
            mesh.faces.push_back({a, a + 1, a + side + 2});
            mesh.faces.push_back({a, a + side + 2, a + side + 1});
        }
    }
    mesh.uvFaces = mesh.faces;
    mesh.normals.assign(mesh.faces.size() * 3, {0, 0, 1});
    BsmModel model;
    model.meshes = {mesh};
    return encodeBsm(model);
}

void BM_LoadModel20000Triangles(benchmark::State& state) {
    const Bytes file = gridModel(20000);
    MediaSources sources;
    sources.readFile = [&file](const char*) { return testsupport::copyToFileBuffer(file); };
    sources.getTexture = [](const std::string&) { return 1u; };
    for (auto _ : state) {
        SharedVertexPool pool;
        ModelManager manager(pool, sources);
        const Model* model = manager.loadModel("grid");
        benchmark::DoNotOptimize(model);
        if (pool.size() != 60000) state.SkipWithError("wrong corner count");
    }
    state.counters["bytes"] = double(file.size());
}
BENCHMARK(BM_LoadModel20000Triangles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
