// The room's lighting: where its lights sit (read from the layout, the placed models and the scene's
// helpers), what casts shadows, and the bake of every light-mapped room mesh.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>

#include "core/maths.h"
#include "mediagen/lightmap.h"
#include "pictures/pictures.h"

namespace mediagen {

using modelling::Affine;
using modelling::Vec3;

namespace {

Affine placementTransform(const Placement& placement) {
    return Affine::translation(placement.position) * Affine::rotationZ(placement.turnDegrees * kPi / 180);
}

const PlacedModel* findModel(const std::vector<PlacedModel>& models, const std::string& name) {
    for (const PlacedModel& model : models)
        if (model.name == name) return &model;
    return nullptr;
}

// How each mesh of a model passes light: cut out where its diffuse picture (as written to the tree)
// is clear, and letting its translucency through, tinted by that picture's mean colour.
std::vector<SurfaceOptics> meshOptics(const PlacedModel& model, const MediaTree& tree) {
    const std::vector<BsmMesh>& meshes = model.builder.model().meshes;
    std::vector<SurfaceOptics> optics(meshes.size());
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        const pictures::Image* picture = nullptr;
        for (const MadePicture& made : tree.pictures())
            if (made.name == "main/Textures/" + meshes[i].diffuseTexture) picture = &made.image;
        if (!picture || picture->empty()) continue;
        bool clear = false;
        double r = 0, g = 0, b = 0;
        for (const pictures::Rgba& p : picture->pixels) {
            clear = clear || p.a < 128;
            r += p.r;
            g += p.g;
            b += p.b;
        }
        if (clear) {
            optics[i].cutout = Mask(picture->width, picture->height);
            for (int y = 0; y < picture->height; ++y)
                for (int x = 0; x < picture->width; ++x)
                    optics[i].cutout.at(x, y) = float(picture->at(x, y).a) / 255.0f;
        }
        const float share = model.builder.translucency(i) / (255.0f * float(picture->pixels.size()));
        optics[i].transmission = {float(r) * share, float(g) * share, float(b) * share, 1};
    }
    return optics;
}

// The placed model's drawn triangles in world space, each mesh with its optics; its collision mesh
// (opaque) when it draws nothing.
void addPlacedModel(TriangleBvh& bvh, const Placement& placement, const PlacedModel& model,
                    const std::vector<SurfaceOptics>& optics) {
    const Affine place = placementTransform(placement);
    bool drawn = false;
    for (const BsmMesh& mesh : model.builder.model().meshes)
        drawn = drawn || (mesh.nodeName != "CollMesh" && !mesh.faces.empty());
    const std::vector<BsmMesh>& meshes = model.builder.model().meshes;
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const BsmMesh& mesh = meshes[m];
        if ((mesh.nodeName == "CollMesh") == drawn) continue;
        const bool plain =
            m >= optics.size() || (optics[m].cutout.values.empty() && optics[m].transmission.r <= 0 &&
                                   optics[m].transmission.g <= 0 && optics[m].transmission.b <= 0);
        const int surface = plain ? -1 : bvh.addSurface(optics[m]);
        const auto count = static_cast<std::int32_t>(mesh.positions.size());
        const auto uvCount = static_cast<std::int32_t>(mesh.uvs.size());
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            const IndexTriple& t = mesh.faces[f];
            if (t[0] < 0 || t[1] < 0 || t[2] < 0 || t[0] >= count || t[1] >= count || t[2] >= count) continue;
            auto world = [&](std::int32_t i) {
                return place.apply({mesh.positions[i].x, mesh.positions[i].y, mesh.positions[i].z});
            };
            modelling::Vec2 uv[3];
            bool uvsKnown = f < mesh.uvFaces.size();
            for (int k = 0; k < 3 && uvsKnown; ++k) {
                const std::int32_t i = mesh.uvFaces[f][k];
                uvsKnown = i >= 0 && i < uvCount;
                if (uvsKnown) uv[k] = {mesh.uvs[i].x, mesh.uvs[i].y};
            }
            if (surface < 0 || !uvsKnown)
                bvh.addTriangle(world(t[0]), world(t[1]), world(t[2]));
            else
                bvh.addTriangle(world(t[0]), world(t[1]), world(t[2]), surface, uv[0], uv[1], uv[2]);
        }
    }
}

// A helper of a placed model in world space; false when the model has none of that name.
bool helperPosition(const Placement& placement, const PlacedModel& model, const std::string& name, Vec3& at) {
    for (const BsmHelper& helper : model.builder.model().helpers)
        if (helper.name == name) {
            at = placementTransform(placement).apply(
                {helper.position.x, helper.position.y, helper.position.z});
            return true;
        }
    return false;
}

