#include "mediagen/room.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/maths.h"
#include "mediagen/generator.h"
#include "mediagen/lightmap.h"
#include "mediagen/room_textures.h"
#include "pictures/pictures.h"

namespace mediagen {

using modelling::Affine;
using modelling::Mesh;
using modelling::Vec2;
using modelling::Vec3;

namespace {

// The room's inside: x across, y from the door wall (south) to the fireplace wall (north).
constexpr float kX0 = -350, kX1 = 350, kY0 = -300, kY1 = 300, kHeight = 280;

// Openings, each as a rectangle in wall coordinates (u along the wall, v up).
struct Opening {
    float u0, u1, v0, v1;
};
const Opening kEastWindow{-215, -85, 80, 230};   // on x = kX1, u = y
const Opening kSouthWindow{-215, -85, 80, 230};  // on y = kY0, u = x
const Opening kDoor{195, 290, 0, 210};           // on y = kY0, u = x

// A flat wall region [u0, u1] × [v0, v1] with rectangular holes, as quads split at the holes' edges,
// at most `step` units wide so the light map follows the light across it. `place` maps (u, v) to
// world space; the quads face the side `place` makes counter-clockwise.
template <typename Place>
void addWall(Mesh& mesh, float u0, float u1, float v0, float v1, const std::vector<Opening>& holes,
             float step, Place place, float uvScale) {
    std::vector<float> us{u0, u1}, vs{v0, v1};
    for (const Opening& h : holes) {
        us.push_back(h.u0);
        us.push_back(h.u1);
        vs.push_back(h.v0);
        vs.push_back(h.v1);
    }
    auto refine = [&](std::vector<float>& cuts) {
        std::sort(cuts.begin(), cuts.end());
        std::vector<float> out;
        for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
            const float span = cuts[i + 1] - cuts[i];
            if (span < 0.01f) continue;
            const int pieces = std::max(1, int(std::ceil(span / step)));
            for (int k = 0; k < pieces; ++k) out.push_back(cuts[i] + span * float(k) / float(pieces));
        }
        out.push_back(cuts.back());
        cuts = out;
    };
    refine(us);
    refine(vs);
    for (std::size_t i = 0; i + 1 < us.size(); ++i)
        for (std::size_t j = 0; j + 1 < vs.size(); ++j) {
            const float cu = (us[i] + us[i + 1]) / 2, cv = (vs[j] + vs[j + 1]) / 2;
            bool open = false;
            for (const Opening& h : holes) open = open || (cu > h.u0 && cu < h.u1 && cv > h.v0 && cv < h.v1);
            if (open) continue;
            const std::int32_t a = mesh.addPosition(place(us[i], vs[j])),
                               b = mesh.addPosition(place(us[i + 1], vs[j])),
                               c = mesh.addPosition(place(us[i + 1], vs[j + 1])),
                               d = mesh.addPosition(place(us[i], vs[j + 1]));
            const std::int32_t ta = mesh.addUv(us[i] / uvScale, vs[j] / uvScale),
                               tb = mesh.addUv(us[i + 1] / uvScale, vs[j] / uvScale),
                               tc = mesh.addUv(us[i + 1] / uvScale, vs[j + 1] / uvScale),
                               td = mesh.addUv(us[i] / uvScale, vs[j + 1] / uvScale);
            mesh.addQuad({a, b, c, d}, {ta, tb, tc, td});
        }
}

// The frame, sill and pane of a window opening whose wall point is `at(u, v, depth)` (depth into
// the wall, outwards positive).
template <typename At>
void addWindow(Mesh& frame, Mesh& glass, const Opening& o, At at) {
    auto box = [&](float u0, float u1, float v0, float v1, float d0, float d1) {
        Mesh piece;
        const Vec3 p0 = at(u0, v0, d0), p1 = at(u1, v1, d1);
        modelling::addBox(piece, {std::min(p0.x, p1.x), std::min(p0.y, p1.y), std::min(p0.z, p1.z)},
                          {std::max(p0.x, p1.x), std::max(p0.y, p1.y), std::max(p0.z, p1.z)}, 40);
        modelling::append(frame, piece);
    };
    // Reveals lining the hole through the wall's thickness.
    box(o.u0 - 1, o.u0, o.v0, o.v1, 0, 20);
    box(o.u1, o.u1 + 1, o.v0, o.v1, 0, 20);
    box(o.u0, o.u1, o.v1, o.v1 + 1, 0, 20);
    // Frame, mullion and transom.
    box(o.u0, o.u0 + 6, o.v0, o.v1, 8, 12);
    box(o.u1 - 6, o.u1, o.v0, o.v1, 8, 12);
    box(o.u0, o.u1, o.v1 - 6, o.v1, 8, 12);
    box(o.u0, o.u1, o.v0, o.v0 + 6, 8, 12);
    const float mid = (o.u0 + o.u1) / 2;
    box(mid - 2.5f, mid + 2.5f, o.v0, o.v1, 8.5f, 11.5f);
    // The transom stops at the mullion: one bar through the other would share its faces there and
    // flicker between the two.
    const float transom = o.v0 + (o.v1 - o.v0) * 0.62f;
    box(o.u0, mid - 2.5f, transom, transom + 4, 8.5f, 11.5f);
    box(mid + 2.5f, o.u1, transom, transom + 4, 8.5f, 11.5f);
    // The sill reaches into the room.
    box(o.u0 - 10, o.u1 + 10, o.v0 - 5, o.v0, -16, 20);
    const Vec3 a = at(o.u0, o.v0, 10), b = at(o.u1, o.v0, 10), c = at(o.u1, o.v1, 10), d = at(o.u0, o.v1, 10);
    modelling::addQuadFace(glass, a, b, c, d, 1, 1);
}

// Turns the faces from `first` on to face the other way.
void flipFaces(Mesh& mesh, std::size_t first) {
    for (std::size_t f = first; f < mesh.faces.size(); ++f) {
        std::swap(mesh.faces[f][1], mesh.faces[f][2]);
        std::swap(mesh.uvFaces[f][1], mesh.uvFaces[f][2]);
    }
}

// A tiled floor-like quad, split into a grid for the light map, facing +z.
Mesh floorGrid(float x0, float y0, float x1, float y1, float z, float step, float uvScale,
               bool facingDown = false) {
    Mesh mesh;
    addWall(
        mesh, x0, x1, y0, y1, {}, step,
        [&](float u, float v) {
            return facingDown ? Vec3{u, y1 + y0 - v, z} : Vec3{u, v, z};
        },
        uvScale);
    return mesh;
}

RoomObject object(const std::string& name, const std::string& texture, Mesh mesh, int cell = 8,
                  bool lightMapped = true) {
    RoomObject o;
    o.name = name;
    o.texture = texture;
    modelling::computeNormals(mesh, 35);
    o.mesh = std::move(mesh);
    o.lightMapCell = cell;
    o.lightMapped = lightMapped;
    return o;
}

::Vec3 fv(Vec3 v) { return {v.x, v.y, v.z}; }

// The quaternion that turns local (0, 0, −1) to `forward` and (0, 1, 0) to the up nearest +z.
::Quat lookRotation(Vec3 forward) {
    const Vec3 f = modelling::normalized(forward);
    const Vec3 r = modelling::normalized(modelling::cross(f, {0, 0, 1}));
    const Vec3 u = modelling::cross(r, f);
    // Columns of the rotation: r, u, −f.
    const float m00 = r.x, m01 = u.x, m02 = -f.x;
    const float m10 = r.y, m11 = u.y, m12 = -f.y;
    const float m20 = r.z, m21 = u.z, m22 = -f.z;
    ::Quat q;
    const float trace = m00 + m11 + m22;
    if (trace > 0) {
        const float s = std::sqrt(trace + 1) * 2;
        q = {(m21 - m12) / s, (m02 - m20) / s, (m10 - m01) / s, s / 4};
    } else if (m00 > m11 && m00 > m22) {
        const float s = std::sqrt(1 + m00 - m11 - m22) * 2;
        q = {s / 4, (m01 + m10) / s, (m02 + m20) / s, (m21 - m12) / s};
    } else if (m11 > m22) {
        const float s = std::sqrt(1 + m11 - m00 - m22) * 2;
        q = {(m01 + m10) / s, s / 4, (m12 + m21) / s, (m02 - m20) / s};
    } else {
        const float s = std::sqrt(1 + m22 - m00 - m11) * 2;
        q = {(m02 + m20) / s, (m12 + m21) / s, s / 4, (m10 - m01) / s};
    }
    return q;
}

}  // namespace

