#include "mediagen/lightmap.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>
#include <tuple>

#include "core/maths.h"
#include "pictures/pictures.h"

namespace mediagen {

using modelling::Vec2;
using modelling::Vec3;

namespace {

bool valid(const modelling::Mesh& mesh, const modelling::Tri& f) {
    const auto count = static_cast<std::int32_t>(mesh.positions.size());
    return f[0] >= 0 && f[1] >= 0 && f[2] >= 0 && f[0] < count && f[1] < count && f[2] < count;
}

float faceArea(const modelling::Mesh& mesh, int face) {
    const modelling::Tri& f = mesh.faces[face];
    if (!valid(mesh, f)) return 0;
    const Vec3 a = mesh.positions[f[0]];
    return 0.5f * modelling::length(modelling::cross(mesh.positions[f[1]] - a, mesh.positions[f[2]] - a));
}

// Any unit vector at right angles to n, chosen the same way every time (u runs level on walls).
void planeAxes(Vec3 n, Vec3& u, Vec3& v) {
    if (std::fabs(n.z) < 0.9f)
        u = modelling::normalized(modelling::cross(Vec3{0, 0, 1}, n));
    else
        u = modelling::normalized(modelling::cross(n, Vec3{0, 1, 0}));
    v = modelling::cross(n, u);
}

int powerOfTwoAtLeast(int n) {
    int p = 4;
    while (p < n) p *= 2;
    return p;
}

// Shelf packing of blocks (sizes with gutter) into width `width`; returns the height used, and the
// positions, or −1 when a block is wider than the map.
int packShelves(const std::vector<std::pair<int, int>>& blocks, int width,
                std::vector<std::pair<int, int>>& at) {
    std::vector<int> order(blocks.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return blocks[a].second > blocks[b].second; });
    at.assign(blocks.size(), {0, 0});
    int x = 0, y = 0, shelf = 0;
    for (int i : order) {
        const int w = blocks[i].first, h = blocks[i].second;
        if (w > width) return -1;
        if (x + w > width) {
            y += shelf;
            x = 0;
            shelf = 0;
        }
        at[i] = {x, y};
        x += w;
        shelf = std::max(shelf, h);
    }
    return y + shelf;
}

// The nearest point of the 2-D triangle a, b, c to p, as barycentric weights, and its squared distance.
float nearestOnTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c, float& wa, float& wb, float& wc) {
    const float det = (b.v - c.v) * (a.u - c.u) + (c.u - b.u) * (a.v - c.v);
    if (std::fabs(det) > 1e-12f) {
        wa = ((b.v - c.v) * (p.u - c.u) + (c.u - b.u) * (p.v - c.v)) / det;
        wb = ((c.v - a.v) * (p.u - c.u) + (a.u - c.u) * (p.v - c.v)) / det;
        wc = 1 - wa - wb;
        if (wa >= 0 && wb >= 0 && wc >= 0) return 0;
    }
    // Outside (or degenerate): the nearest point of the three edges.
    float best = 1e30f;
    const Vec2 corners[3] = {a, b, c};
    for (int e = 0; e < 3; ++e) {
        const Vec2 s = corners[e], t = corners[(e + 1) % 3];
        const float du = t.u - s.u, dv = t.v - s.v;
        const float len2 = du * du + dv * dv;
        float k = len2 > 0 ? ((p.u - s.u) * du + (p.v - s.v) * dv) / len2 : 0;
        k = std::max(0.0f, std::min(1.0f, k));
        const float qu = s.u + du * k - p.u, qv = s.v + dv * k - p.v;
        const float d2 = qu * qu + qv * qv;
        if (d2 < best) {
            best = d2;
            float w[3] = {0, 0, 0};
            w[e] = 1 - k;
            w[(e + 1) % 3] = k;
            wa = w[0];
            wb = w[1];
            wc = w[2];
        }
    }
    return best;
}

std::uint32_t hash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A number in [0, 1) from a seed and a sample index.
float unit(std::uint32_t seed, std::uint32_t index) {
    return float(hash(seed ^ hash(index + 0x9e3779b9U)) >> 8) * (1.0f / 16777216.0f);
}