Color treeLightColour(const std::string& helperName) {
    if (helperName.find("red") != std::string::npos) return {1.0f, 0.25f, 0.2f, 1};
    if (helperName.find("yel") != std::string::npos) return {1.0f, 0.8f, 0.3f, 1};
    if (helperName.find("gre") != std::string::npos) return {0.3f, 1.0f, 0.35f, 1};
    if (helperName.find("blu") != std::string::npos) return {0.3f, 0.45f, 1.0f, 1};
    if (helperName.find("vio") != std::string::npos) return {0.8f, 0.35f, 1.0f, 1};
    return {1, 0.9f, 0.7f, 1};
}

bool insideOrNear(Vec3 p, const RoomLayout& layout, float margin) {
    return p.x > layout.roomMin.x - margin && p.y > layout.roomMin.y - margin &&
           p.z > layout.roomMin.z - margin && p.x < layout.roomMax.x + margin &&
           p.y < layout.roomMax.y + margin && p.z < layout.roomMax.z + margin;
}

void meshBox(const modelling::Mesh& mesh, Vec3& lo, Vec3& hi) { modelling::bounds(mesh, lo, hi); }

// The model-space box of a model's node; false when it has no such node with positions.
bool nodeBounds(const PlacedModel& model, const std::string& node, Vec3& lo, Vec3& hi) {
    lo = {1e30f, 1e30f, 1e30f};
    hi = {-1e30f, -1e30f, -1e30f};
    for (const BsmMesh& mesh : model.builder.model().meshes)
        if (mesh.nodeName == node)
            for (const ::Vec3& p : mesh.positions) {
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
    return lo.x <= hi.x;
}

}  // namespace

