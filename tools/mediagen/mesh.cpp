#include "mediagen/mesh.h"

#include <algorithm>
#include <cmath>

#include "core/maths.h"

namespace mediagen {
namespace modelling {
namespace {

// Twice the signed area of a polygon in the xy plane (positive when counter-clockwise).
float signedArea2(const std::vector<Vec2>& polygon) {
    float area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec2& a = polygon[i];
        const Vec2& b = polygon[(i + 1) % polygon.size()];
        area += a.u * b.v - b.u * a.v;
    }
    return area;
}

bool pointInTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
    auto side = [](Vec2 p0, Vec2 p1, Vec2 q) {
        return (p1.u - p0.u) * (q.v - p0.v) - (p1.v - p0.v) * (q.u - p0.u);
    };
    const float d1 = side(a, b, p), d2 = side(b, c, p), d3 = side(c, a, p);
    return d1 >= 0 && d2 >= 0 && d3 >= 0;
}

// Ear clipping of a counter-clockwise simple polygon; returns index triples.
std::vector<Tri> triangulate(const std::vector<Vec2>& polygon) {
    std::vector<Tri> result;
    std::vector<int> remaining(polygon.size());
    for (std::size_t i = 0; i < polygon.size(); ++i) remaining[i] = static_cast<int>(i);
    int guard = 0;
    while (remaining.size() > 3 && guard++ < 10000) {
        bool clipped = false;
        const std::size_t n = remaining.size();
        for (std::size_t i = 0; i < n; ++i) {
            const int ia = remaining[(i + n - 1) % n], ib = remaining[i], ic = remaining[(i + 1) % n];
            const Vec2 a = polygon[ia], b = polygon[ib], c = polygon[ic];
            const float convex = (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
            if (convex <= 0) continue;
            bool empty = true;
            for (int other : remaining) {
                if (other == ia || other == ib || other == ic) continue;
                if (pointInTriangle(polygon[other], a, b, c)) {
                    empty = false;
                    break;
                }
            }
            if (!empty) continue;
            result.push_back({ia, ib, ic});
            remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(i));
            clipped = true;
            break;
        }
        if (!clipped) break;  // degenerate input: fan the rest rather than loop forever
    }
    for (std::size_t i = 1; i + 1 < remaining.size(); ++i)
        result.push_back({remaining[0], remaining[i], remaining[i + 1]});
    return result;
}

// Rings of the same point count at given heights, joined side by side, capped by fans (convex rings).
void addLoft(Mesh& mesh, const std::vector<std::vector<Vec3>>& rings, bool capBottom, bool capTop) {
    const std::size_t count = rings.front().size();
    std::vector<std::vector<std::int32_t>> index(rings.size());
    for (std::size_t r = 0; r < rings.size(); ++r)
        for (const Vec3& p : rings[r]) index[r].push_back(mesh.addPosition(p));
    const std::int32_t uv = mesh.addUv(0, 0);
    for (std::size_t r = 0; r + 1 < rings.size(); ++r)
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t j = (i + 1) % count;
            mesh.addQuad({index[r][i], index[r][j], index[r + 1][j], index[r + 1][i]}, {uv, uv, uv, uv});
        }
    for (std::size_t i = 1; i + 1 < count; ++i) {
        if (capBottom) mesh.addFace({index.front()[0], index.front()[i + 1], index.front()[i]}, {uv, uv, uv});
        if (capTop) mesh.addFace({index.back()[0], index.back()[i], index.back()[i + 1]}, {uv, uv, uv});
    }
}

}  // namespace

float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float length(Vec3 a) { return std::sqrt(dot(a, a)); }
Vec3 normalized(Vec3 a) {
    const float l = length(a);
    return l > 1e-12f ? a * (1.0f / l) : Vec3{0, 0, 1};
}