// The k-th of n stratified points in the unit square, shifted by a per-point rotation (r1, r2).
void stratified(int k, int n, float r1, float r2, float& s, float& t) {
    // Hammersley point: k/n and the bit-reversed k.
    std::uint32_t bits = std::uint32_t(k);
    bits = (bits << 16) | (bits >> 16);
    bits = ((bits & 0x55555555U) << 1) | ((bits & 0xAAAAAAAAU) >> 1);
    bits = ((bits & 0x33333333U) << 2) | ((bits & 0xCCCCCCCCU) >> 2);
    bits = ((bits & 0x0F0F0F0FU) << 4) | ((bits & 0xF0F0F0F0U) >> 4);
    bits = ((bits & 0x00FF00FFU) << 8) | ((bits & 0xFF00FF00U) >> 8);
    s = (float(k) + 0.5f) / float(n) + r1;
    t = float(bits) * 2.3283064365386963e-10f + r2;
    s -= std::floor(s);
    t -= std::floor(t);
}

bool insideBox(Vec3 p, Vec3 lo, Vec3 hi, float margin) {
    return p.x > lo.x - margin && p.y > lo.y - margin && p.z > lo.z - margin && p.x < hi.x + margin &&
           p.y < hi.y + margin && p.z < hi.z + margin;
}

void addScaled(Color& sum, Color c, float k) {
    sum.r += c.r * k;
    sum.g += c.g * k;
    sum.b += c.b * k;
}

}  // namespace

std::vector<std::vector<int>> groupCharts(const modelling::Mesh& mesh, float creaseDegrees) {
    const int faceCount = static_cast<int>(mesh.faces.size());
    // Positions matched by value: the toolkit gives every quad its own corners.
    std::map<std::tuple<long, long, long>, int> welded;
    std::vector<int> weldOf(mesh.positions.size());
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3 p = mesh.positions[i];
        const auto key =
            std::make_tuple(std::lround(p.x * 100), std::lround(p.y * 100), std::lround(p.z * 100));
        weldOf[i] = welded.emplace(key, int(welded.size())).first->second;
    }
    std::map<std::pair<int, int>, std::vector<int>> edgeFaces;
    std::vector<Vec3> normals(faceCount);
    std::vector<bool> usable(faceCount);
    for (int f = 0; f < faceCount; ++f) {
        usable[f] = faceArea(mesh, f) > 1e-6f;
        if (!usable[f]) continue;
        normals[f] = modelling::faceNormal(mesh, std::size_t(f));
        for (int e = 0; e < 3; ++e) {
            int a = weldOf[mesh.faces[f][e]], b = weldOf[mesh.faces[f][(e + 1) % 3]];
            if (a > b) std::swap(a, b);
            edgeFaces[{a, b}].push_back(f);
        }
    }
    const float minDot = std::cos(creaseDegrees * kPi / 180);
    std::vector<int> chartOf(faceCount, -1);
    std::vector<std::vector<int>> charts;
    for (int seed = 0; seed < faceCount; ++seed) {
        if (chartOf[seed] >= 0) continue;
        const int id = int(charts.size());
        charts.push_back({seed});
        chartOf[seed] = id;
        if (!usable[seed]) continue;
        for (std::size_t k = 0; k < charts[id].size(); ++k) {
            const int f = charts[id][k];
            for (int e = 0; e < 3; ++e) {
                int a = weldOf[mesh.faces[f][e]], b = weldOf[mesh.faces[f][(e + 1) % 3]];
                if (a > b) std::swap(a, b);
                for (int g : edgeFaces[{a, b}]) {
                    if (chartOf[g] >= 0 || modelling::dot(normals[g], normals[seed]) < minDot) continue;
                    chartOf[g] = id;
                    charts[id].push_back(g);
                }
            }
        }
        std::sort(charts[id].begin(), charts[id].end());
    }
    return charts;
}