::Quat placementRotation(float turnDegrees) {
    const float half = -turnDegrees * kPi / 360;
    return {0, 0, std::sin(half), std::cos(half)};
}

void placedBox(const Placement& placement, const PlacedModel& model, Vec3& lo, Vec3& hi) {
    lo = {1e30f, 1e30f, 1e30f};
    hi = {-1e30f, -1e30f, -1e30f};
    const Affine place =
        Affine::translation(placement.position) * Affine::rotationZ(placement.turnDegrees * kPi / 180);
    for (const BsmMesh& mesh : model.builder.model().meshes) {
        if (mesh.nodeName != "CollMesh") continue;
        for (const ::Vec3& p : mesh.positions) {
            const Vec3 w = place.apply({p.x, p.y, p.z});
            lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
            hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
        }
    }
}

RoomLayout buildRoomLayout() {
    RoomLayout layout;
    layout.roomMin = {kX0, kY0, 0};
    layout.roomMax = {kX1, kY1, kHeight};
    const float step = 50;

    // The shell: four papered walls (facing in), the east and south ones with their openings.
    Mesh walls;
    addWall(
        walls, kY0, kY1, 0, kHeight, {kEastWindow}, step,
        [](float u, float v) {
            return Vec3{kX1, u, v};
        },
        128);
    flipFaces(walls, 0);
    addWall(
        walls, kY0, kY1, 0, kHeight, {}, step,
        [](float u, float v) {
            return Vec3{kX0, u, v};
        },
        128);
    std::size_t south = walls.faces.size();
    addWall(
        walls, kX0, kX1, 0, kHeight, {kSouthWindow, kDoor}, step,
        [](float u, float v) {
            return Vec3{u, kY0, v};
        },
        128);
    flipFaces(walls, south);
    addWall(
        walls, kX0, kX1, 0, kHeight, {}, step,
        [](float u, float v) {
            return Vec3{u, kY1, v};
        },
        128);
    layout.objects.push_back(object("room", "tex_wallpaper.tga", walls, 12));
    layout.objects.push_back(
        object("floor", "tex_floor.tga", floorGrid(kX0, kY0, kX1, kY1, 0, step, 140), 12));
    layout.objects.push_back(
        object("ceiling", "tex_ceiling.tga", floorGrid(kX0, kY0, kX1, kY1, kHeight, step, 200, true), 12));
    {
        Mesh beams;
        for (float x : {-175.0f, 0.0f, 175.0f})
            modelling::addBox(beams, {x - 12, kY0, kHeight - 22}, {x + 12, kY1, kHeight}, 150);
        // A moulding round the top of the walls.
        modelling::addBox(beams, {kX0, kY0, kHeight - 8}, {kX0 + 6, kY1, kHeight}, 150);
        modelling::addBox(beams, {kX1 - 6, kY0, kHeight - 8}, {kX1, kY1, kHeight}, 150);
        modelling::addBox(beams, {kX0, kY0, kHeight - 8}, {kX1, kY0 + 6, kHeight}, 150);
        modelling::addBox(beams, {kX0, kY1 - 6, kHeight - 8}, {kX1, kY1, kHeight}, 150);
        layout.objects.push_back(object("beams", "tex_beam.tga", beams, 8));
    }
    {
        Mesh skirting;
        modelling::addBox(skirting, {kX0, kY0, 0}, {kX0 + 2, kY1, 14}, 100);
        modelling::addBox(skirting, {kX1 - 2, kY0, 0}, {kX1, kY1, 14}, 100);
        modelling::addBox(skirting, {kX0, kY0, 0}, {kDoor.u0, kY0 + 2, 14}, 100);
        modelling::addBox(skirting, {kDoor.u1, kY0, 0}, {kX1, kY0 + 2, 14}, 100);
        modelling::addBox(skirting, {kX0, kY1 - 2, 0}, {-110, kY1, 14}, 100);
        modelling::addBox(skirting, {110, kY1 - 2, 0}, {kX1, kY1, 14}, 100);
        layout.objects.push_back(object("skirting", "tex_skirting.tga", skirting, 6));
    }
    {
        Mesh rug;
        modelling::addQuadFace(rug, {-190, -60, 0.6f}, {90, -60, 0.6f}, {90, 180, 0.6f}, {-190, 180, 0.6f}, 1,
                               1);
        Mesh grid = floorGrid(-190, -60, 90, 180, 0.6f, 40, 1);
        for (auto& uv : grid.uvs) uv = {(uv.u + 190) / 280, (uv.v + 60) / 240};
        layout.objects.push_back(object("rug", "tex_rug.tga", grid, 12));
    }
    // The fireplace: a brick chimney breast with a firebox, hearth and mantel shelf.
    {
        Mesh breast;
        addWall(
            breast, -110, 110, 0, kHeight, {{-45, 45, 0, 75}}, step,
            [](float u, float v) {
                return Vec3{u, 240, v};
            },
            120);
        modelling::addBox(breast, {-111, 240, 0}, {-110, kY1, kHeight}, 120);
        modelling::addBox(breast, {110, 240, 0}, {111, kY1, kHeight}, 120);
        // Brick sides face out: the boxes' outer faces are what shows.
        layout.objects.push_back(object("chimneybreast", "tex_brick.tga", breast, 10));
        Mesh firebox;
        modelling::addBox(firebox, {-45, 240, 0}, {45, 285, 75}, 80, true);
        layout.objects.push_back(object("firebox", "tex_firebox.tga", firebox, 12));
        layout.objects.push_back(object(
            "hearth", "tex_hearth.tga",
            [] {
                Mesh m;
                modelling::addBevelledBox(m, {-100, 196, 0}, {100, 240, 5}, 1.5f, 60);
                return m;
            }(),
            10));
        Mesh mantel;
        modelling::addBevelledBox(mantel, {-125, 226, 118}, {125, 256, 126}, 1.5f, 120);
        modelling::addBevelledBox(mantel, {-118, 232, 108}, {118, 242, 118}, 1, 120);
        modelling::addBevelledBox(mantel, {-60, 238, 75}, {-45, 242, 118}, 1, 120);
        modelling::addBevelledBox(mantel, {45, 238, 75}, {60, 242, 118}, 1, 120);
        layout.objects.push_back(object("mantel", "tex_mantel.tga", mantel, 8));
    }
    // Windows: frames and sills, and the panes in one object drawn last.
    {
        Mesh frames, glass;
        addWindow(frames, glass, kEastWindow, [](float u, float v, float d) { return Vec3{kX1 + d, u, v}; });
        layout.objects.push_back(object("windowframe_east", "tex_frame.tga", frames, 8));
        Mesh frames2;
        addWindow(frames2, glass, kSouthWindow, [](float u, float v, float d) {
            return Vec3{u, kY0 - d, v};
        });
        layout.objects.push_back(object("windowframe_south", "tex_frame.tga", frames2, 8));
        RoomObject panes = object("glass", "tex_glass.tga", glass, 8, false);
        panes.twoSided = true;
        layout.objects.push_back(panes);
        Mesh rods;
        modelling::addSweep(rods, {{kX1 - 12, -240, 250}, {kX1 - 12, -60, 250}}, 1.5f, 10, 40);
        modelling::addSweep(rods, {{-240, kY0 + 12, 250}, {-60, kY0 + 12, 250}}, 1.5f, 10, 40);
        for (Vec3 end : {Vec3{kX1 - 12, -242, 250}, Vec3{kX1 - 12, -58, 250}, Vec3{-242, kY0 + 12, 250},
                         Vec3{-58, kY0 + 12, 250}})
            modelling::addSphere(rods, end, 3, 10, 6, 10);
        layout.objects.push_back(object("curtainrods", "tex_brass.tga", rods, 4));
    }
    // The door in the south wall, with its frame and a brass knob.
    {
        Mesh door;
        modelling::addBevelledBox(door, {kDoor.u0 + 2, kY0 - 6, 0}, {kDoor.u1 - 2, kY0 - 2, kDoor.v1 - 1},
                                  0.8f, 1e9f);
        modelling::boxUv(door, 100);
        layout.objects.push_back(object("door", "tex_door.tga", door, 8));
        Mesh frame;
        modelling::addBox(frame, {kDoor.u0 - 8, kY0, 0}, {kDoor.u0, kY0 + 3, kDoor.v1 + 8}, 60);
        modelling::addBox(frame, {kDoor.u1, kY0, 0}, {kDoor.u1 + 8, kY0 + 3, kDoor.v1 + 8}, 60);
        modelling::addBox(frame, {kDoor.u0, kY0, kDoor.v1}, {kDoor.u1, kY0 + 3, kDoor.v1 + 8}, 60);
        modelling::addBox(frame, {kDoor.u0 - 1, kY0 - 20, 0}, {kDoor.u0, kY0, kDoor.v1}, 60);
        modelling::addBox(frame, {kDoor.u1, kY0 - 20, 0}, {kDoor.u1 + 1, kY0, kDoor.v1}, 60);
        modelling::addBox(frame, {kDoor.u0, kY0 - 20, kDoor.v1}, {kDoor.u1, kY0, kDoor.v1 + 1}, 60);
        layout.objects.push_back(object("doorframe", "tex_frame.tga", frame, 6));
        Mesh knob;
        modelling::addSphere(knob, {kDoor.u1 - 12, kY0 + 1, 100}, 3, 12, 8, 10);
        layout.objects.push_back(object("doorknob", "tex_brass.tga", knob, 4));
    }
    // Pictures and a bookshelf on the west wall.
    {
        Mesh p1, p2;
        modelling::addBox(p1, {kX0, -40, 150}, {kX0 + 3, 60, 225}, 1e9f);
        modelling::addBox(p2, {kX0, 120, 160}, {kX0 + 3, 190, 220}, 1e9f);
        for (Mesh* p : {&p1, &p2})
            for (auto& uv : p->uvs) uv = {uv.u > 0 ? 1.0f : 0.0f, uv.v > 0 ? 1.0f : 0.0f};
        layout.objects.push_back(object("picture1", "tex_painting1.tga", p1, 4));
        layout.objects.push_back(object("picture2", "tex_painting2.tga", p2, 4));
        Mesh shelf;
        modelling::addBox(shelf, {kX0, -250, 0}, {kX0 + 35, -248, 190}, 80);
        modelling::addBox(shelf, {kX0, -132, 0}, {kX0 + 35, -130, 190}, 80);
        modelling::addBox(shelf, {kX0, -250, 188}, {kX0 + 35, -130, 192}, 80);
        for (int i = 0; i < 4; ++i)
            modelling::addBox(shelf, {kX0, -250, 4.0f + 46 * i}, {kX0 + 35, -130, 7.0f + 46 * i}, 80);
        layout.objects.push_back(object("bookshelf", "tex_mantel.tga", shelf, 6));
    }
    // Outside: the snowy garden, a fence, snowy trees, and the night sky round it all. The garden lies
    // in even moonlight, so its textures carry that light themselves and it needs no light maps.
    {
        // The ground reaches the sky box's walls: through a gap between them the sky's floor, stars
        // and all, would show as a dark band just below the horizon.
        Mesh ground = floorGrid(-1500, -1500, 1500, 1500, -30, 300, 200);
        layout.objects.push_back(object("garden", "tex_snow.tga", ground, 8, false));
        Mesh fence;
        for (int i = 0; i < 30; ++i) {
            const float t = -700 + 1400 * float(i) / 29;
            modelling::addBox(fence, {t - 4, -700, -30}, {t + 4, -696, 70}, 80);
            modelling::addBox(fence, {700, t - 4, -30}, {704, t + 4, 70}, 80);
        }
        modelling::addBox(fence, {-700, -702, 30}, {700, -694, 40}, 80);
        modelling::addBox(fence, {698, -700, 30}, {706, 700, 40}, 80);
        layout.objects.push_back(object("fence", "tex_fence.tga", fence, 4, false));
        Mesh trees;
        Random random(101);
        const Vec3 spots[] = {{600, -450, -30}, {820, 120, -30},   {560, 420, -30}, {-260, -820, -30},
                              {180, -960, -30}, {-620, -560, -30}, {950, -700, -30}};
        for (const Vec3& spot : spots) {
            const float h = random.uniform(260, 420);
            Mesh tree;
            modelling::addLathe(tree,
                                {{0, 0},
                                 {10, 0},
                                 {10, h * 0.15f},
                                 {h * 0.3f, h * 0.15f},
                                 {h * 0.12f, h * 0.45f},
                                 {h * 0.24f, h * 0.45f},
                                 {h * 0.08f, h * 0.75f},
                                 {h * 0.16f, h * 0.75f},
                                 {0, h}},
                                12, 120);
            modelling::transform(tree, Affine::translation(spot));
            modelling::append(trees, tree);
        }
        layout.objects.push_back(object("snowtrees", "tex_snowtree.tga", trees, 6, false));
        Mesh sky;
        modelling::addBox(sky, {-1500, -1500, -60}, {1500, 1500, 1300}, 1e9f, true);
        for (auto& uv : sky.uvs) uv = {uv.u > 0 ? 1.0f : 0.0f, uv.v > 0 ? 1.0f : 0.0f};
        layout.objects.push_back(object("sky", "tex_sky.tga", sky, 4, false));
        // The house's outside walls round the windows, so the garden view has a frame.
        Mesh outside;
        addWall(
            outside, kY0 - 20, kY1 + 20, -30, kHeight + 20, {kEastWindow}, 400,
            [](float u, float v) {
                return Vec3{kX1 + 20, u, v};
            },
            200);
        addWall(
            outside, kX0 - 20, kX1 + 20, -30, kHeight + 20, {kSouthWindow, kDoor}, 400,
            [](float u, float v) {
                return Vec3{u, kY0 - 20, v};
            },
            200);
        layout.objects.push_back(object("outsidewalls", "tex_brick_night.tga", outside, 8, false));
    }

    // Gilt frames round the pictures, and a third picture over the mantel.
    {
        Mesh frames;
        auto frameOnWall = [&](float y0, float y1, float z0, float z1) {
            // On the west wall, facing +x: four mitred-looking bevelled bars standing 4 proud.
            const float w = 6;
            modelling::addBevelledBox(frames, {kX0, y0 - w, z0 - w}, {kX0 + 4, y1 + w, z0}, 1.2f, 40);
            modelling::addBevelledBox(frames, {kX0, y0 - w, z1}, {kX0 + 4, y1 + w, z1 + w}, 1.2f, 40);
            modelling::addBevelledBox(frames, {kX0, y0 - w, z0}, {kX0 + 4, y0, z1}, 1.2f, 40);
            modelling::addBevelledBox(frames, {kX0, y1, z0}, {kX0 + 4, y1 + w, z1}, 1.2f, 40);
        };
        frameOnWall(-40, 60, 150, 225);
        frameOnWall(120, 190, 160, 220);
        // Over the mantel, on the chimney breast (facing −y).
        const float w = 7;
        // Above the clock's arch (z 176) and below the middle ceiling beam (z 258).
        const float z0 = 185, z1 = 245;
        modelling::addBevelledBox(frames, {-52 - w, 236, z0 - w}, {52 + w, 240, z0}, 1.5f, 40);
        modelling::addBevelledBox(frames, {-52 - w, 236, z1}, {52 + w, 240, z1 + w}, 1.5f, 40);
        modelling::addBevelledBox(frames, {-52 - w, 236, z0}, {-52, 240, z1}, 1.5f, 40);
        modelling::addBevelledBox(frames, {52, 236, z0}, {52 + w, 240, z1}, 1.5f, 40);
        layout.objects.push_back(object("pictureframes", "tex_gilt.tga", frames, 4));
        Mesh p3;
        modelling::addQuadFace(p3, {-52, 238.5f, z0}, {52, 238.5f, z0}, {52, 238.5f, z1}, {-52, 238.5f, z1},
                               1, 1);
        layout.objects.push_back(object("picture3", "tex_painting3.tga", p3, 8));
    }
    // Books on the shelves: spines facing the room (+x), each in one colour strip of the spine picture.
    {
        Mesh books;
        Random random(131);
        for (int shelf = 0; shelf < 4; ++shelf) {
            const float z = 7.0f + 46 * float(shelf);
            float y = -247.5f;
            while (true) {
                const float width = random.uniform(2.4f, 5.2f), height = random.uniform(24, 37),
                            depth = random.uniform(19, 27);
                if (y + width > -132.5f) break;
                // Now and then a book leans on its neighbour; most stand upright.
                Mesh book;
                modelling::addBox(book, {kX0 + 31 - depth, 0, 0}, {kX0 + 31, width, height}, 1e9f);
                const bool leaning = random.uniform() < 0.08f && y > -240;
                const float tilt = leaning ? -0.25f : 0.0f;
                modelling::transform(book, Affine::translation({0, y, z}) * Affine::rotationX(tilt));
                const int strip = random.below(8);
                // u across the strip by y, v up the spine: the strip's bands run across the spine.
                for (std::size_t f = 0; f < book.faces.size(); ++f)
                    for (int c = 0; c < 3; ++c) {
                        const Vec3 q = book.positions[book.faces[f][c]];
                        const float across = (q.y - y) / width;
                        book.uvFaces[f][c] = book.addUv(
                            (float(strip) + 0.15f + 0.7f * std::min(1.0f, std::max(0.0f, across))) / 8,
                            (q.z - z) / 40);
                    }
                modelling::append(books, book);
                y += width + (leaning ? height * 0.26f : 0.15f);
            }
        }
        layout.objects.push_back(object("books", "tex_books.tga", books, 4));
    }
    // A wreath on the inside of the door, tied with a red bow.
    {
        Mesh wreath;
        modelling::addTorus(wreath, 17, 5.5f, 28, 10, 12);
        modelling::transform(wreath, Affine::translation({(kDoor.u0 + kDoor.u1) / 2, kY0 + 4, 150}) *
                                         Affine::rotationX(kPi / 2));
        layout.objects.push_back(object("wreath", "tex_fir_bough.tga", wreath, 4));
        Mesh bow;
        for (float side : {-1.0f, 1.0f}) {
            Mesh loop;
            modelling::addTorus(loop, 4, 1.4f, 14, 6, 6);
            modelling::transform(
                loop, Affine::translation({(kDoor.u0 + kDoor.u1) / 2 + side * 4.5f, kY0 + 9, 134}) *
                          Affine::rotationX(kPi / 2) * Affine::scaling({1, 0.65f, 1}));
            modelling::append(bow, loop);
        }
        modelling::addSphere(bow, {(kDoor.u0 + kDoor.u1) / 2, kY0 + 9, 134}, 2.2f, 10, 6, 6);
        layout.objects.push_back(object("wreathbow", "tex_velvet_red.tga", bow, 4));
    }
    // A round side table by the armchair with a lamp-lit book on it.
    {
        Mesh table;
        modelling::addLathe(table,
                            {{0, 0},
                             {20, 0},
                             {20, 2},
                             {4, 4},
                             {2.5f, 10},
                             {3.5f, 30},
                             {2.5f, 50},
                             {4, 56},
                             {24, 56},
                             {25, 58},
                             {24, 60},
                             {0, 60}},
                            28, 40);
        modelling::transform(table, Affine::translation({-285, 20, 0}));
        layout.objects.push_back(object("sidetable", "tex_mantel.tga", table, 6));
    }
    // Outside: snow on the outer sills, snowy shrubs along the fence, the moon and a neighbour's house.
    {
        Mesh sills;
        modelling::addBevelledBox(sills, {kX1 + 20, kEastWindow.u0 - 8, kEastWindow.v0 - 6},
                                  {kX1 + 34, kEastWindow.u1 + 8, kEastWindow.v0 + 3}, 2.5f, 60);
        modelling::addBevelledBox(sills, {kSouthWindow.u0 - 8, kY0 - 34, kSouthWindow.v0 - 6},
                                  {kSouthWindow.u1 + 8, kY0 - 20, kSouthWindow.v0 + 3}, 2.5f, 60);
        layout.objects.push_back(object("snowsills", "tex_snow.tga", sills, 4, false));
        Mesh shrubs;
        Random random(151);
        for (int i = 0; i < 14; ++i) {
            const bool south = i % 2 == 0;
            const float t = -620 + 1240 * random.uniform();
            const Vec3 at = south ? Vec3{t, -660, -30} : Vec3{660, t, -30};
            const float r = random.uniform(28, 48);
            Mesh shrub;
            modelling::addSphere(shrub, {0, 0, 0}, r, 10, 6, 80);
            modelling::transform(shrub, Affine::translation(at) * Affine::scaling({1.2f, 1.2f, 0.7f}));
            modelling::append(shrubs, shrub);
        }
        layout.objects.push_back(object("snowshrubs", "tex_snow.tga", shrubs, 4, false));
        // The moon high over the garden beyond the east window, a disc facing the house.
        Mesh moon;
        const Vec3 centre{1440, -300, 400};
        const int sides = 40;
        const std::int32_t mid = moon.addPosition(centre), midUv = moon.addUv(0.5f, 0.5f);
        for (int i = 0; i < sides; ++i) {
            const float a0 = 2 * kPi * float(i) / sides, a1 = 2 * kPi * float(i + 1) / sides;
            const float r = 75;
            const std::int32_t p0 = moon.addPosition(centre + Vec3{0, -r * std::cos(a0), r * std::sin(a0)});
            const std::int32_t p1 = moon.addPosition(centre + Vec3{0, -r * std::cos(a1), r * std::sin(a1)});
            const std::int32_t t0 = moon.addUv(0.5f + 0.5f * std::cos(a0), 0.5f + 0.5f * std::sin(a0));
            const std::int32_t t1 = moon.addUv(0.5f + 0.5f * std::cos(a1), 0.5f + 0.5f * std::sin(a1));
            moon.addFace({mid, p0, p1}, {midUv, t0, t1});
        }
        layout.objects.push_back(object("moon", "tex_moon.tga", moon, 4, false));
        // A neighbour's cottage across the garden, its windows lit.
        Mesh house;
        modelling::addBox(house, {1150, -60, -30}, {1330, 300, 260}, 1e9f);
        for (std::size_t f = 0; f < house.faces.size(); ++f)
            for (int c = 0; c < 3; ++c) {
                const Vec3 q = house.positions[house.faces[f][c]];
                house.uvFaces[f][c] = house.addUv((q.y + 60 + q.x - 1150) / 360, (q.z + 30) / 290);
            }
        layout.objects.push_back(object("cottage", "tex_cottage.tga", house, 8, false));
        Mesh roof;
        const std::vector<Vec2> gable{{-110, 0}, {110, 0}, {0, 120}};
        modelling::addExtrusion(roof, gable, -320, 80, 1e9f);
        // The gable stands up in z and the ridge runs along y.
        modelling::transform(roof, Affine::translation({1240, 0, 250}) * Affine::rotationX(kPi / 2));
        modelling::boxUv(roof, 200);
        layout.objects.push_back(object("cottageroof", "tex_snowroof.tga", roof, 8, false));
    }
    // The placed models (24 helpers).
    auto& p = layout.placements;
    p.push_back({"fir", {210, 110, 0}, 0});
    p.push_back({"railroad", {210, 110, 0}, 0});
    p.push_back({"Clock", {0, 238, 126}, 180});
    for (float x : {-110.0f, -92.0f, 92.0f, 110.0f}) p.push_back({"candle", {x, 233, 126}, 0});
    for (float y : {-190.0f, -150.0f, -110.0f}) p.push_back({"candle", {kX1 - 8, y, 80}, 0});
    p.push_back({"tallcandle", {-40, 233, 126}, 0});
    p.push_back({"tallcandle", {40, 233, 126}, 0});
    p.push_back({"lightchain", {0, 225, 124}, 0});
    p.push_back({"firewood", {-150, 222, 0}, 0});
    p.push_back({"stocking", {-100, 224, 116}, 180});
    p.push_back({"stocking", {100, 224, 116}, 0});
    p.push_back({"teddy", {-125, 195, 0}, 150});
    p.push_back({"gift", {160, 70, 0}, 20});
    p.push_back({"giftsmall", {250, 60, 0}, -15});
    p.push_back({"giftlong", {180, 165, 0}, 70});
    p.push_back({"curtain", {kX1 - 14, -150, 252}, 90});
    p.push_back({"curtain", {-150, kY0 + 14, 252}, 0});
    p.push_back({"floorlamp", {-300, 240, 0}, 0});
    p.push_back({"armchair", {-240, 110, 0}, 90});
    return layout;
}