Vec3 Affine::apply(Vec3 p) const { return applyDirection(p) + t; }
Vec3 Affine::applyDirection(Vec3 d) const {
    return {m[0] * d.x + m[1] * d.y + m[2] * d.z, m[3] * d.x + m[4] * d.y + m[5] * d.z,
            m[6] * d.x + m[7] * d.y + m[8] * d.z};
}
Affine Affine::translation(Vec3 offset) {
    Affine a;
    a.t = offset;
    return a;
}
Affine Affine::scaling(Vec3 f) {
    Affine a;
    a.m = {f.x, 0, 0, 0, f.y, 0, 0, 0, f.z};
    return a;
}
Affine Affine::rotationX(float r) {
    Affine a;
    const float c = std::cos(r), s = std::sin(r);
    a.m = {1, 0, 0, 0, c, -s, 0, s, c};
    return a;
}
Affine Affine::rotationY(float r) {
    Affine a;
    const float c = std::cos(r), s = std::sin(r);
    a.m = {c, 0, s, 0, 1, 0, -s, 0, c};
    return a;
}
Affine Affine::rotationZ(float r) {
    Affine a;
    const float c = std::cos(r), s = std::sin(r);
    a.m = {c, -s, 0, s, c, 0, 0, 0, 1};
    return a;
}
Affine operator*(const Affine& a, const Affine& b) {
    Affine r;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r.m[row * 3 + col] =
                a.m[row * 3] * b.m[col] + a.m[row * 3 + 1] * b.m[3 + col] + a.m[row * 3 + 2] * b.m[6 + col];
    r.t = a.apply(b.t);
    return r;
}

std::int32_t Mesh::addPosition(Vec3 p) {
    positions.push_back(p);
    return static_cast<std::int32_t>(positions.size() - 1);
}
std::int32_t Mesh::addUv(float u, float v) {
    uvs.push_back({u, v});
    return static_cast<std::int32_t>(uvs.size() - 1);
}
void Mesh::addFace(Tri p, Tri uv) {
    // Triangles collapsed onto an edge (a lathe closing at its axis) are left out.
    if (p[0] == p[1] || p[1] == p[2] || p[0] == p[2]) return;
    const Vec3 n = cross(positions[p[1]] - positions[p[0]], positions[p[2]] - positions[p[0]]);
    if (length(n) < 1e-9f) return;
    faces.push_back(p);
    uvFaces.push_back(uv);
}
void Mesh::addQuad(std::array<std::int32_t, 4> p, std::array<std::int32_t, 4> uv) {
    addFace({p[0], p[1], p[2]}, {uv[0], uv[1], uv[2]});
    addFace({p[0], p[2], p[3]}, {uv[0], uv[2], uv[3]});
}

void bounds(const Mesh& mesh, Vec3& min, Vec3& max) {
    min = {1e30f, 1e30f, 1e30f};
    max = {-1e30f, -1e30f, -1e30f};
    for (const Vec3& p : mesh.positions) {
        min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
        max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
    }
}

void addQuadFace(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec3 d, float repeatU, float repeatV) {
    const std::int32_t pa = mesh.addPosition(a), pb = mesh.addPosition(b), pc = mesh.addPosition(c),
                       pd = mesh.addPosition(d);
    const std::int32_t ua = mesh.addUv(0, 0), ub = mesh.addUv(repeatU, 0), uc = mesh.addUv(repeatU, repeatV),
                       ud = mesh.addUv(0, repeatV);
    mesh.addQuad({pa, pb, pc, pd}, {ua, ub, uc, ud});
}

