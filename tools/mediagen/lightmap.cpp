#include "mediagen/lightmap.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace mediagen {

using modelling::Vec2;
using modelling::Vec3;

namespace {

bool rayHitsBox(Vec3 from, Vec3 to, Vec3 lo, Vec3 hi) {
    const Vec3 d = to - from;
    float t0 = 0.02f, t1 = 0.98f;
    const float o[3] = {from.x, from.y, from.z}, dir[3] = {d.x, d.y, d.z}, mn[3] = {lo.x, lo.y, lo.z}, mx[3] = {hi.x, hi.y, hi.z};
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(dir[a]) < 1e-9f) {
            if (o[a] < mn[a] || o[a] > mx[a]) return false;
            continue;
        }
        float ta = (mn[a] - o[a]) / dir[a], tb = (mx[a] - o[a]) / dir[a];
        if (ta > tb) std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) return false;
    }
    return true;
}

bool inside(Vec3 p, Vec3 lo, Vec3 hi, float margin) {
    return p.x > lo.x - margin && p.y > lo.y - margin && p.z > lo.z - margin && p.x < hi.x + margin && p.y < hi.y + margin &&
           p.z < hi.z + margin;
}

// Barycentric coordinates of p in the 2-D triangle a, b, c, clamped onto the triangle.
void clampedBarycentric(Vec2 p, Vec2 a, Vec2 b, Vec2 c, float& wa, float& wb, float& wc) {
    const float det = (b.v - c.v) * (a.u - c.u) + (c.u - b.u) * (a.v - c.v);
    wa = ((b.v - c.v) * (p.u - c.u) + (c.u - b.u) * (p.v - c.v)) / det;
    wb = ((c.v - a.v) * (p.u - c.u) + (a.u - c.u) * (p.v - c.v)) / det;
    wa = std::max(0.0f, wa);
    wb = std::max(0.0f, wb);
    const float sum = wa + wb;
    if (sum > 1) {
        wa /= sum;
        wb /= sum;
    }
    wc = 1 - wa - wb;
}

}  // namespace

LightMapChart chartTriangles(const modelling::Mesh& mesh, int cell, int maxSize) {
    LightMapChart chart;
    const int count = static_cast<int>(mesh.faces.size());
    const int perRow = std::max(1, int(std::ceil(std::sqrt(double(std::max(count, 1))))));
    cell = std::max(4, cell);
    int size = 4;
    while (size < perRow * cell) size *= 2;
    while (size > maxSize && cell > 4) {
        cell /= 2;
        size = 4;
        while (size < perRow * cell) size *= 2;
    }
    chart.size = size;
    const float texel = 1.0f / float(size);
    for (int f = 0; f < count; ++f) {
        const float x0 = float((f % perRow) * cell), y0 = float((f / perRow) * cell);
        const auto base = static_cast<std::int32_t>(chart.uvs.size());
        // Half a texel inside the margin so the corners sample the triangle's own texels.
        chart.uvs.push_back({(x0 + 1.5f) * texel, (y0 + 1.5f) * texel});
        chart.uvs.push_back({(x0 + cell - 1.5f) * texel, (y0 + 1.5f) * texel});
        chart.uvs.push_back({(x0 + 1.5f) * texel, (y0 + cell - 1.5f) * texel});
        chart.faces.push_back({base, base + 1, base + 2});
    }
    return chart;
}

