// What meshShape says about a mesh: only a closed surface whose triangles turn counter-clockwise
// seen from outside may have its back faces culled.
#include "model/mesh_shape.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Point = std::array<float, 3>;

void addTriangle(std::vector<CornerRecord>& corners, Point a, Point b, Point c) {
    for (const Point& p : {a, b, c}) {
        CornerRecord corner{};
        corner.position[0] = p[0];
        corner.position[1] = p[1];
        corner.position[2] = p[2];
        corners.push_back(corner);
    }
}

// A tetrahedron at `origin` of side `size`, its faces counter-clockwise from outside unless
// `inward`; `leaveOut` drops one face (-1: none).
void addTetrahedron(std::vector<CornerRecord>& corners, Point origin, float size, bool inward = false,
                    int leaveOut = -1) {
    const Point o = origin;
    const Point x{o[0] + size, o[1], o[2]}, y{o[0], o[1] + size, o[2]}, z{o[0], o[1], o[2] + size};
    const std::array<std::array<Point, 3>, 4> faces = {{{o, y, x}, {o, x, z}, {o, z, y}, {x, y, z}}};
    for (int f = 0; f < 4; ++f) {
        if (f == leaveOut) continue;
        if (inward) {
            addTriangle(corners, faces[f][0], faces[f][2], faces[f][1]);
        } else {
            addTriangle(corners, faces[f][0], faces[f][1], faces[f][2]);
        }
    }
}

TEST(MeshShape, ClosedOutwardSurfaceAndItsBox) {
    std::vector<CornerRecord> corners;
    addTetrahedron(corners, {1, 2, 3}, 2);
    const MeshShape shape = meshShape(corners);
    EXPECT_TRUE(shape.closedOutward);
    EXPECT_FLOAT_EQ(shape.boxMin.x, 1);
    EXPECT_FLOAT_EQ(shape.boxMin.z, 3);
    EXPECT_FLOAT_EQ(shape.boxMax.y, 4);
    EXPECT_FLOAT_EQ(shape.boxMax.z, 5);
}

TEST(MeshShape, InwardOpenOrMixedSurfacesAreNotClosedOutward) {
    std::vector<CornerRecord> inward;
    addTetrahedron(inward, {0, 0, 0}, 1, true);
    EXPECT_FALSE(meshShape(inward).closedOutward);

    std::vector<CornerRecord> open;
    addTetrahedron(open, {0, 0, 0}, 1, false, 3);
    EXPECT_FALSE(meshShape(open).closedOutward);

    // Two pieces: each must enclose its own volume the right way round.
    std::vector<CornerRecord> pieces;
    addTetrahedron(pieces, {0, 0, 0}, 1);
    addTetrahedron(pieces, {5000, 0, 0}, 1);
    EXPECT_TRUE(meshShape(pieces).closedOutward);
    addTetrahedron(pieces, {10, 0, 0}, 1, true);
    EXPECT_FALSE(meshShape(pieces).closedOutward);

    // A face drawn twice (a two-sided card) meets its edges twice in one direction.
    std::vector<CornerRecord> doubled;
    addTetrahedron(doubled, {0, 0, 0}, 1);
    addTriangle(doubled, {0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    EXPECT_FALSE(meshShape(doubled).closedOutward);

    EXPECT_FALSE(meshShape({}).closedOutward);
}

}  // namespace