void addBox(Mesh& mesh, Vec3 lo, Vec3 hi, float uvScale, bool facingIn) {
    const Vec3 size = hi - lo;
    struct Side {
        Vec3 a, b, c, d;
        float w, h;
    };
    const Side sides[6] = {
        {{lo.x, lo.y, lo.z},
         {hi.x, lo.y, lo.z},
         {hi.x, lo.y, hi.z},
         {lo.x, lo.y, hi.z},
         size.x,
         size.z},  // -y
        {{hi.x, hi.y, lo.z},
         {lo.x, hi.y, lo.z},
         {lo.x, hi.y, hi.z},
         {hi.x, hi.y, hi.z},
         size.x,
         size.z},  // +y
        {{hi.x, lo.y, lo.z},
         {hi.x, hi.y, lo.z},
         {hi.x, hi.y, hi.z},
         {hi.x, lo.y, hi.z},
         size.y,
         size.z},  // +x
        {{lo.x, hi.y, lo.z},
         {lo.x, lo.y, lo.z},
         {lo.x, lo.y, hi.z},
         {lo.x, hi.y, hi.z},
         size.y,
         size.z},  // -x
        {{lo.x, lo.y, hi.z},
         {hi.x, lo.y, hi.z},
         {hi.x, hi.y, hi.z},
         {lo.x, hi.y, hi.z},
         size.x,
         size.y},  // +z
        {{lo.x, hi.y, lo.z},
         {hi.x, hi.y, lo.z},
         {hi.x, lo.y, lo.z},
         {lo.x, lo.y, lo.z},
         size.x,
         size.y},  // -z
    };
    for (const Side& s : sides) {
        if (facingIn)
            addQuadFace(mesh, s.b, s.a, s.d, s.c, s.w / uvScale, s.h / uvScale);
        else
            addQuadFace(mesh, s.a, s.b, s.c, s.d, s.w / uvScale, s.h / uvScale);
    }
}

void addBevelledBox(Mesh& mesh, Vec3 lo, Vec3 hi, float bevel, float uvScale) {
    const Vec3 size = hi - lo;
    bevel = std::min(bevel, std::min(size.x, std::min(size.y, size.z)) / 3.0f);
    auto ring = [&](float inset, float chamfer, float z) {
        const float x0 = lo.x + inset, x1 = hi.x - inset, y0 = lo.y + inset, y1 = hi.y - inset;
        return std::vector<Vec3>{{x0 + chamfer, y0, z}, {x1 - chamfer, y0, z}, {x1, y0 + chamfer, z},
                                 {x1, y1 - chamfer, z}, {x1 - chamfer, y1, z}, {x0 + chamfer, y1, z},
                                 {x0, y1 - chamfer, z}, {x0, y0 + chamfer, z}};
    };
    Mesh part;
    addLoft(part,
            {ring(bevel, bevel * 0.01f, lo.z), ring(0, bevel, lo.z + bevel), ring(0, bevel, hi.z - bevel),
             ring(bevel, bevel * 0.01f, hi.z)},
            true, true);
    boxUv(part, uvScale);
    append(mesh, part);
}

void addLathe(Mesh& mesh, const std::vector<Vec2>& profile, int segments, float uvScale) {
    if (profile.size() < 2 || segments < 3) return;
    std::vector<float> along(profile.size(), 0);
    for (std::size_t i = 1; i < profile.size(); ++i)
        along[i] =
            along[i - 1] + std::hypot(profile[i].u - profile[i - 1].u, profile[i].v - profile[i - 1].v);
    float maxRadius = 0;
    for (const Vec2& p : profile) maxRadius = std::max(maxRadius, p.u);
    const float repeatsRound = std::max(1.0f, std::round(2 * kPi * maxRadius / uvScale));
    std::vector<std::vector<std::int32_t>> pos(profile.size()), uv(profile.size());
    for (std::size_t i = 0; i < profile.size(); ++i) {
        for (int j = 0; j <= segments; ++j) {
            const float angle = 2 * kPi * float(j % segments) / float(segments);
            if (j < segments) {
                if (profile[i].u <= 0 && j > 0)
                    pos[i].push_back(pos[i][0]);
                else
                    pos[i].push_back(mesh.addPosition(
                        {profile[i].u * std::cos(angle), profile[i].u * std::sin(angle), profile[i].v}));
            }
            uv[i].push_back(mesh.addUv(repeatsRound * float(j) / float(segments), along[i] / uvScale));
        }
    }
    for (std::size_t i = 0; i + 1 < profile.size(); ++i)
        for (int j = 0; j < segments; ++j) {
            const int k = (j + 1) % segments;
            mesh.addQuad({pos[i][j], pos[i][k], pos[i + 1][k], pos[i + 1][j]},
                         {uv[i][j], uv[i][j + 1], uv[i + 1][j + 1], uv[i + 1][j]});
        }
}

void addCylinder(Mesh& mesh, float radius, float z0, float z1, int segments, float uvScale) {
    addLathe(mesh, {{0, z0}, {radius, z0}, {radius, z1}, {0, z1}}, segments, uvScale);
}

