#pragma once
// The parts the room's layout is built from, for the room's own files (the rest of the generator uses
// room.h). Each part appends its meshes to the layout; buildRoomLayout calls them in the order the
// scene file lists the meshes.
//
//   room_shell.cpp        addShell (walls, floor, ceiling, beams, skirting), addWindows, addDoor
//   room_furnishings.cpp  addRug, addFireplace, addWestWall (pictures, bookshelf), addPictureFrames,
//                         addBooks, addWreath, addSideTable
//   room_garden.cpp       addGarden (ground, fence, trees, sky, the house's outside walls),
//                         addGardenDetails (snow on the sills, shrubs, the moon, the neighbour's cottage)
//   room_cameras.cpp      cameraPaths (room.h)
//   room.cpp              buildRoomLayout with the placed models, buildScene, makeRoom
//
// Shared below: the room's measures, its openings, and the helpers that lay out walls.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "mediagen/room.h"

namespace mediagen {

// The room's inside: x across, y from the door wall (south) to the fireplace wall (north).
constexpr float kX0 = -350, kX1 = 350, kY0 = -300, kY1 = 300, kHeight = 280;

// Openings, each as a rectangle in wall coordinates (u along the wall, v up).
struct Opening {
    float u0, u1, v0, v1;
};
constexpr Opening kEastWindow{-215, -85, 80, 230};   // on x = kX1, u = y
constexpr Opening kSouthWindow{-215, -85, 80, 230};  // on y = kY0, u = x
constexpr Opening kDoor{195, 290, 0, 210};           // on y = kY0, u = x

// The walls' quads are at most this wide, so their light maps follow the light across them.
constexpr float kWallStep = 50;

inline ::Vec3 fv(modelling::Vec3 v) { return {v.x, v.y, v.z}; }

// A flat wall region [u0, u1] × [v0, v1] with rectangular holes, as quads split at the holes' edges,
// at most `step` units wide so the light map follows the light across it. `place` maps (u, v) to
// world space; the quads face the side `place` makes counter-clockwise.
template <typename Place>
void addWall(modelling::Mesh& mesh, float u0, float u1, float v0, float v1, const std::vector<Opening>& holes,
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

// A tiled floor-like quad, split into a grid for the light map, facing +z (or −z).
modelling::Mesh floorGrid(float x0, float y0, float x1, float y1, float z, float step, float uvScale,
                          bool facingDown = false);

// A room mesh with its normals computed (creases above 35°), `cell` light-map texels per triangle
// cell.
RoomObject roomObject(const std::string& name, const std::string& texture, modelling::Mesh mesh, int cell = 8,
                      bool lightMapped = true);

void addShell(RoomLayout& layout);
void addWindows(RoomLayout& layout);
void addDoor(RoomLayout& layout);

void addRug(RoomLayout& layout);
void addFireplace(RoomLayout& layout);
void addWestWall(RoomLayout& layout);
void addPictureFrames(RoomLayout& layout);
void addBooks(RoomLayout& layout);
void addWreath(RoomLayout& layout);
void addSideTable(RoomLayout& layout);

void addGarden(RoomLayout& layout);
void addGardenDetails(RoomLayout& layout);

}  // namespace mediagen
