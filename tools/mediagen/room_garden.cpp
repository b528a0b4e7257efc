// Outside: the snowy garden, a fence, snowy trees and the night sky round it all, the house's outside
// walls, snow on the outer sills, shrubs, the moon and a neighbour's cottage. The garden lies in even
// moonlight, so its textures carry that light themselves and it needs no light maps.

#include "core/maths.h"
#include "mediagen/picture.h"
#include "mediagen/room_parts.h"

namespace mediagen {

using modelling::Affine;
using modelling::Mesh;
using modelling::Vec2;
using modelling::Vec3;

void addGarden(RoomLayout& layout) {
    // The ground reaches the sky box's walls: through a gap between them the sky's floor, stars
    // and all, would show as a dark band just below the horizon.
    Mesh ground = floorGrid(-1500, -1500, 1500, 1500, -30, 300, 200);
    layout.objects.push_back(roomObject("garden", "tex_snow.tga", ground, 8, false));
    Mesh fence;
    for (int i = 0; i < 30; ++i) {
        const float t = -700 + 1400 * float(i) / 29;
        modelling::addBox(fence, {t - 4, -700, -30}, {t + 4, -696, 70}, 80);
        modelling::addBox(fence, {700, t - 4, -30}, {704, t + 4, 70}, 80);
    }
    modelling::addBox(fence, {-700, -702, 30}, {700, -694, 40}, 80);
    modelling::addBox(fence, {698, -700, 30}, {706, 700, 40}, 80);
    layout.objects.push_back(roomObject("fence", "tex_fence.tga", fence, 4, false));
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
    layout.objects.push_back(roomObject("snowtrees", "tex_snowtree.tga", trees, 6, false));
    Mesh sky;
    modelling::addBox(sky, {-1500, -1500, -60}, {1500, 1500, 1300}, 1e9f, true);
    for (auto& uv : sky.uvs) uv = {uv.u > 0 ? 1.0f : 0.0f, uv.v > 0 ? 1.0f : 0.0f};
    layout.objects.push_back(roomObject("sky", "tex_sky.tga", sky, 4, false));
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
    layout.objects.push_back(roomObject("outsidewalls", "tex_brick_night.tga", outside, 8, false));
}

void addGardenDetails(RoomLayout& layout) {
    Mesh sills;
    modelling::addBevelledBox(sills, {kX1 + 20, kEastWindow.u0 - 8, kEastWindow.v0 - 6},
                              {kX1 + 34, kEastWindow.u1 + 8, kEastWindow.v0 + 3}, 2.5f, 60);
    modelling::addBevelledBox(sills, {kSouthWindow.u0 - 8, kY0 - 34, kSouthWindow.v0 - 6},
                              {kSouthWindow.u1 + 8, kY0 - 20, kSouthWindow.v0 + 3}, 2.5f, 60);
    layout.objects.push_back(roomObject("snowsills", "tex_snow.tga", sills, 4, false));
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
    layout.objects.push_back(roomObject("snowshrubs", "tex_snow.tga", shrubs, 4, false));
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
    layout.objects.push_back(roomObject("moon", "tex_moon.tga", moon, 4, false));
    // A neighbour's cottage across the garden, its windows lit.
    Mesh house;
    modelling::addBox(house, {1150, -60, -30}, {1330, 300, 260}, 1e9f);
    for (std::size_t f = 0; f < house.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            const Vec3 q = house.positions[house.faces[f][c]];
            house.uvFaces[f][c] = house.addUv((q.y + 60 + q.x - 1150) / 360, (q.z + 30) / 290);
        }
    layout.objects.push_back(roomObject("cottage", "tex_cottage.tga", house, 8, false));
    Mesh roof;
    const std::vector<Vec2> gable{{-110, 0}, {110, 0}, {0, 120}};
    modelling::addExtrusion(roof, gable, -320, 80, 1e9f);
    // The gable stands up in z and the ridge runs along y.
    modelling::transform(roof, Affine::translation({1240, 0, 250}) * Affine::rotationX(kPi / 2));
    modelling::boxUv(roof, 200);
    layout.objects.push_back(roomObject("cottageroof", "tex_snowroof.tga", roof, 8, false));
}

}  // namespace mediagen