void addCone(Mesh& mesh, float radius, float z0, float z1, int segments, float uvScale) {
    addLathe(mesh, {{0, z0}, {radius, z0}, {0, z1}}, segments, uvScale);
}

void addSphere(Mesh& mesh, Vec3 centre, float radius, int segments, int rings, float uvScale) {
    std::vector<Vec2> profile;
    for (int i = 0; i <= rings; ++i) {
        const float a = -kPi / 2 + kPi * float(i) / float(rings);
        profile.push_back({i == 0 || i == rings ? 0.0f : radius * std::cos(a), radius * std::sin(a)});
    }
    Mesh part;
    addLathe(part, profile, segments, uvScale);
    transform(part, Affine::translation(centre));
    append(mesh, part);
}

void addTorus(Mesh& mesh, float R, float r, int segments, int sides, float uvScale) {
    std::vector<std::vector<std::int32_t>> pos(segments), uv(segments + 1);
    for (int i = 0; i <= segments; ++i) {
        const float a = 2 * kPi * float(i % segments) / float(segments);
        for (int j = 0; j <= sides; ++j) {
            const float b = 2 * kPi * float(j % sides) / float(sides);
            if (i < segments && j < sides) {
                const float radial = R + r * std::cos(b);
                pos[i].push_back(
                    mesh.addPosition({radial * std::cos(a), radial * std::sin(a), r * std::sin(b)}));
            }
            uv[i].push_back(
                mesh.addUv(float(i) / float(segments) * std::max(1.0f, std::round(2 * kPi * R / uvScale)),
                           float(j) / float(sides) * std::max(1.0f, std::round(2 * kPi * r / uvScale))));
        }
    }
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j) {
            const int i2 = (i + 1) % segments, j2 = (j + 1) % sides;
            mesh.addQuad({pos[i][j], pos[i2][j], pos[i2][j2], pos[i][j2]},
                         {uv[i][j], uv[i + 1][j], uv[i + 1][j + 1], uv[i][j + 1]});
        }
}

void addExtrusion(Mesh& mesh, const std::vector<Vec2>& polygonIn, float z0, float z1, float uvScale) {
    if (polygonIn.size() < 3) return;
    std::vector<Vec2> polygon = polygonIn;
    if (signedArea2(polygon) < 0) std::reverse(polygon.begin(), polygon.end());
    const std::size_t n = polygon.size();
    std::vector<std::int32_t> bottom, top;
    for (const Vec2& p : polygon) {
        bottom.push_back(mesh.addPosition({p.u, p.v, z0}));
        top.push_back(mesh.addPosition({p.u, p.v, z1}));
    }
    float run = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        const float edge = std::hypot(polygon[j].u - polygon[i].u, polygon[j].v - polygon[i].v);
        const std::int32_t a = mesh.addUv(run / uvScale, z0 / uvScale),
                           b = mesh.addUv((run + edge) / uvScale, z0 / uvScale),
                           c = mesh.addUv((run + edge) / uvScale, z1 / uvScale),
                           d = mesh.addUv(run / uvScale, z1 / uvScale);
        mesh.addQuad({bottom[i], bottom[j], top[j], top[i]}, {a, b, c, d});
        run += edge;
    }
    std::vector<std::int32_t> capUv;
    for (const Vec2& p : polygon) capUv.push_back(mesh.addUv(p.u / uvScale, p.v / uvScale));
    for (const Tri& t : triangulate(polygon)) {
        mesh.addFace({top[t[0]], top[t[1]], top[t[2]]}, {capUv[t[0]], capUv[t[1]], capUv[t[2]]});
        mesh.addFace({bottom[t[0]], bottom[t[2]], bottom[t[1]]}, {capUv[t[0]], capUv[t[2]], capUv[t[1]]});
    }
}