BakeStats bakeRoomLightMaps(MediaTree& tree, const RoomLayout& layout, const std::vector<PlacedModel>& models,
                            BssScene& scene, bool fast, int threads) {
    const auto start = std::chrono::steady_clock::now();
    if (threads <= 0) threads = int(std::max(1u, std::min(8u, std::thread::hardware_concurrency())));

    // The fire burns inside the firebox: the room mesh round the fire helper.
    Vec3 fire{0, 262, 4};
    for (const BssHelper& helper : scene.helpers)
        if (helper.name == "animmodel fireplace_fire" && !helper.positions.empty())
            fire = {helper.positions[0].x, helper.positions[0].y, helper.positions[0].z};
    int firebox = -1;
    float fireboxVolume = 1e30f;
    for (std::size_t i = 0; i < layout.objects.size(); ++i) {
        if (!layout.objects[i].lightMapped) continue;
        Vec3 lo, hi;
        meshBox(layout.objects[i].mesh, lo, hi);
        const float volume = (hi.x - lo.x) * (hi.y - lo.y) * (hi.z - lo.z);
        if (fire.x > lo.x && fire.y > lo.y && fire.x < hi.x && fire.y < hi.y && fire.z >= lo.z - 1 &&
            fire.z < hi.z && volume < fireboxVolume) {
            firebox = int(i);
            fireboxVolume = volume;
        }
    }

    // Shadow casters: every light-mapped room mesh and every placed model. The firebox's shell is
    // left out for the fire's own light (its front face closes the box but is never seen from the
    // room), the tree for its own lights, which hang on its outside, and the light chain for its
    // bulbs, whose lights sit inside them.
    TriangleBvh everything, forFire, forTree, forChain;
    for (std::size_t i = 0; i < layout.objects.size(); ++i) {
        const RoomObject& object = layout.objects[i];
        if (!object.lightMapped) continue;
        everything.addMesh(object.mesh);
        forTree.addMesh(object.mesh);
        forChain.addMesh(object.mesh);
        if (int(i) != firebox) forFire.addMesh(object.mesh);
    }
    BakeSetup setup;
    setup.roomMin = layout.roomMin;
    setup.roomMax = layout.roomMax;
    BakeLight treeLights, chainLights;
    std::map<std::string, std::vector<SurfaceOptics>> optics;
    for (const Placement& placement : layout.placements) {
        const PlacedModel* model = findModel(models, placement.model);
        if (!model) continue;
        auto known = optics.find(model->name);
        if (known == optics.end()) known = optics.emplace(model->name, meshOptics(*model, tree)).first;
        addPlacedModel(everything, placement, *model, known->second);
        addPlacedModel(forFire, placement, *model, known->second);
        if (placement.model != "fir") addPlacedModel(forTree, placement, *model, known->second);
        if (placement.model != "lightchain") addPlacedModel(forChain, placement, *model, known->second);
        const Affine place = placementTransform(placement);
        Vec3 at;
        if (helperPosition(placement, *model, "emit candle", at)) {
            BakeLight candle;
            candle.points = {at + Vec3{0, 0, 2.5f}};
            candle.colours = {{0.5f, 0.32f, 0.12f, 1}};
            candle.spread = {0.8f, 0.8f, 1.5f};
            candle.reach = 45;
            candle.samples = 1;
            candle.indoorOnly = true;
            candle.blockers = &everything;
            setup.lights.push_back(candle);
        }
        // The coloured lights of the tree and the chain blink; the map holds their light on average.
        // The chain's bulbs hang a few units from the mantel and the bricks below it, which the fire
        // does not reach, so they count for more there than the tree's lights spread round a crown.
        if (placement.model == "fir" || placement.model == "lightchain") {
            const bool tree = placement.model == "fir";
            BakeLight& lights = tree ? treeLights : chainLights;
            for (const BsmHelper& helper : model->builder.model().helpers) {
                if (helper.name.rfind("emit", 0) != 0) continue;
                lights.points.push_back(
                    place.apply({helper.position.x, helper.position.y, helper.position.z}));
                lights.colours.push_back(scaled(treeLightColour(helper.name), tree ? 0.012f : 0.07f));
            }
        }
        // The firewood's embers glow over the top of the logs.
        Vec3 lo, hi;
        if (placement.model == "firewood" && nodeBounds(*model, "logs", lo, hi)) {
            BakeLight embers;
            for (float fx : {0.2f, 0.5f, 0.8f})
                for (float fy : {0.3f, 0.7f}) {
                    embers.points.push_back(
                        place.apply({lo.x + (hi.x - lo.x) * fx, lo.y + (hi.y - lo.y) * fy, hi.z}));
                    embers.colours.push_back({0.24f, 0.075f, 0.018f, 1});
                }
            embers.spread = {(hi.x - lo.x) * 0.15f, (hi.y - lo.y) * 0.2f, 0.5f};
            embers.reach = 45;
            embers.samples = fast ? 2 : 4;
            embers.indoorOnly = true;
            embers.blockers = &everything;
            setup.lights.push_back(embers);
        }
        if (placement.model == "floorlamp" && nodeBounds(*model, "shade", lo, hi)) {
            BakeLight lamp;
            lamp.points = {place.apply((lo + hi) * 0.5f)};
            lamp.colours = {{0.9f, 0.68f, 0.4f, 1}};
            lamp.spread = {(hi.x - lo.x) * 0.25f, (hi.y - lo.y) * 0.25f, (hi.z - lo.z) * 0.2f};
            lamp.reach = 130;
            lamp.samples = fast ? 2 : 3;
            lamp.indoorOnly = true;
            lamp.blockers = &everything;
            setup.lights.push_back(lamp);
        }
    }
    everything.build();
    forFire.build();
    forTree.build();
    forChain.build();

    BakeLight fireLight;
    fireLight.points = {fire + Vec3{0, 0, 22}};
    fireLight.colours = {{3.2f, 1.55f, 0.55f, 1}};
    fireLight.spread = {24, 8, 14};
    fireLight.reach = 200;
    fireLight.samples = fast ? 3 : 6;
    fireLight.indoorOnly = true;
    fireLight.blockers = &forFire;
    setup.lights.push_back(fireLight);
    if (!treeLights.points.empty()) {
        treeLights.spread = {1.5f, 1.5f, 1.5f};
        treeLights.reach = 60;
        treeLights.samples = fast ? 3 : 6;
        treeLights.indoorOnly = true;
        treeLights.blockers = &forTree;
        setup.lights.push_back(treeLights);
    }
    if (!chainLights.points.empty()) {
        // On average the blinking colours mix: the bulbs merged in runs of seven, each run sampled
        // once per texel, light the mantel evenly where single bulbs drawn a few at a time speckle.
        constexpr std::size_t kRun = 7;
        BakeLight merged;
        for (std::size_t first = 0; first < chainLights.points.size(); first += kRun) {
            const std::size_t end = std::min(chainLights.points.size(), first + kRun);
            Vec3 at{};
            Color colour{0, 0, 0, 1};
            for (std::size_t i = first; i < end; ++i) {
                at = at + chainLights.points[i] * (1.0f / float(end - first));
                colour = {colour.r + chainLights.colours[i].r, colour.g + chainLights.colours[i].g,
                          colour.b + chainLights.colours[i].b, 1};
            }
            merged.points.push_back(at);
            merged.colours.push_back(colour);
        }
        chainLights.points = merged.points;
        chainLights.colours = merged.colours;
        chainLights.spread = {12, 1, 4};
        chainLights.reach = 30;
        chainLights.samples = int(chainLights.points.size());
        chainLights.indoorOnly = true;
        chainLights.blockers = &forChain;
        setup.lights.push_back(chainLights);
    }
    // The snowy garden glows through every pane (cool light falling into the room).
    for (const RoomObject& object : layout.objects) {
        if (object.name != "glass") continue;
        const Vec3 middle = (layout.roomMin + layout.roomMax) * 0.5f;
        for (const std::vector<int>& pane : groupCharts(object.mesh)) {
            modelling::Mesh piece;
            for (int f : pane)
                for (int k = 0; k < 3; ++k)
                    piece.positions.push_back(object.mesh.positions[object.mesh.faces[f][k]]);
            Vec3 lo, hi;
            modelling::bounds(piece, lo, hi);
            Vec3 normal = modelling::faceNormal(object.mesh, std::size_t(pane.front()));
            const Vec3 centre = (lo + hi) * 0.5f;
            if (modelling::dot(normal, middle - centre) < 0) normal = normal * -1.0f;
            BakeLight window;
            window.points = {centre + normal * 1.0f};
            window.colours = {{0.16f, 0.2f, 0.3f, 1}};
            window.spread = (hi - lo) * 0.5f;
            window.facing = normal;
            window.reach = 220;
            window.samples = fast ? 1 : 3;
            window.indoorOnly = true;
            window.blockers = &everything;
            setup.lights.push_back(window);
        }
    }
    setup.occluders = &everything;
    setup.moonDirection = modelling::normalized({0.75f, -0.6f, 0.5f});
    setup.moon = {0.34f, 0.42f, 0.66f, 1};
    setup.moonSamples = fast ? 1 : 2;
    setup.occlusionRays = fast ? 6 : 12;
    setup.ambientIndoor = {0.13f, 0.1f, 0.085f, 1};
    setup.ambientOutdoor = {0.3f, 0.36f, 0.52f, 1};

    BakeStats stats;
    std::vector<Picture> maps;
    std::vector<std::size_t> owners;
    for (std::size_t i = 0; i < layout.objects.size(); ++i) {
        const RoomObject& object = layout.objects[i];
        if (!object.lightMapped) continue;
        Vec3 lo, hi;
        meshBox(object.mesh, lo, hi);
        const bool outdoors = !(insideOrNear(lo, layout, 30) && insideOrNear(hi, layout, 30));
        float area = 0;
        for (std::size_t f = 0; f < object.mesh.faces.size(); ++f) {
            const modelling::Tri& t = object.mesh.faces[f];
            area += 0.5f * modelling::length(
                               modelling::cross(object.mesh.positions[t[1]] - object.mesh.positions[t[0]],
                                                object.mesh.positions[t[2]] - object.mesh.positions[t[0]]));
        }
        // About 2.5 units a texel indoors, much coarser in the garden, seen only through the windows.
        const float texelSize = (fast ? 6.0f : 2.5f) * (outdoors ? 6.0f : 1.0f);
        const int maxSize = fast ? 256 : (area > 250000 && !outdoors ? 1024 : 512);
        const LightMapCharts charts = chartMesh(object.mesh, texelSize, maxSize);
        BssRoomMesh& mesh = scene.roomMeshes[i];
        mesh.hasLightMap = true;
        mesh.lightMapName = "lm_" + object.name + ".tga";
        mesh.lightUvs.clear();
        for (const modelling::Vec2& uv : charts.uvs) mesh.lightUvs.push_back({uv.u, uv.v, 0});
        mesh.lightUvFaces = charts.faces;
        maps.push_back(bakeLightMap(object.mesh, charts, setup, threads, std::uint32_t(i)));
        owners.push_back(i);
        stats.texels += (long long)charts.width * charts.height;
    }
    toneMap(maps, 2.0f, 0.05f);
    for (std::size_t k = 0; k < maps.size(); ++k) {
        const pictures::Image image = maps[k].toImage();
        const std::string name = scene.roomMeshes[owners[k]].lightMapName;
        tree.write(Archive::Main, "Textures/" + name, pictures::encodeTga(image, {false, false}));
        tree.notePicture("main/Textures/" + name, image);
    }
    stats.maps = int(maps.size());
    stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return stats;
}

}  // namespace mediagen
