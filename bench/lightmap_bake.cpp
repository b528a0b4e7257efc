// The light-map baker: shadow-ray throughput of the room's hierarchy and the whole room's bake.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "mediagen/bvh.h"
#include "mediagen/lightmap.h"
#include "mediagen/model.h"
#include "mediagen/room.h"

using namespace mediagen;
namespace md = mediagen::modelling;

namespace {

void BM_RoomShadowRays(benchmark::State& state) {
    const RoomLayout layout = buildRoomLayout();
    TriangleBvh bvh;
    for (const RoomObject& object : layout.objects)
        if (object.lightMapped) bvh.addMesh(object.mesh);
    bvh.build();
    std::mt19937 random(7);
    std::uniform_real_distribution<float> x(layout.roomMin.x, layout.roomMax.x),
        y(layout.roomMin.y, layout.roomMax.y), z(layout.roomMin.z, layout.roomMax.z);
    std::vector<std::pair<md::Vec3, md::Vec3>> rays(4096);
    for (auto& ray : rays) {
        const md::Vec3 from{x(random), y(random), z(random)}, to{x(random), y(random), z(random)};
        ray = {from, to - from};
    }
    std::size_t i = 0, blocked = 0;
    for (auto _ : state) {
        const auto& ray = rays[i++ % rays.size()];
        blocked += bvh.occluded(ray.first, ray.second, 1) ? 1 : 0;
    }
    benchmark::DoNotOptimize(blocked);
    state.SetItemsProcessed(state.iterations());
    state.counters["triangles"] = double(bvh.triangleCount());
}
BENCHMARK(BM_RoomShadowRays);

// The room's whole bake (charts, rays, dilation, tone curve, TGA writing) with 1 or 2 threads.
void BM_BakeRoom(benchmark::State& state) {
    const bool fast = state.range(1) != 0;
    const RoomLayout layout = buildRoomLayout();
    const std::vector<PlacedModel> models = buildPlacedModels(fast ? 0 : 1);
    const std::string root =
        (std::filesystem::temp_directory_path() / "glimmerdale-bench-lightmaps").string();
    for (auto _ : state) {
        MediaTree tree;
        tree.begin(root);
        BssScene scene = buildScene(layout);
        const BakeStats stats = bakeRoomLightMaps(tree, layout, models, scene, fast, int(state.range(0)));
        state.counters["texels"] = double(stats.texels);
        state.counters["maps"] = stats.maps;
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}
BENCHMARK(BM_BakeRoom)
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