LightMapCharts chartMesh(const modelling::Mesh& mesh, float texelSize, int maxSize) {
    LightMapCharts out;
    const std::vector<std::vector<int>> groups = groupCharts(mesh);
    // Each chart's plane: the area-weighted normal of its faces, and the projected corners.
    struct Projected {
        Vec3 u, v;
        float minU = 1e30f, minV = 1e30f, maxU = -1e30f, maxV = -1e30f;
    };
    std::vector<Projected> planes(groups.size());
    for (std::size_t c = 0; c < groups.size(); ++c) {
        Vec3 n{};
        for (int f : groups[c])
            n = n + modelling::faceNormal(mesh, std::size_t(f)) * std::max(faceArea(mesh, f), 1e-6f);
        planeAxes(modelling::normalized(n), planes[c].u, planes[c].v);
        for (int f : groups[c])
            for (int k = 0; k < 3; ++k) {
                if (!valid(mesh, mesh.faces[f])) continue;
                const Vec3 p = mesh.positions[mesh.faces[f][k]];
                const float pu = modelling::dot(p, planes[c].u), pv = modelling::dot(p, planes[c].v);
                planes[c].minU = std::min(planes[c].minU, pu);
                planes[c].maxU = std::max(planes[c].maxU, pu);
                planes[c].minV = std::min(planes[c].minV, pv);
                planes[c].maxV = std::max(planes[c].maxV, pv);
            }
        if (planes[c].minU > planes[c].maxU)
            planes[c].minU = planes[c].maxU = planes[c].minV = planes[c].maxV = 0;
    }
    maxSize = std::max(maxSize, 4);
    texelSize = std::max(texelSize, 1e-3f);
    std::vector<std::pair<int, int>> at;
    std::vector<std::pair<int, int>> blocks(groups.size());
    // Packs the charts at one texel size; false when they do not fit maxSize × maxSize.
    auto pack = [&](float size, int& mapWidth, int& mapHeight) {
        long long area = 0;
        int widest = 0;
        for (std::size_t c = 0; c < groups.size(); ++c) {
            // Corners sit on texel centres, so a chart spans its extent plus one texel.
            const int w = int(std::ceil((planes[c].maxU - planes[c].minU) / size - 1e-3f)) + 1;
            const int h = int(std::ceil((planes[c].maxV - planes[c].minV) / size - 1e-3f)) + 1;
            blocks[c] = {w + 2 * kChartGutter, h + 2 * kChartGutter};
            area += (long long)blocks[c].first * blocks[c].second;
            widest = std::max(widest, blocks[c].first);
        }
        for (int width = powerOfTwoAtLeast(std::max(widest, int(std::sqrt(double(area))))); width <= maxSize;
             width *= 2) {
            const int used = packShelves(blocks, width, at);
            if (used >= 0 && used <= maxSize) {
                mapWidth = width;
                mapHeight = powerOfTwoAtLeast(used);
                return true;
            }
        }
        return false;
    };
    int width = 0, height = 0;
    for (int attempt = 0; !pack(texelSize, width, height) && attempt < 200; ++attempt) texelSize *= 1.15f;
    // A map only just over a power of two wastes most of its texels: up to 30 % coarser may halve it.
    float best = texelSize;
    long long bestArea = (long long)width * height;
    for (float coarser : {1.1f, 1.2f, 1.3f}) {
        int w = 0, h = 0;
        if (pack(texelSize * coarser, w, h) && (long long)w * h < bestArea) {
            best = texelSize * coarser;
            bestArea = (long long)w * h;
        }
    }
    texelSize = best;
    if (pack(texelSize, out.width, out.height) == false) {
        // Nothing fitted even coarsened (not for any sane mesh): stay valid all the same.
        out.width = out.height = 4;
        at.assign(groups.size(), {0, 0});
    }
    out.texelSize = texelSize;
    out.faces.assign(mesh.faces.size(), modelling::Tri{0, 0, 0});
    for (std::size_t c = 0; c < groups.size(); ++c) {
        LightMapChart chart;
        chart.faces = groups[c];
        chart.x = at[c].first + kChartGutter;
        chart.y = at[c].second + kChartGutter;
        chart.width = blocks[c].first - 2 * kChartGutter;
        chart.height = blocks[c].second - 2 * kChartGutter;
        for (int f : groups[c]) {
            modelling::Tri tri{};
            for (int k = 0; k < 3; ++k) {
                const Vec3 p = valid(mesh, mesh.faces[f]) ? mesh.positions[mesh.faces[f][k]] : Vec3{};
                float tu = (modelling::dot(p, planes[c].u) - planes[c].minU) / texelSize;
                float tv = (modelling::dot(p, planes[c].v) - planes[c].minV) / texelSize;
                tu = std::max(0.0f, std::min(float(chart.width - 1), tu));
                tv = std::max(0.0f, std::min(float(chart.height - 1), tv));
                tri[k] = static_cast<std::int32_t>(out.uvs.size());
                out.uvs.push_back({(float(chart.x) + tu + 0.5f) / float(out.width),
                                   (float(chart.y) + tv + 0.5f) / float(out.height)});
            }
            out.faces[f] = tri;
        }
        out.charts.push_back(std::move(chart));
    }
    return out;
}

