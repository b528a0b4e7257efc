// Light-map charts, texel samples, shadows, the tone curve and the room's shipped maps.
#include "mediagen/lightmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "mediagen/model.h"
#include "mediagen/room.h"

using namespace mediagen;
namespace md = mediagen::modelling;

namespace {

// A mix of flat, curved and thin pieces, like the room's meshes.
md::Mesh mixedMesh() {
    md::Mesh mesh;
    md::addBox(mesh, {-100, -100, 0}, {100, 100, 80}, 50, true);
    md::addBevelledBox(mesh, {-30, -20, 0}, {30, 20, 10}, 1.5f, 40);
    md::addSphere(mesh, {50, 50, 40}, 12, 12, 8, 40);
    md::addLathe(mesh, {{0, 0}, {8, 0}, {3, 20}, {0, 30}}, 10, 30);
    md::addQuadFace(mesh, {0, 0, 79}, {0.01f, 0, 79}, {0, 0.01f, 79},
                    {0, 0, 79});  // specks and a degenerate face
    md::computeNormals(mesh, 35);
    return mesh;
}

// A flat floor of grid quads, facing up.
md::Mesh floorMesh(float half, float step) {
    md::Mesh mesh;
    for (float x = -half; x < half; x += step)
        for (float y = -half; y < half; y += step)
            md::addQuadFace(mesh, {x, y, 0}, {x + step, y, 0}, {x + step, y + step, 0}, {x, y + step, 0});
    md::computeNormals(mesh, 35);
    return mesh;
}

md::Vec2 texelOf(const LightMapCharts& charts, md::Vec2 uv) {
    return {uv.u * float(charts.width), uv.v * float(charts.height)};
}

}  // namespace

TEST(LightMapCharts, ChartsArePackedInBoundsWithoutOverlapAndUvsLandOnTheirTexelCentres) {
    const md::Mesh mesh = mixedMesh();
    for (int maxSize : {64, 512}) {
        const LightMapCharts charts = chartMesh(mesh, 1.5f, maxSize);
        SCOPED_TRACE(maxSize);
        ASSERT_EQ(charts.faces.size(), mesh.faces.size());
        EXPECT_LE(charts.width, maxSize);
        EXPECT_LE(charts.height, maxSize);
        EXPECT_EQ(charts.width & (charts.width - 1), 0);
        EXPECT_EQ(charts.height & (charts.height - 1), 0);
        std::vector<int> chartOfFace(mesh.faces.size(), -1);
        for (std::size_t c = 0; c < charts.charts.size(); ++c) {
            const LightMapChart& a = charts.charts[c];
            // The gutter round the chart is inside the map too.
            EXPECT_GE(a.x - kChartGutter, 0);
            EXPECT_GE(a.y - kChartGutter, 0);
            EXPECT_LE(a.x + a.width + kChartGutter, charts.width);
            EXPECT_LE(a.y + a.height + kChartGutter, charts.height);
            for (std::size_t d = c + 1; d < charts.charts.size(); ++d) {
                const LightMapChart& b = charts.charts[d];
                const bool apart = a.x + a.width + kChartGutter <= b.x - kChartGutter ||
                                   b.x + b.width + kChartGutter <= a.x - kChartGutter ||
                                   a.y + a.height + kChartGutter <= b.y - kChartGutter ||
                                   b.y + b.height + kChartGutter <= a.y - kChartGutter;
                EXPECT_TRUE(apart) << "charts " << c << " and " << d;
            }
            for (int f : a.faces) {
                EXPECT_EQ(chartOfFace[f], -1) << "face " << f << " in two charts";
                chartOfFace[f] = int(c);
                for (int k = 0; k < 3; ++k) {
                    const md::Vec2 t = texelOf(charts, charts.uvs[charts.faces[f][k]]);
                    EXPECT_GE(t.u, float(a.x) + 0.5f - 1e-3f);
                    EXPECT_LE(t.u, float(a.x + a.width) - 0.5f + 1e-3f);
                    EXPECT_GE(t.v, float(a.y) + 0.5f - 1e-3f);
                    EXPECT_LE(t.v, float(a.y + a.height) - 0.5f + 1e-3f);
                }
            }
        }
        EXPECT_EQ(std::count(chartOfFace.begin(), chartOfFace.end(), -1), 0);
    }
    // Texel density is even: an edge's length in texels is its world length over the texel size.
    // (A little coarser than asked is allowed where that halves the map.)
    const LightMapCharts charts = chartMesh(mesh, 1.5f, 512);
    EXPECT_GE(charts.texelSize, 1.5f);
    EXPECT_LE(charts.texelSize, 1.5f * 1.3f + 1e-4f);
    for (std::size_t f = 0; f < 12; ++f) {  // the room box's faces, flat and axis-aligned
        const md::Vec3 a = mesh.positions[mesh.faces[f][0]], b = mesh.positions[mesh.faces[f][1]];
        const md::Vec2 ta = texelOf(charts, charts.uvs[charts.faces[f][0]]),
                       tb = texelOf(charts, charts.uvs[charts.faces[f][1]]);
        EXPECT_NEAR(std::hypot(ta.u - tb.u, ta.v - tb.v), md::length(b - a) / charts.texelSize, 0.01f)
            << "face " << f;
    }
    // A map too small for that density is coarsened until it fits.
    const LightMapCharts coarse = chartMesh(mesh, 1.5f, 64);
    EXPECT_GT(coarse.texelSize, charts.texelSize);
    // Coplanar neighbours share one chart; the box's six sides are six charts.
    md::Mesh box;
    md::addBox(box, {0, 0, 0}, {10, 20, 30}, 10);
    EXPECT_EQ(groupCharts(box).size(), 6u);
    EXPECT_EQ(groupCharts(floorMesh(50, 10)).size(), 1u);
    EXPECT_EQ(chartMesh(md::Mesh{}, 1, 64).charts.size(), 0u);
}