std::vector<BssCamera> cameraPaths() {
    constexpr int keys = 300;
    constexpr float wide = 1.309f, normal = 1.134f;
    std::vector<BssCamera> cameras;
    auto smooth = [](float t) { return t * t * (3 - 2 * t); };
    auto path = [&](auto position, auto target, float fov) {
        BssCamera camera;
        ::Quat previous;
        for (int k = 0; k < keys; ++k) {
            const float t = smooth(float(k) / float(keys - 1));
            const Vec3 eye = position(t);
            ::Quat q = lookRotation(target(t) - eye);
            // The scene file holds the conjugate of the camera's orientation.
            q = {-q.x, -q.y, -q.z, q.w};
            // Neighbouring keys on the same side of the quaternion sphere, so slerp takes the short way.
            if (k > 0 && q.x * previous.x + q.y * previous.y + q.z * previous.z + q.w * previous.w < 0)
                q = {-q.x, -q.y, -q.z, -q.w};
            previous = q;
            camera.positions.push_back(fv(eye));
            camera.rotations.push_back(q);
            camera.fieldsOfView.push_back(fov);
        }
        cameras.push_back(camera);
    };
    const Vec3 tree{210, 110, 0};
    // The tree's occlusion box (twice its size round its origin) reaches about 210 along x and y.
    // The paths round it are rounded squares (superellipses) that stay outside that box, so they
    // keep clear of the branches and the tree's visibility is decided by its query as usual.
    auto aroundTree = [&](float degrees, float radius, float z) {
        const float a = degrees * kPi / 180;
        const float c = std::cos(a), s = std::sin(a);
        const float r =
            radius / std::pow(std::pow(std::fabs(c), 8.0f) + std::pow(std::fabs(s), 8.0f), 1.0f / 8);
        return tree + Vec3{r * c, r * s, z};
    };
    // 1: a slow arc round the tree's open side, rising a little, the whole tree in view.
    //    Aimed above the tree's middle so the star stays clear of the top edge (the projection's
    //    aspect is 4:3 on every screen).
    path([&](float t) { return aroundTree(165 + 100 * t, 290, 165 + 15 * t); },
         [&](float) {
             return tree + Vec3{0, 0, 136};
         },
         normal);
    // 2: a glide along the mantel, from the candles and stocking on the left, past the clock, to the right.
    path(
        [](float t) {
            return Vec3{-150 + 260 * t, 105, 165};
        },
        [](float t) {
            return Vec3{-75 + 150 * t, 240, 135};
        },
        normal);
    // 3: low, watching the train go round the tree. The train's lap and this path's length share no
    //    rhythm and the path may start at any point of the lap, so the wide view holds the track's
    //    whole circle: from 320 units the circle spans about 22° either side of the tree, inside the
    //    24° half width of the wide field of view, and the locomotive stays in the picture wherever
    //    it is. The circle round the tree keeps clear of its occlusion box (whose corners lie about
    //    300 from the trunk).
    path(
        [&](float t) {
            const float a = (180 + 90 * t) * kPi / 180;
            return tree + Vec3{320 * std::cos(a), 320 * std::sin(a), 32 + 12 * t};
        },
        [&](float) {
            return tree + Vec3{0, 0, 24};
        },
        wide);
    // 4: towards the east window and the falling snow.
    path(
        [](float t) {
            return Vec3{120 + 140 * t, -120 - 30 * t, 150 - 10 * t};
        },
        [](float t) {
            return Vec3{700, -150 - 60 * t, 120};
        },
        normal);
    // 5: the wide view from the door, turning from the bookshelf in the south-west corner past the
    //    pictures, the armchair and the lamp to the fireplace.
    path(
        [](float t) {
            return Vec3{240 - 70 * t, -270 + 30 * t, 175 - 10 * t};
        },
        [](float t) {
            return Vec3{-300 + 320 * t, -100 + 320 * t, 100 - 5 * t};
        },
        wide);
    return cameras;
}