std::vector<TexelSample> texelSamples(const modelling::Mesh& mesh, const LightMapCharts& charts) {
    std::vector<TexelSample> samples;
    const bool hasNormals = mesh.normals.size() == mesh.faces.size() * 3;
    std::vector<float> distance;
    std::vector<int> owner;
    std::vector<Vec3> weights;
    for (const LightMapChart& chart : charts.charts) {
        const int w = chart.width, h = chart.height;
        distance.assign(std::size_t(w) * h, 1e30f);
        owner.assign(std::size_t(w) * h, -1);
        weights.assign(std::size_t(w) * h, Vec3{});
        for (int f : chart.faces) {
            if (!valid(mesh, mesh.faces[f])) continue;
            Vec2 t[3];
            float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
            for (int k = 0; k < 3; ++k) {
                const Vec2 uv = charts.uvs[charts.faces[f][k]];
                t[k] = {uv.u * float(charts.width) - float(chart.x),
                        uv.v * float(charts.height) - float(chart.y)};
                lo[0] = std::min(lo[0], t[k].u);
                hi[0] = std::max(hi[0], t[k].u);
                lo[1] = std::min(lo[1], t[k].v);
                hi[1] = std::max(hi[1], t[k].v);
            }
            const int x0 = std::max(0, int(std::floor(lo[0])) - 1),
                      x1 = std::min(w - 1, int(std::ceil(hi[0])) + 1);
            const int y0 = std::max(0, int(std::floor(lo[1])) - 1),
                      y1 = std::min(h - 1, int(std::ceil(hi[1])) + 1);
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    float wa = 0, wb = 0, wc = 0;
                    const float d2 =
                        nearestOnTriangle({float(x) + 0.5f, float(y) + 0.5f}, t[0], t[1], t[2], wa, wb, wc);
                    // Half the texel's diagonal: the face overlaps the texel square.
                    const std::size_t i = std::size_t(y) * w + x;
                    if (d2 > 0.5f || d2 >= distance[i]) continue;
                    distance[i] = d2;
                    owner[i] = f;
                    weights[i] = {wa, wb, wc};
                }
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = std::size_t(y) * w + x;
                if (owner[i] < 0) continue;
                const int f = owner[i];
                const modelling::Tri& tri = mesh.faces[f];
                const Vec3 a = mesh.positions[tri[0]], b = mesh.positions[tri[1]], c = mesh.positions[tri[2]];
                const Vec3 wgt = weights[i];
                Vec3 p = a * wgt.x + b * wgt.y + c * wgt.z;
                // A texel the face only overlaps is sampled on the face's edge, where it touches the
                // neighbouring wall or floor; a step towards the face's middle keeps shadow rays from
                // starting inside the other surface.
                const Vec3 centre = (a + b + c) * (1.0f / 3.0f);
                const Vec3 inward = centre - p;
                const float len = modelling::length(inward);
                const float step = std::min(len * 0.5f, charts.texelSize * 0.2f);
                if (distance[i] > 0 && len > 1e-6f) p = p + inward * (step / len);
                TexelSample s;
                s.x = chart.x + x;
                s.y = chart.y + y;
                s.face = f;
                s.position = p;
                s.faceNormal = modelling::faceNormal(mesh, std::size_t(f));
                s.normal = s.faceNormal;
                if (hasNormals) {
                    const Vec3 n = mesh.normals[f * 3] * wgt.x + mesh.normals[f * 3 + 1] * wgt.y +
                                   mesh.normals[f * 3 + 2] * wgt.z;
                    if (modelling::dot(n, s.faceNormal) > 0.05f) s.normal = modelling::normalized(n);
                }
                samples.push_back(s);
            }
    }
    std::stable_sort(samples.begin(), samples.end(), [](const TexelSample& l, const TexelSample& r) {
        return l.y < r.y || (l.y == r.y && l.x < r.x);
    });
    return samples;
}