TEST(LightMapCharts, TexelSamplesLieOnTheirFacesAtTheirTexelCentres) {
    const md::Mesh mesh = mixedMesh();
    const LightMapCharts charts = chartMesh(mesh, 1.5f, 512);
    const std::vector<TexelSample> samples = texelSamples(mesh, charts);
    ASSERT_FALSE(samples.empty());
    int centred = 0;
    for (const TexelSample& s : samples) {
        const md::Tri& f = mesh.faces[s.face];
        const md::Vec3 a = mesh.positions[f[0]], b = mesh.positions[f[1]], c = mesh.positions[f[2]];
        const md::Vec3 n = md::cross(b - a, c - a);
        const float area2 = md::length(n);
        if (area2 < 1e-6f) continue;
        // On the face's plane and inside it.
        EXPECT_NEAR(md::dot(s.position - a, n) / area2, 0.0f, 1e-3f);
        const float wa = md::dot(md::cross(c - b, s.position - b), n) / (area2 * area2);
        const float wb = md::dot(md::cross(a - c, s.position - c), n) / (area2 * area2);
        const float wc = 1 - wa - wb;
        EXPECT_GE(std::min(wa, std::min(wb, wc)), -1e-3f) << s.x << "," << s.y;
        EXPECT_NEAR(md::length(s.normal), 1.0f, 1e-3f);
        EXPECT_GT(md::dot(s.normal, s.faceNormal), 0.0f);
        // Mapped back through the face's light uvs the position is the texel's centre, or for a texel
        // the face only overlaps, within half the texel's diagonal plus the small step off the edge.
        const md::Vec2 ua = texelOf(charts, charts.uvs[charts.faces[s.face][0]]);
        const md::Vec2 ub = texelOf(charts, charts.uvs[charts.faces[s.face][1]]);
        const md::Vec2 uc = texelOf(charts, charts.uvs[charts.faces[s.face][2]]);
        const float u = wa * ua.u + wb * ub.u + wc * uc.u, v = wa * ua.v + wb * ub.v + wc * uc.v;
        const float off = std::hypot(u - (float(s.x) + 0.5f), v - (float(s.y) + 0.5f));
        EXPECT_LT(off, 0.71f + 0.21f) << s.x << "," << s.y;
        if (off < 1e-3f) ++centred;
    }
    EXPECT_GT(centred, int(samples.size()) / 2);
    // No texel is sampled twice.
    for (std::size_t i = 1; i < samples.size(); ++i)
        EXPECT_TRUE(samples[i - 1].y < samples[i].y ||
                    (samples[i - 1].y == samples[i].y && samples[i - 1].x < samples[i].x));
}

TEST(LightMapBake, AnOccluderShadowsExactlyItsProjectionAndTheBakeIgnoresTheThreadCount) {
    const md::Mesh floor = floorMesh(100, 25);
    // A 40 × 40 square half-way between a point light 100 up and the floor: its shadow is 80 × 80.
    TriangleBvh occluder;
    occluder.addTriangle({-20, -20, 50}, {20, -20, 50}, {20, 20, 50});
    occluder.addTriangle({-20, -20, 50}, {20, 20, 50}, {-20, 20, 50});
    occluder.build();
    BakeSetup setup;
    BakeLight light;
    light.points = {{0, 0, 100}};
    light.colours = {{1, 1, 1, 1}};
    light.reach = 1e6f;
    light.blockers = &occluder;
    setup.lights = {light};
    setup.occlusionRays = 0;
    setup.ambientIndoor = {0.1f, 0.1f, 0.1f, 1};
    setup.roomMin = {-200, -200, -10};
    setup.roomMax = {200, 200, 200};
    const LightMapCharts charts = chartMesh(floor, 2, 256);
    for (const TexelSample& s : texelSamples(floor, charts)) {
        const Color c = irradiance(setup, s.position, s.normal, s.faceNormal, 1);
        const float edge = std::max(std::fabs(s.position.x), std::fabs(s.position.y));
        if (edge < 39) {
            EXPECT_NEAR(c.r, 0.1f, 1e-5f) << s.position.x << "," << s.position.y;
        } else if (edge > 41) {
            EXPECT_GT(c.r, 0.5f) << s.position.x << "," << s.position.y;
        }
    }
    // A soft light: several jittered samples, so the penumbra is graded, the same on every run and
    // for any thread count.
    setup.lights[0].spread = {10, 10, 0};
    setup.lights[0].samples = 8;
    setup.occluders = &occluder;
    setup.occlusionRays = 6;
    setup.moon = {0.2f, 0.2f, 0.3f, 1};
    setup.moonDirection = md::normalized({0.3f, 0.2f, 1});
    const Picture one = bakeLightMap(floor, charts, setup, 1, 9);
    const Picture three = bakeLightMap(floor, charts, setup, 3, 9);
    int graded = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            ASSERT_EQ(one.at(x, y).r, three.at(x, y).r) << x << "," << y;
            ASSERT_EQ(one.at(x, y).b, three.at(x, y).b) << x << "," << y;
            if (one.at(x, y).a >= 1 && one.at(x, y).r > 0.3f && one.at(x, y).r < 0.7f) ++graded;
        }
    EXPECT_GT(graded, 20);
}