Color lightAt(const LightRig& rig, Vec3 p, Vec3 n) {
    const bool outdoors = !inside(p, rig.roomMin, rig.roomMax, 25);
    Color sum = outdoors ? rig.outdoor : rig.ambient;
    if (outdoors) sum = scaled(sum, 0.75f + 0.25f * std::max(0.0f, n.z));
    if (!outdoors) {
        // Corners and the floor by the walls catch less of the room's bounced light.
        const float dx = std::min(p.x - rig.roomMin.x, rig.roomMax.x - p.x);
        const float dy = std::min(p.y - rig.roomMin.y, rig.roomMax.y - p.y);
        const float dz = std::min(p.z - rig.roomMin.z, rig.roomMax.z - p.z);
        auto open = [](float d) { return 0.55f + 0.45f * clamp01(d / 60.0f); };
        const float occlusion = std::min(open(dx) * open(dy), std::min(open(dx) * open(dz), open(dy) * open(dz)));
        sum = scaled(sum, occlusion);
    }
    for (const LightSource& light : rig.lights) {
        const Vec3 toLight = light.position - p;
        const float distance = modelling::length(toLight);
        if (distance < 1e-3f) continue;
        const Vec3 l = toLight * (1 / distance);
        // Half-Lambert keeps surfaces turned a little away from a light from going black.
        const float facing = std::max(0.0f, modelling::dot(n, l) * 0.8f + 0.2f);
        if (facing <= 0) continue;
        const float falloff = 1 / (1 + (distance / light.reach) * (distance / light.reach));
        float visible = 1;
        const Vec3 start = p + n * 1.0f;
        // A point inside an occluder (the floor under a model standing on it) is in its shade.
        for (const auto& box : rig.occluders)
            if (!inside(light.position, box.first, box.second, 0) &&
                (inside(start, box.first, box.second, 0) || rayHitsBox(start, light.position, box.first, box.second))) {
                visible = 0.35f;
                break;
            }
        const float amount = facing * falloff * visible;
        sum.r += light.colour.r * amount;
        sum.g += light.colour.g * amount;
        sum.b += light.colour.b * amount;
    }
    return sum;
}

Picture bakeLightMap(const modelling::Mesh& mesh, const LightMapChart& chart, const LightRig& rig) {
    Picture picture(chart.size, chart.size, Color{0, 0, 0, 1});
    const int perRow = std::max(1, int(std::ceil(std::sqrt(double(std::max<std::size_t>(mesh.faces.size(), 1))))));
    const int faceCount = static_cast<int>(mesh.faces.size());
    auto bakeFaces = [&](int first, int step) {
        for (int f = first; f < faceCount; f += step) {
            const modelling::Tri& t = chart.faces[f];
            const Vec2 a = chart.uvs[t[0]], b = chart.uvs[t[1]], c = chart.uvs[t[2]];
            const float texel = 1.0f / float(chart.size);
            const int cell = static_cast<int>(std::lround((b.u - a.u) / texel + 3));
            const int x0 = (f % perRow) * cell, y0 = (f / perRow) * cell;
            const Vec3 pa = mesh.positions[mesh.faces[f][0]], pb = mesh.positions[mesh.faces[f][1]], pc = mesh.positions[mesh.faces[f][2]];
            const bool hasNormals = mesh.normals.size() == mesh.faces.size() * 3;
            const Vec3 flat = modelling::faceNormal(mesh, std::size_t(f));
            for (int y = y0; y < y0 + cell && y < chart.size; ++y)
                for (int x = x0; x < x0 + cell && x < chart.size; ++x) {
                    float wa, wb, wc;
                    clampedBarycentric({(float(x) + 0.5f) * texel, (float(y) + 0.5f) * texel}, a, b, c, wa, wb, wc);
                    const Vec3 p = pa * wa + pb * wb + pc * wc;
                    Vec3 n = flat;
                    if (hasNormals)
                        n = modelling::normalized(mesh.normals[f * 3] * wa + mesh.normals[f * 3 + 1] * wb + mesh.normals[f * 3 + 2] * wc);
                    Color light = lightAt(rig, p, n);
                    light.a = 1;
                    // Texture rows run from the bottom up (v = 0 is the bottom row of the file).
                    picture.at(x, chart.size - 1 - y) = light;
                }
        }
    };
    // Faces are shared out by index, so the result does not depend on the thread count.
    const int threads = std::max(1, std::min(4, int(std::thread::hardware_concurrency())));
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i) workers.emplace_back(bakeFaces, i, threads);
    bakeFaces(0, threads);
    for (std::thread& worker : workers) worker.join();
    return picture;
}

void toneMap(std::vector<Picture>& maps, float exposure) {
    float brightest = 1e-6f;
    auto curve = [&](float e) { return 1 - std::exp(-exposure * e); };
    for (Picture& map : maps)
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x) {
                Color& c = map.at(x, y);
                c = {curve(c.r), curve(c.g), curve(c.b), 1};
                brightest = std::max(brightest, std::max(c.r, std::max(c.g, c.b)));
            }
    for (Picture& map : maps)
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x) map.at(x, y) = scaled(map.at(x, y), 1 / brightest);
}

}  // namespace mediagen