Color irradiance(const BakeSetup& setup, Vec3 p, Vec3 n, Vec3 faceNormal, std::uint32_t seed) {
    const bool indoors = insideBox(p, setup.roomMin, setup.roomMax, 1);
    const Vec3 origin = p + faceNormal * 0.3f;
    Color sum{0, 0, 0, 1};
    std::uint32_t stream = 0;
    const float r1 = unit(seed, 7001), r2 = unit(seed, 7002);
    for (const BakeLight& light : setup.lights) {
        if (light.points.empty() || light.colours.empty() || (light.indoorOnly && !indoors)) continue;
        const int samples = std::max(1, light.samples);
        const int count = static_cast<int>(light.points.size());
        const float share = float(count) / float(samples);
        const float shiftA = unit(seed, ++stream), shiftB = unit(seed, ++stream),
                    shiftC = unit(seed, ++stream);
        for (int s = 0; s < samples; ++s) {
            float a, b;
            stratified(s, samples, shiftA, shiftB, a, b);
            // Points taken in turn from a per-texel start, so every point is used evenly.
            const int which = (int(shiftC * float(count)) + s * std::max(1, count / samples)) % count;
            float c3 = shiftC + (float(s) + 0.5f) / float(samples) * 0.618034f;
            c3 -= std::floor(c3);
            const Vec3 target =
                light.points[which] + Vec3{light.spread.x * (2 * a - 1), light.spread.y * (2 * b - 1),
                                           light.spread.z * (2 * c3 - 1)};
            const Vec3 toLight = target - origin;
            const float distance = modelling::length(toLight);
            if (distance < 1e-3f) continue;
            const Vec3 l = toLight * (1 / distance);
            float cosine = modelling::dot(n, l);
            if (cosine <= 0 || modelling::dot(faceNormal, l) <= 0) continue;
            if (light.facing.x != 0 || light.facing.y != 0 || light.facing.z != 0) {
                const float out = -modelling::dot(light.facing, l);
                if (out <= 0) continue;
                cosine *= out;
            }
            const Color& colour = light.colours[std::min<std::size_t>(which, light.colours.size() - 1)];
            const float q = distance / light.reach;
            const float amount = cosine * share / (1 + q * q);
            // Below about one step of the 8-bit map: not worth a ray.
            if (std::max(colour.r, std::max(colour.g, colour.b)) * amount * float(samples) < 0.003f) continue;
            Color passed{1, 1, 1, 1};
            if (light.blockers) {
                passed = light.blockers->transmittance(origin, toLight, 0.999f);
                if (passed.r <= 0 && passed.g <= 0 && passed.b <= 0) continue;
            }
            addScaled(sum, {colour.r * passed.r, colour.g * passed.g, colour.b * passed.b, 1}, amount);
        }
    }
    // Moonlight: parallel rays from a small disc of directions; indoors only what passes a window.
    if (setup.occluders && (setup.moon.r > 0 || setup.moon.g > 0 || setup.moon.b > 0)) {
        Vec3 u, v;
        planeAxes(setup.moonDirection, u, v);
        const int samples = std::max(1, setup.moonSamples);
        for (int s = 0; s < samples; ++s) {
            float a, b;
            stratified(s, samples, r1, r2, a, b);
            const float radius = setup.moonSpread * std::sqrt(a), angle = 2 * kPi * b;
            const Vec3 d = modelling::normalized(setup.moonDirection + u * (radius * std::cos(angle)) +
                                                 v * (radius * std::sin(angle)));
            const float cosine = modelling::dot(n, d);
            if (cosine <= 0 || modelling::dot(faceNormal, d) <= 0) continue;
            const Color passed = setup.occluders->transmittance(origin, d, 5000);
            addScaled(sum, {setup.moon.r * passed.r, setup.moon.g * passed.g, setup.moon.b * passed.b, 1},
                      cosine / float(samples));
        }
    }
    // Ambient light from the hemisphere, less where nearby surfaces close it in.
    float open = 1;
    if (setup.occluders && setup.occlusionRays > 0) {
        Vec3 u, v;
        planeAxes(n, u, v);
        int free = 0;
        for (int s = 0; s < setup.occlusionRays; ++s) {
            float a, b;
            stratified(s, setup.occlusionRays, r1, r2, a, b);
            // Cosine-weighted directions.
            const float radius = std::sqrt(a), angle = 2 * kPi * b;
            const Vec3 d = u * (radius * std::cos(angle)) + v * (radius * std::sin(angle)) +
                           n * std::sqrt(std::max(0.0f, 1 - a));
            if (modelling::dot(d, faceNormal) <= 0.01f ||
                !setup.occluders->occluded(origin, d, setup.occlusionReach))
                ++free;
        }
        open = float(free) / float(setup.occlusionRays);
    }
    const Color ambient = indoors ? setup.ambientIndoor : setup.ambientOutdoor;
    addScaled(sum, ambient, 0.25f + 0.75f * open);
    return sum;
}