BssScene buildScene(const RoomLayout& layout) {
    BssScene scene;
    for (const RoomObject& object : layout.objects) {
        BssRoomMesh mesh;
        mesh.name = object.name;
        mesh.parentName = object.name == "room" ? "Scene Root" : "room";
        BssMaterial material;
        material.diffuseTexture = object.texture;
        material.twoSided = object.twoSided;
        material.firstCorner = 0;
        material.cornerCount = static_cast<std::int32_t>(object.mesh.faces.size() * 3);
        mesh.materials.push_back(material);
        for (const Vec3& p : object.mesh.positions) mesh.positions.push_back(fv(p));
        mesh.faces = object.mesh.faces;
        for (const Vec2& uv : object.mesh.uvs) mesh.uvs.push_back({uv.u, uv.v, 0});
        mesh.uvFaces = object.mesh.uvFaces;
        for (const Vec3& n : object.mesh.normals) mesh.normals.push_back(fv(n));
        scene.roomMeshes.push_back(mesh);
    }
    scene.cameras = cameraPaths();
    for (const Placement& placement : layout.placements) {
        BssHelper helper;
        helper.name = "instance " + placement.model;
        helper.kind = 3;
        helper.positions = {fv(placement.position)};
        helper.rotations = {placementRotation(placement.turnDegrees)};
        scene.helpers.push_back(helper);
    }
    auto emitter = [&](const std::string& name, Vec3 position, int kind) {
        BssHelper helper;
        helper.name = name;
        helper.kind = kind;
        helper.positions = {fv(position)};
        helper.rotations = {::Quat{}};
        scene.helpers.push_back(helper);
    };
    emitter("animmodel fireplace_fire", {0, 268, 4}, 4);
    emitter("emit Fire", {0, 266, 10}, 2);
    emitter("emit snowfall", {kX1 + 120, -150, 260}, 2);
    emitter("emit snowfall", {-150, kY0 - 120, 260}, 2);
    emitter("emit snowfall", {kX1 + 300, -60, 300}, 2);
    BssLight light;
    // The engine's attenuation is fixed; a bright white reaches the models round the room's edge.
    light.position = {0, 0, 220};
    light.colour = {35, 35, 35};
    for (const Placement& placement : layout.placements)
        light.includeNames.push_back("instance " + placement.model);
    scene.lights.push_back(light);
    return scene;
}

void makeRoom(MediaTree& tree, const RoomOptions& options) {
    makeModelTextures(tree);
    makeRoomTextures(tree);
    const std::vector<PlacedModel> models = buildPlacedModels(options.fast ? 0 : 1);
    makeRoomModels(tree, models);

    RoomLayout layout = buildRoomLayout();
    BssScene scene = buildScene(layout);

    bakeRoomLightMaps(tree, layout, models, scene, options.fast);
    tree.write(Archive::Main, "Models/test.BSS", encodeBss(scene));
}

}  // namespace mediagen
