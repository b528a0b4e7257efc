// The model viewer's framing: what it looks at and from how far, for models off-centre, tall, flat
// and empty, with the collision mesh left out.

#include <gtest/gtest.h>

#include <cmath>

#include "app/model_viewer.h"
#include "model/model_data.h"

namespace {

ModelMesh meshWithCorners(const char* name, Vec3 pivot, std::initializer_list<Vec3> points) {
    ModelMesh mesh;
    mesh.nodeName = name;
    mesh.pivot = pivot;
    for (const Vec3& p : points) {
        CornerRecord corner{};
        corner.position[0] = p.x;
        corner.position[1] = p.y;
        corner.position[2] = p.z;
        mesh.corners.push_back(corner);
    }
    return mesh;
}

// The tangent of half the 45° view.
const float kHalfFieldTangent = std::tan(22.5f * 3.14159265f / 180);

}  // namespace

TEST(ModelViewerFraming, LooksAtTheTurningAxisHalfwayUpAndFitsTheSweep) {
    Model model;
    // A post 3 units off the axis, from z 10 to 50, on a node whose pivot lifts it by 10.
    model.meshes.push_back(meshWithCorners("Hull", {0, 0, 10}, {{3, 0, 0}, {3, 0, 40}}));
    // A far collision mesh must not widen the view.
    model.meshes.push_back(meshWithCorners("CollMesh", {0, 0, 0}, {{500, 500, -300}}));
    const ViewerFraming f = frameModel(&model);
    EXPECT_FLOAT_EQ(f.centre.x, 0);
    EXPECT_FLOAT_EQ(f.centre.y, 0);
    EXPECT_FLOAT_EQ(f.centre.z, 30);
    EXPECT_NEAR(f.radius, std::sqrt(3.0f * 3 + 20 * 20), 1e-4);
    // The sphere fills the height of the view.
    EXPECT_NEAR(f.radius / (f.distance * kHalfFieldTangent), 1.0f, 1e-4);

    // A wick emitter at z 50 keeps 6 units above it in view for the flame; other helpers do not.
    ModelHelper wick;
    wick.kind = HelperKind::Emitter;
    wick.position = Vec3{0, 0, 50};
    model.helpers.push_back(wick);
    ModelHelper marker;
    marker.position = Vec3{0, 0, 500};
    model.helpers.push_back(marker);
    EXPECT_FLOAT_EQ(frameModel(&model).centre.z, 33);
}

TEST(ModelViewerFraming, SmallEmptyAndMissingModelsKeepASensibleView) {
    Model flat;
    flat.meshes.push_back(meshWithCorners("Hull", {0, 0, 0}, {{0.1f, 0.1f, 0}, {-0.1f, 0, 0}}));
    const ViewerFraming small = frameModel(&flat);
    EXPECT_FLOAT_EQ(small.radius, 1);  // never closer than for a 1-unit sphere
    EXPECT_GT(small.distance, 1);      // beyond the near plane

    Model empty;
    for (const ViewerFraming& f : {frameModel(&empty), frameModel(nullptr)}) {
        EXPECT_FLOAT_EQ(f.radius, 1);
        EXPECT_FLOAT_EQ(f.centre.z, 0);
        EXPECT_TRUE(std::isfinite(f.distance));
    }
}