Picture bakeLightMap(const modelling::Mesh& mesh, const LightMapCharts& charts, const BakeSetup& setup,
                     int threads, std::uint32_t seed) {
    Picture linear(charts.width, charts.height, Color{0, 0, 0, 0});
    const std::vector<TexelSample> samples = texelSamples(mesh, charts);
    std::vector<Color> results(samples.size());
    std::atomic<std::size_t> next{0};
    constexpr std::size_t kChunk = 64;
    // Every texel's samples depend on its own position only, so any thread may take any chunk.
    auto work = [&] {
        for (;;) {
            const std::size_t first = next.fetch_add(kChunk);
            if (first >= samples.size()) return;
            for (std::size_t i = first; i < std::min(samples.size(), first + kChunk); ++i) {
                const TexelSample& s = samples[i];
                const std::uint32_t texelSeed =
                    hash(seed * 0x2545f491U ^ hash(std::uint32_t(s.y) * 65537U + std::uint32_t(s.x)));
                results[i] = irradiance(setup, s.position, s.normal, s.faceNormal, texelSeed);
            }
        }
    };
    std::vector<std::thread> workers;
    for (int i = 1; i < std::max(1, threads); ++i) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    // Picture rows run top-down; light-map rows count from the bottom as texture files store them.
    auto texel = [&](int x, int y) -> Color& { return linear.at(x, charts.height - 1 - y); };
    // A light blur over baked neighbours facing the same way takes the grain out of the sampled
    // shadows and occlusion without carrying light round a corner or across a chart's edge.
    const int mapWidth = charts.width;
    std::vector<int> slot(std::size_t(charts.width) * charts.height, -1);
    for (std::size_t i = 0; i < samples.size(); ++i)
        slot[std::size_t(samples[i].y) * mapWidth + samples[i].x] = int(i);
    std::vector<int> chartAt(slot.size(), -1);
    for (std::size_t c = 0; c < charts.charts.size(); ++c) {
        const LightMapChart& chart = charts.charts[c];
        for (int y = chart.y; y < chart.y + chart.height; ++y)
            for (int x = chart.x; x < chart.x + chart.width; ++x)
                chartAt[std::size_t(y) * mapWidth + x] = int(c);
    }
    constexpr int kBlur = 1;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const TexelSample& s = samples[i];
        const int chart = chartAt[std::size_t(s.y) * mapWidth + s.x];
        Color acc{0, 0, 0, 0};
        float total = 0;
        for (int dy = -kBlur; dy <= kBlur; ++dy)
            for (int dx = -kBlur; dx <= kBlur; ++dx) {
                const int x = s.x + dx, y = s.y + dy;
                if (x < 0 || y < 0 || x >= charts.width || y >= charts.height) continue;
                const std::size_t at = std::size_t(y) * mapWidth + x;
                if (slot[at] < 0 || chartAt[at] != chart ||
                    modelling::dot(samples[slot[at]].normal, s.normal) < 0.9f)
                    continue;
                const float weight = (dx == 0 && dy == 0) ? 4.0f : (dx == 0 || dy == 0) ? 2.0f : 1.0f;
                addScaled(acc, results[slot[at]], weight);
                total += weight;
            }
        texel(s.x, s.y) = {acc.r / total, acc.g / total, acc.b / total, 1};
    }
    // Dilation: gutters and holes inside charts take the mean of their filled neighbours, ring by ring.
    std::vector<std::pair<int, int>> pending, filled;
    std::vector<Color> values;
    for (const LightMapChart& chart : charts.charts) {
        const int x0 = std::max(0, chart.x - kChartGutter),
                  x1 = std::min(charts.width, chart.x + chart.width + kChartGutter);
        const int y0 = std::max(0, chart.y - kChartGutter),
                  y1 = std::min(charts.height, chart.y + chart.height + kChartGutter);
        Color mean{0, 0, 0, 0};
        int meanCount = 0;
        for (int ring = 0; ring < (x1 - x0) + (y1 - y0); ++ring) {
            filled.clear();
            values.clear();
            bool missing = false;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    if (texel(x, y).a > 0) continue;
                    missing = true;
                    Color acc{0, 0, 0, 0};
                    int n = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = x + dx, ny = y + dy;
                            if (nx < x0 || ny < y0 || nx >= x1 || ny >= y1 || texel(nx, ny).a <= 0) continue;
                            const Color& c = texel(nx, ny);
                            acc.r += c.r;
                            acc.g += c.g;
                            acc.b += c.b;
                            ++n;
                        }
                    if (n == 0) continue;
                    filled.push_back({x, y});
                    values.push_back({acc.r / n, acc.g / n, acc.b / n, 0.5f});
                }
            for (std::size_t k = 0; k < filled.size(); ++k)
                texel(filled[k].first, filled[k].second) = values[k];
            if (!missing || filled.empty()) break;
        }
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (texel(x, y).a > 0) {
                    addScaled(mean, texel(x, y), 1);
                    ++meanCount;
                }
        // A chart no face touched (cannot happen for faces of any size) still gets a value.
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (texel(x, y).a <= 0)
                    texel(x, y) =
                        meanCount ? Color{mean.r / meanCount, mean.g / meanCount, mean.b / meanCount, 0.5f}
                                  : setup.ambientIndoor;
    }
    // Texels of no chart are only ever reached by coarse mip levels: the map's mean suits them.
    Color mean{0, 0, 0, 0};
    long long count = 0;
    for (int y = 0; y < charts.height; ++y)
        for (int x = 0; x < charts.width; ++x)
            if (linear.at(x, y).a > 0) {
                addScaled(mean, linear.at(x, y), 1);
                ++count;
            }
    const Color rest = count ? Color{float(mean.r / count), float(mean.g / count), float(mean.b / count), 0}
                             : setup.ambientIndoor;
    for (int y = 0; y < charts.height; ++y)
        for (int x = 0; x < charts.width; ++x)
            if (linear.at(x, y).a <= 0) linear.at(x, y) = Color{rest.r, rest.g, rest.b, 0};
    return linear;
}

void toneMap(std::vector<Picture>& maps, float exposure, float floor) {
    auto curve = [&](float e) { return 1 - std::exp(-exposure * std::max(0.0f, e)); };
    std::vector<float> levels;
    for (Picture& map : maps)
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x) {
                Color& c = map.at(x, y);
                const bool baked = c.a >= 1;
                c = {curve(c.r), curve(c.g), curve(c.b), c.a};
                if (baked) levels.push_back(std::max(c.r, std::max(c.g, c.b)));
            }
    float white = 1e-6f;
    if (!levels.empty()) {
        // The hottest texels (inside the firebox, beside a wick) clip so they do not dim the room.
        const std::size_t k = std::min(levels.size() - 1, std::size_t(double(levels.size()) * 0.99));
        std::nth_element(levels.begin(), levels.begin() + std::ptrdiff_t(k), levels.end());
        white = std::max(white, levels[k]);
    }
    for (Picture& map : maps)
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x) {
                Color& c = map.at(x, y);
                auto level = [&](float v) { return std::max(floor, std::min(1.0f, v / white)); };
                c = {level(c.r), level(c.g), level(c.b), 1};
            }
}

}  // namespace mediagen