void addSweep(Mesh& mesh, const std::vector<Vec3>& path, float radius, int sides, float uvScale,
              bool closedLoop) {
    if (path.size() < 2 || sides < 3) return;
    const std::size_t n = path.size();
    auto tangentAt = [&](std::size_t i) {
        if (closedLoop) return normalized(path[(i + 1) % n] - path[(i + n - 1) % n]);
        if (i == 0) return normalized(path[1] - path[0]);
        if (i == n - 1) return normalized(path[n - 1] - path[n - 2]);
        return normalized(path[i + 1] - path[i - 1]);
    };
    // Frames carried along the path (parallel transport) so the tube does not twist.
    Vec3 tangent = tangentAt(0);
    Vec3 side = std::fabs(tangent.z) < 0.9f ? normalized(cross(tangent, {0, 0, 1}))
                                            : normalized(cross(tangent, {1, 0, 0}));
    const std::size_t ringCount = closedLoop ? n + 1 : n;
    std::vector<std::vector<std::int32_t>> pos(ringCount), uv(ringCount);
    float along = 0;
    for (std::size_t i = 0; i < ringCount; ++i) {
        const std::size_t pi = i % n;
        if (i > 0) {
            const Vec3 next = tangentAt(pi);
            side = normalized(side - next * dot(side, next));
            tangent = next;
            along += length(path[pi] - path[(pi + n - 1) % n]);
        }
        const Vec3 up = cross(tangent, side);
        for (int j = 0; j <= sides; ++j) {
            const float a = 2 * kPi * float(j % sides) / float(sides);
            if (j < sides) {
                if (closedLoop && i == n)
                    pos[i].push_back(pos[0][j]);
                else
                    pos[i].push_back(
                        mesh.addPosition(path[pi] + (side * std::cos(a) + up * std::sin(a)) * radius));
            }
            uv[i].push_back(mesh.addUv(float(j) / float(sides), along / uvScale));
        }
    }
    for (std::size_t i = 0; i + 1 < ringCount; ++i)
        for (int j = 0; j < sides; ++j) {
            const int k = (j + 1) % sides;
            mesh.addQuad({pos[i][j], pos[i + 1][j], pos[i + 1][k], pos[i][k]},
                         {uv[i][j], uv[i + 1][j], uv[i + 1][j + 1], uv[i][j + 1]});
        }
    if (!closedLoop) {
        const std::int32_t centreUv = mesh.addUv(0.5f, 0.5f);
        const std::int32_t first = mesh.addPosition(path.front()), last = mesh.addPosition(path.back());
        for (int j = 0; j < sides; ++j) {
            const int k = (j + 1) % sides;
            mesh.addFace({first, pos[0][k], pos[0][j]}, {centreUv, centreUv, centreUv});
            mesh.addFace({last, pos[ringCount - 1][j], pos[ringCount - 1][k]},
                         {centreUv, centreUv, centreUv});
        }
    }
}

void transform(Mesh& mesh, const Affine& affine) {
    for (Vec3& p : mesh.positions) p = affine.apply(p);
    // A mirroring transform would turn every face inside out; keep the winding outward.
    const auto& m = affine.m;
    const float det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                      m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (det < 0) {
        for (Tri& f : mesh.faces) std::swap(f[1], f[2]);
        for (Tri& f : mesh.uvFaces) std::swap(f[1], f[2]);
    }
    mesh.normals.clear();
}

void append(Mesh& mesh, const Mesh& other) {
    const auto positionBase = static_cast<std::int32_t>(mesh.positions.size());
    const auto uvBase = static_cast<std::int32_t>(mesh.uvs.size());
    mesh.positions.insert(mesh.positions.end(), other.positions.begin(), other.positions.end());
    mesh.uvs.insert(mesh.uvs.end(), other.uvs.begin(), other.uvs.end());
    for (const Tri& f : other.faces)
        mesh.faces.push_back({f[0] + positionBase, f[1] + positionBase, f[2] + positionBase});
    for (const Tri& f : other.uvFaces) mesh.uvFaces.push_back({f[0] + uvBase, f[1] + uvBase, f[2] + uvBase});
    mesh.normals.clear();
}

Vec3 faceNormal(const Mesh& mesh, std::size_t face) {
    const Tri& f = mesh.faces[face];
    return normalized(
        cross(mesh.positions[f[1]] - mesh.positions[f[0]], mesh.positions[f[2]] - mesh.positions[f[0]]));
}