TEST(LightMapBake, DilationFillsGuttersAndTheToneCurveKeepsAFloor) {
    const md::Mesh mesh = mixedMesh();
    const LightMapCharts charts = chartMesh(mesh, 2, 256);
    BakeSetup setup;
    BakeLight light;
    light.points = {{0, 0, 60}};
    light.colours = {{2, 1.5f, 1, 1}};
    light.reach = 100;
    setup.lights = {light};
    setup.occlusionRays = 0;
    setup.roomMin = {-100, -100, 0};
    setup.roomMax = {100, 100, 80};
    std::vector<Picture> maps{bakeLightMap(mesh, charts, setup, 2)};
    // Every texel of a chart and its gutter has a value; none is left at zero alpha.
    for (const LightMapChart& chart : charts.charts)
        for (int y = chart.y - kChartGutter; y < chart.y + chart.height + kChartGutter; ++y)
            for (int x = chart.x - kChartGutter; x < chart.x + chart.width + kChartGutter; ++x)
                ASSERT_GT(maps[0].at(x, charts.height - 1 - y).a, 0.0f) << x << "," << y;
    toneMap(maps, 1.5f, 0.05f);
    float brightest = 0, darkest = 1;
    for (int y = 0; y < maps[0].height(); ++y)
        for (int x = 0; x < maps[0].width(); ++x) {
            const Color c = maps[0].at(x, y);
            brightest = std::max(brightest, std::max(c.r, std::max(c.g, c.b)));
            darkest = std::min(darkest, std::min(c.r, std::min(c.g, c.b)));
        }
    EXPECT_FLOAT_EQ(brightest, 1.0f);
    EXPECT_GE(darkest, 0.05f);
    // A light with points but no colours, and a setup without occluders, give the ambient only.
    BakeSetup bare;
    bare.lights.resize(1);
    bare.lights[0].points = {{0, 0, 10}};
    bare.moon = {1, 1, 1, 1};
    bare.roomMax = {10, 10, 10};
    const Color c = irradiance(bare, {0, 0, 0}, {0, 0, 1}, {0, 0, 1}, 3);
    EXPECT_FLOAT_EQ(c.r, bare.ambientIndoor.r);
}

TEST(LightMapBake, TheRoomsShippedMapsHaveNoUnlitTexelAndUvsInsideTheMap) {
    const std::string root = (std::filesystem::temp_directory_path() / "glimmerdale-lightmap-test").string();
    MediaTree tree;
    tree.begin(root);
    const RoomLayout layout = buildRoomLayout();
    const std::vector<PlacedModel> models = buildPlacedModels(0);
    BssScene scene = buildScene(layout);
    const BakeStats stats = bakeRoomLightMaps(tree, layout, models, scene, true, 2);
    int lightMapped = 0;
    for (const RoomObject& object : layout.objects) lightMapped += object.lightMapped ? 1 : 0;
    EXPECT_EQ(stats.maps, lightMapped);
    int maps = 0;
    for (const MadePicture& picture : tree.pictures()) {
        if (picture.name.find("/lm_") == std::string::npos) continue;
        ++maps;
        int darkest = 255;
        for (const pictures::Rgba& p : picture.image.pixels)
            darkest = std::min<int>(darkest, std::min(p.r, std::min(p.g, p.b)));
        EXPECT_GE(darkest, 12) << picture.name;
    }
    EXPECT_EQ(maps, lightMapped);
    for (std::size_t i = 0; i < scene.roomMeshes.size(); ++i) {
        const BssRoomMesh& mesh = scene.roomMeshes[i];
        if (!layout.objects[i].lightMapped) continue;
        EXPECT_TRUE(mesh.hasLightMap);
        EXPECT_EQ(mesh.lightMapName, "lm_" + layout.objects[i].name + ".tga");
        ASSERT_EQ(mesh.lightUvFaces.size(), mesh.faces.size());
        for (const ::Vec3& uv : mesh.lightUvs) {
            EXPECT_GT(uv.x, 0.0f);
            EXPECT_LT(uv.x, 1.0f);
            EXPECT_GT(uv.y, 0.0f);
            EXPECT_LT(uv.y, 1.0f);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}
