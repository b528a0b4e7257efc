// What furnishes the room: the rug, the fireplace, the pictures and the bookshelf with its books, the
// wreath on the door and the side table.

#include "core/maths.h"
#include "mediagen/picture.h"
#include "mediagen/room_parts.h"

namespace mediagen {

using modelling::Affine;
using modelling::Mesh;
using modelling::Vec3;

void addRug(RoomLayout& layout) {
    Mesh rug;
    modelling::addQuadFace(rug, {-190, -60, 0.6f}, {90, -60, 0.6f}, {90, 180, 0.6f}, {-190, 180, 0.6f}, 1, 1);
    Mesh grid = floorGrid(-190, -60, 90, 180, 0.6f, 40, 1);
    for (auto& uv : grid.uvs) uv = {(uv.u + 190) / 280, (uv.v + 60) / 240};
    layout.objects.push_back(roomObject("rug", "tex_rug.tga", grid, 12));
}

void addFireplace(RoomLayout& layout) {
    // A brick chimney breast with a firebox, hearth and mantel shelf.
    Mesh breast;
    addWall(
        breast, -110, 110, 0, kHeight, {{-45, 45, 0, 75}}, kWallStep,
        [](float u, float v) {
            return Vec3{u, 240, v};
        },
        120);
    modelling::addBox(breast, {-111, 240, 0}, {-110, kY1, kHeight}, 120);
    modelling::addBox(breast, {110, 240, 0}, {111, kY1, kHeight}, 120);
    // Brick sides face out: the boxes' outer faces are what shows.
    layout.objects.push_back(roomObject("chimneybreast", "tex_brick.tga", breast, 10));
    Mesh firebox;
    modelling::addBox(firebox, {-45, 240, 0}, {45, 285, 75}, 80, true);
    layout.objects.push_back(roomObject("firebox", "tex_firebox.tga", firebox, 12));
    Mesh hearth;
    modelling::addBevelledBox(hearth, {-100, 196, 0}, {100, 240, 5}, 1.5f, 60);
    layout.objects.push_back(roomObject("hearth", "tex_hearth.tga", hearth, 10));
    Mesh mantel;
    modelling::addBevelledBox(mantel, {-125, 226, 118}, {125, 256, 126}, 1.5f, 120);
    modelling::addBevelledBox(mantel, {-118, 232, 108}, {118, 242, 118}, 1, 120);
    modelling::addBevelledBox(mantel, {-60, 238, 75}, {-45, 242, 118}, 1, 120);
    modelling::addBevelledBox(mantel, {45, 238, 75}, {60, 242, 118}, 1, 120);
    layout.objects.push_back(roomObject("mantel", "tex_mantel.tga", mantel, 8));
}

void addWestWall(RoomLayout& layout) {
    // Two pictures and a bookshelf.
    Mesh p1, p2;
    modelling::addBox(p1, {kX0, -40, 150}, {kX0 + 3, 60, 225}, 1e9f);
    modelling::addBox(p2, {kX0, 120, 160}, {kX0 + 3, 190, 220}, 1e9f);
    for (Mesh* p : {&p1, &p2})
        for (auto& uv : p->uvs) uv = {uv.u > 0 ? 1.0f : 0.0f, uv.v > 0 ? 1.0f : 0.0f};
    layout.objects.push_back(roomObject("picture1", "tex_painting1.tga", p1, 4));
    layout.objects.push_back(roomObject("picture2", "tex_painting2.tga", p2, 4));
    Mesh shelf;
    modelling::addBox(shelf, {kX0, -250, 0}, {kX0 + 35, -248, 190}, 80);
    modelling::addBox(shelf, {kX0, -132, 0}, {kX0 + 35, -130, 190}, 80);
    modelling::addBox(shelf, {kX0, -250, 188}, {kX0 + 35, -130, 192}, 80);
    for (int i = 0; i < 4; ++i)
        modelling::addBox(shelf, {kX0, -250, 4.0f + 46 * i}, {kX0 + 35, -130, 7.0f + 46 * i}, 80);
    layout.objects.push_back(roomObject("bookshelf", "tex_mantel.tga", shelf, 6));
}

void addPictureFrames(RoomLayout& layout) {
    // Gilt frames round the pictures, and a third picture over the mantel.
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
    layout.objects.push_back(roomObject("pictureframes", "tex_gilt.tga", frames, 4));
    Mesh p3;
    modelling::addQuadFace(p3, {-52, 238.5f, z0}, {52, 238.5f, z0}, {52, 238.5f, z1}, {-52, 238.5f, z1}, 1,
                           1);
    layout.objects.push_back(roomObject("picture3", "tex_painting3.tga", p3, 8));
}

void addBooks(RoomLayout& layout) {
    // Spines facing the room (+x), each in one colour strip of the spine picture.
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
                    book.uvFaces[f][c] =
                        book.addUv((float(strip) + 0.15f + 0.7f * std::min(1.0f, std::max(0.0f, across))) / 8,
                                   (q.z - z) / 40);
                }
            modelling::append(books, book);
            y += width + (leaning ? height * 0.26f : 0.15f);
        }
    }
    layout.objects.push_back(roomObject("books", "tex_books.tga", books, 4));
}

void addWreath(RoomLayout& layout) {
    // On the inside of the door, tied with a red bow.
    Mesh wreath;
    modelling::addTorus(wreath, 17, 5.5f, 28, 10, 12);
    modelling::transform(
        wreath, Affine::translation({(kDoor.u0 + kDoor.u1) / 2, kY0 + 4, 150}) * Affine::rotationX(kPi / 2));
    layout.objects.push_back(roomObject("wreath", "tex_fir_bough.tga", wreath, 4));
    Mesh bow;
    for (float side : {-1.0f, 1.0f}) {
        Mesh loop;
        modelling::addTorus(loop, 4, 1.4f, 14, 6, 6);
        modelling::transform(loop,
                             Affine::translation({(kDoor.u0 + kDoor.u1) / 2 + side * 4.5f, kY0 + 9, 134}) *
                                 Affine::rotationX(kPi / 2) * Affine::scaling({1, 0.65f, 1}));
        modelling::append(bow, loop);
    }
    modelling::addSphere(bow, {(kDoor.u0 + kDoor.u1) / 2, kY0 + 9, 134}, 2.2f, 10, 6, 6);
    layout.objects.push_back(roomObject("wreathbow", "tex_velvet_red.tga", bow, 4));
}

void addSideTable(RoomLayout& layout) {
    // Round, by the armchair, with a lamp-lit book on it.
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
    layout.objects.push_back(roomObject("sidetable", "tex_mantel.tga", table, 6));
}

}  // namespace mediagen