void boxUv(Mesh& mesh, float uvScale) {
    mesh.uvs.clear();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const Vec3 n = faceNormal(mesh, f);
        const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        for (int c = 0; c < 3; ++c) {
            const Vec3 p = mesh.positions[mesh.faces[f][c]];
            Vec2 uv;
            if (az >= ax && az >= ay)
                uv = {p.x, p.y};
            else if (ax >= ay)
                uv = {p.y, p.z};
            else
                uv = {p.x, p.z};
            mesh.uvFaces[f][c] = mesh.addUv(uv.u / uvScale, uv.v / uvScale);
        }
    }
}

void cylindricalUv(Mesh& mesh, Vec3 centre, float repeatU, float uvScale) {
    mesh.uvs.clear();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        float u[3];
        for (int c = 0; c < 3; ++c) {
            const Vec3 p = mesh.positions[mesh.faces[f][c]] - centre;
            u[c] = (std::atan2(p.y, p.x) + kPi) / (2 * kPi);
        }
        // A face straddling the seam gets its small angles lifted past 1, so it does not smear the
        // whole texture across itself.
        const float hi = std::max(u[0], std::max(u[1], u[2]));
        for (float& value : u)
            if (hi - value > 0.5f) value += 1;
        for (int c = 0; c < 3; ++c) {
            const Vec3 p = mesh.positions[mesh.faces[f][c]];
            mesh.uvFaces[f][c] = mesh.addUv(u[c] * repeatU, p.z / uvScale);
        }
    }
}

void sphericalUv(Mesh& mesh, Vec3 centre) {
    mesh.uvs.clear();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        float u[3];
        float v[3];
        for (int c = 0; c < 3; ++c) {
            const Vec3 d = normalized(mesh.positions[mesh.faces[f][c]] - centre);
            u[c] = (std::atan2(d.y, d.x) + kPi) / (2 * kPi);
            v[c] = std::acos(std::max(-1.0f, std::min(1.0f, -d.z))) / kPi;
        }
        // A corner on a pole has no longitude of its own: it takes the middle of the other two.
        bool pole[3];
        for (int c = 0; c < 3; ++c) pole[c] = v[c] < 1e-4f || v[c] > 1 - 1e-4f;
        float hi = -1;
        for (int c = 0; c < 3; ++c)
            if (!pole[c]) hi = std::max(hi, u[c]);
        for (int c = 0; c < 3; ++c)
            if (!pole[c] && hi - u[c] > 0.5f) u[c] += 1;
        for (int c = 0; c < 3; ++c)
            if (pole[c]) {
                float sum = 0;
                int count = 0;
                for (int k = 0; k < 3; ++k)
                    if (!pole[k]) sum += u[k], ++count;
                u[c] = count ? sum / float(count) : 0.5f;
            }
        for (int c = 0; c < 3; ++c) mesh.uvFaces[f][c] = mesh.addUv(u[c], v[c]);
    }
}

void computeNormals(Mesh& mesh, float creaseDegrees) {
    const std::size_t faceCount = mesh.faces.size();
    std::vector<Vec3> weighted(faceCount), unit(faceCount);
    std::vector<std::vector<std::int32_t>> facesAt(mesh.positions.size());
    for (std::size_t f = 0; f < faceCount; ++f) {
        const Tri& t = mesh.faces[f];
        weighted[f] =
            cross(mesh.positions[t[1]] - mesh.positions[t[0]], mesh.positions[t[2]] - mesh.positions[t[0]]);
        unit[f] = normalized(weighted[f]);
        for (std::int32_t p : t) facesAt[p].push_back(static_cast<std::int32_t>(f));
    }
    const float limit = std::cos(creaseDegrees * kPi / 180.0f);
    mesh.normals.assign(faceCount * 3, Vec3{});
    for (std::size_t f = 0; f < faceCount; ++f)
        for (int c = 0; c < 3; ++c) {
            Vec3 sum;
            for (std::int32_t g : facesAt[mesh.faces[f][c]])
                if (dot(unit[f], unit[g]) >= limit) sum = sum + weighted[g];
            mesh.normals[f * 3 + c] = length(sum) > 1e-12f ? normalized(sum) : unit[f];
        }
}

}  // namespace modelling
}  // namespace mediagen
