// The room's shell: four papered walls with their openings, floor, ceiling, beams and skirting; the
// windows in the east and south walls; the door.

#include "mediagen/room_parts.h"

namespace mediagen {

using modelling::Mesh;
using modelling::Vec3;

namespace {

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

}  // namespace

Mesh floorGrid(float x0, float y0, float x1, float y1, float z, float step, float uvScale, bool facingDown) {
    Mesh mesh;
    addWall(
        mesh, x0, x1, y0, y1, {}, step,
        [&](float u, float v) {
            return facingDown ? Vec3{u, y1 + y0 - v, z} : Vec3{u, v, z};
        },
        uvScale);
    return mesh;
}

RoomObject roomObject(const std::string& name, const std::string& texture, Mesh mesh, int cell,
                      bool lightMapped) {
    RoomObject o;
    o.name = name;
    o.texture = texture;
    modelling::computeNormals(mesh, 35);
    o.mesh = std::move(mesh);
    o.lightMapCell = cell;
    o.lightMapped = lightMapped;
    return o;
}

void addShell(RoomLayout& layout) {
    const float step = kWallStep;
    // Four papered walls (facing in), the east and south ones with their openings.
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
    layout.objects.push_back(roomObject("room", "tex_wallpaper.tga", walls, 12));
    layout.objects.push_back(
        roomObject("floor", "tex_floor.tga", floorGrid(kX0, kY0, kX1, kY1, 0, step, 140), 12));
    layout.objects.push_back(roomObject("ceiling", "tex_ceiling.tga",
                                        floorGrid(kX0, kY0, kX1, kY1, kHeight, step, 200, true), 12));

    Mesh beams;
    for (float x : {-175.0f, 0.0f, 175.0f})
        modelling::addBox(beams, {x - 12, kY0, kHeight - 22}, {x + 12, kY1, kHeight}, 150);
    // A moulding round the top of the walls.
    modelling::addBox(beams, {kX0, kY0, kHeight - 8}, {kX0 + 6, kY1, kHeight}, 150);
    modelling::addBox(beams, {kX1 - 6, kY0, kHeight - 8}, {kX1, kY1, kHeight}, 150);
    modelling::addBox(beams, {kX0, kY0, kHeight - 8}, {kX1, kY0 + 6, kHeight}, 150);
    modelling::addBox(beams, {kX0, kY1 - 6, kHeight - 8}, {kX1, kY1, kHeight}, 150);
    layout.objects.push_back(roomObject("beams", "tex_beam.tga", beams, 8));

    Mesh skirting;
    modelling::addBox(skirting, {kX0, kY0, 0}, {kX0 + 2, kY1, 14}, 100);
    modelling::addBox(skirting, {kX1 - 2, kY0, 0}, {kX1, kY1, 14}, 100);
    modelling::addBox(skirting, {kX0, kY0, 0}, {kDoor.u0, kY0 + 2, 14}, 100);
    modelling::addBox(skirting, {kDoor.u1, kY0, 0}, {kX1, kY0 + 2, 14}, 100);
    modelling::addBox(skirting, {kX0, kY1 - 2, 0}, {-110, kY1, 14}, 100);
    modelling::addBox(skirting, {110, kY1 - 2, 0}, {kX1, kY1, 14}, 100);
    layout.objects.push_back(roomObject("skirting", "tex_skirting.tga", skirting, 6));
}

void addWindows(RoomLayout& layout) {
    // Frames and sills, and the panes in one object drawn last.
    Mesh frames, glass;
    addWindow(frames, glass, kEastWindow, [](float u, float v, float d) { return Vec3{kX1 + d, u, v}; });
    layout.objects.push_back(roomObject("windowframe_east", "tex_frame.tga", frames, 8));
    Mesh frames2;
    addWindow(frames2, glass, kSouthWindow, [](float u, float v, float d) { return Vec3{u, kY0 - d, v}; });
    layout.objects.push_back(roomObject("windowframe_south", "tex_frame.tga", frames2, 8));
    RoomObject panes = roomObject("glass", "tex_glass.tga", glass, 8, false);
    panes.twoSided = true;
    layout.objects.push_back(panes);
    Mesh rods;
    modelling::addSweep(rods, {{kX1 - 12, -240, 250}, {kX1 - 12, -60, 250}}, 1.5f, 10, 40);
    modelling::addSweep(rods, {{-240, kY0 + 12, 250}, {-60, kY0 + 12, 250}}, 1.5f, 10, 40);
    for (Vec3 end : {Vec3{kX1 - 12, -242, 250}, Vec3{kX1 - 12, -58, 250}, Vec3{-242, kY0 + 12, 250},
                     Vec3{-58, kY0 + 12, 250}})
        modelling::addSphere(rods, end, 3, 10, 6, 10);
    layout.objects.push_back(roomObject("curtainrods", "tex_brass.tga", rods, 4));
}

void addDoor(RoomLayout& layout) {
    // The door in the south wall, with its frame and a brass knob.
    Mesh door;
    modelling::addBevelledBox(door, {kDoor.u0 + 2, kY0 - 6, 0}, {kDoor.u1 - 2, kY0 - 2, kDoor.v1 - 1}, 0.8f,
                              1e9f);
    modelling::boxUv(door, 100);
    layout.objects.push_back(roomObject("door", "tex_door.tga", door, 8));
    Mesh frame;
    modelling::addBox(frame, {kDoor.u0 - 8, kY0, 0}, {kDoor.u0, kY0 + 3, kDoor.v1 + 8}, 60);
    modelling::addBox(frame, {kDoor.u1, kY0, 0}, {kDoor.u1 + 8, kY0 + 3, kDoor.v1 + 8}, 60);
    modelling::addBox(frame, {kDoor.u0, kY0, kDoor.v1}, {kDoor.u1, kY0 + 3, kDoor.v1 + 8}, 60);
    modelling::addBox(frame, {kDoor.u0 - 1, kY0 - 20, 0}, {kDoor.u0, kY0, kDoor.v1}, 60);
    modelling::addBox(frame, {kDoor.u1, kY0 - 20, 0}, {kDoor.u1 + 1, kY0, kDoor.v1}, 60);
    modelling::addBox(frame, {kDoor.u0, kY0 - 20, kDoor.v1}, {kDoor.u1, kY0, kDoor.v1 + 1}, 60);
    layout.objects.push_back(roomObject("doorframe", "tex_frame.tga", frame, 6));
    Mesh knob;
    modelling::addSphere(knob, {kDoor.u1 - 12, kY0 + 1, 100}, 3, 12, 8, 10);
    layout.objects.push_back(roomObject("doorknob", "tex_brass.tga", knob, 4));
}

}  // namespace mediagen
