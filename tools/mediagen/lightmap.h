#pragma once
// Light maps of the room meshes. The engine multiplies a surface's diffuse colour by its light map,
// so a map can only darken: the tone curve makes the brightest lit texel 1 and keeps every texel
// above a floor so nothing turns black.
//
//   chartMesh           groups connected faces of similar normal into charts, projects each onto its
//                       plane at an even texel density and packs them (2-texel gutter) into one map;
//                       the light uvs land on texel centres inside their chart
//   texelSamples        the world position and normal behind every texel a chart's faces touch
//   BakeLight, BakeSetup  area lights (fire, candles, tree, lamp, window glow), moonlight, ambient
//                       with occlusion, all shadowed by ray casts through TriangleBvh
//   irradiance          light arriving at one point (linear)
//   bakeLightMap        a whole map in linear light, chart borders dilated; multi-threaded with the
//                       same result for any thread count
//   toneMap             the curve for the multiplying blend, applied to all maps together
//   bakeRoomLightMaps   the room's lights and occluders from its layout and placed models; bakes,
//                       writes Textures/lm_<object>.tga and the light uvs of the scene

#include <cstdint>
#include <vector>

#include "mediagen/bvh.h"
#include "mediagen/mesh.h"
#include "mediagen/picture.h"
#include "mediagen/room.h"

namespace mediagen {

constexpr int kChartGutter = 2;  // texels round every chart, filled from the chart's own border

struct LightMapChart {
    std::vector<int> faces;     // mesh faces in this chart
    int x = 0, y = 0;           // the chart's first texel in the map (column, row from the bottom)
    int width = 0, height = 0;  // texels, gutter not included
};

struct LightMapCharts {
    int width = 0, height = 0;          // the map's size in texels (powers of two)
    float texelSize = 0;                // world units per texel
    std::vector<modelling::Vec2> uvs;   // light uvs, v counted from the map's bottom row
    std::vector<modelling::Tri> faces;  // one per mesh face, indices into uvs
    std::vector<LightMapChart> charts;
};

// Groups faces that share an edge (positions matched by value) and lie within `creaseDegrees` of the
// chart's first face; faces of zero area get a chart of their own. Deterministic, in face order.
std::vector<std::vector<int>> groupCharts(const modelling::Mesh& mesh, float creaseDegrees = 30);

// Charts of `mesh` at `texelSize` world units per texel, coarsened until the map fits
// maxSize × maxSize, and up to 30 % more where that gives a smaller map. An empty mesh gives a 4 × 4
// map with no charts.
LightMapCharts chartMesh(const modelling::Mesh& mesh, float texelSize, int maxSize);

struct TexelSample {
    int x = 0, y = 0;            // texel (row counted from the bottom, as v)
    int face = 0;                // the mesh face it lies on
    modelling::Vec3 position;    // on the face, nudged a little into it from its edges
    modelling::Vec3 normal;      // interpolated corner normal (unit)
    modelling::Vec3 faceNormal;  // the face's own normal (unit)
};

// One sample per texel that a face overlaps: at the texel centre when it lies on a face, otherwise
// at the nearest point of the nearest face of the same chart. Ordered by row, then column.
std::vector<TexelSample> texelSamples(const modelling::Mesh& mesh, const LightMapCharts& charts);

struct BakeLight {
    std::vector<modelling::Vec3> points;  // emitting points; samples are spread over them
    // One per point (rgb, strength folded in); with fewer the last repeats, with none it is dark.
    std::vector<Color> colours;
    modelling::Vec3 spread;                 // half-size of the box round each point samples fall in
    float reach = 300;                      // distance at which the light has fallen to a half
    int samples = 1;                        // shadow rays per texel
    modelling::Vec3 facing;                 // non-zero: emits only to this side, cosine-weighted
    bool indoorOnly = false;                // lights only points inside the room box
    const TriangleBvh* blockers = nullptr;  // what casts its shadows (none: unshadowed)
};

struct BakeSetup {
    std::vector<BakeLight> lights;
    const TriangleBvh* occluders = nullptr;  // for moonlight and occlusion
    modelling::Vec3 moonDirection{0, 0, 1};  // towards the moon (unit)
    Color moon{0, 0, 0, 1};
    float moonSpread = 0.03f;  // radians of jitter round the direction
    int moonSamples = 2;
    Color ambientIndoor{0.1f, 0.08f, 0.07f, 1};
    Color ambientOutdoor{0.3f, 0.35f, 0.5f, 1};
    float occlusionReach = 70;  // hemisphere rays longer than this count as open
    int occlusionRays = 12;
    modelling::Vec3 roomMin, roomMax;  // the room's inside
};

// Light arriving at a point (linear). `seed` picks the sample pattern (same seed, same result).
Color irradiance(const BakeSetup& setup, modelling::Vec3 position, modelling::Vec3 normal,
                 modelling::Vec3 faceNormal, std::uint32_t seed);

// The map in linear light; texels baked have alpha 1, texels filled from their neighbours (gutters,
// holes) alpha 0.5, texels of no chart take the map's mean with alpha 0. `threads` ≥ 1.
Picture bakeLightMap(const modelling::Mesh& mesh, const LightMapCharts& charts, const BakeSetup& setup,
                     int threads, std::uint32_t seed = 0);

// 1 − e^(−exposure·E), scaled so the 99th percentile of all baked texels reaches 1 (a few hot spots
// beside the flames clip), never below `floor`. In place, alpha set to 1.
void toneMap(std::vector<Picture>& maps, float exposure, float floor);

struct BakeStats {
    int maps = 0;
    long long texels = 0;
    double seconds = 0;
};

// Bakes the light map of every light-mapped object of the room, writes them as Textures/lm_<object>.tga
// and sets each scene room mesh's light-map name and light uvs. `scene` is buildScene(layout).
// `threads` 0 takes the machine's cores.
BakeStats bakeRoomLightMaps(MediaTree& tree, const RoomLayout& layout, const std::vector<PlacedModel>& models,
                            BssScene& scene, bool fast, int threads = 0);

}  // namespace mediagen
