// Occlusion queries on real GL: a placed model whose query box holds the camera stays drawn even
// though every face of its box lies behind the room; one far behind a wall is dropped.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "support/test_gl_context.h"
#include "scene/scene_fixtures.h"

namespace {

constexpr int kSize = 64;

struct OcclusionGL : ::testing::Test {
    platform::TestGLContext gl;
    void SetUp() override {
        ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
        glViewport(0, 0, kSize, kSize);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    }
};

// A floor square of ±100 at z = 0 seen from 50 above, looking straight down, with two placed
// models: "near" and "far" (their boxes are set by the test).
BssScene floorWithTwoModels() {
    BssScene file;
    file.roomMeshes.push_back(scenetest::roomBox());
    file.cameras.push_back(scenetest::stillCameraLookingDown({0, 0, 50}));
    file.helpers.push_back(scenetest::helper("instance near", 3));
    file.helpers.push_back(scenetest::helper("instance far", 3));
    return file;
}

TEST_F(OcclusionGL, AModelWhoseBoxHoldsTheCameraStaysDrawn) {
    if (!GLEW_ARB_occlusion_query) GTEST_SKIP() << "no occlusion queries";
    scenetest::SceneRig rig;
    rig.services.occlusionQueries = true;
    rig.build(floorWithTwoModels());
    const int nearModel = rig.objectIndex("instance near");
    const int farModel = rig.objectIndex("instance far");
    ASSERT_GE(nearModel, 0);
    ASSERT_GE(farModel, 0);
    // Near: a box of ±100 round the floor's centre, the camera inside it; the parts of its faces in
    // view lie under the floor. Far: a small box well under the floor.
    SceneObject& nearObject = rig.scene.objects[std::size_t(nearModel)];
    nearObject.centre = {0, 0, 0};
    nearObject.extent = {200, 200, 200};
    SceneObject& farObject = rig.scene.objects[std::size_t(farModel)];
    farObject.centre = {0, 0, -60};
    farObject.extent = {10, 10, 10};

    for (int frame = 0; frame < 4; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        rig.drawFrame(1.0f, true);
        if (frame == 0) continue;  // no query has been read yet
        EXPECT_TRUE(rig.view.sight[std::size_t(nearModel)].visible) << "frame " << frame;
        EXPECT_FALSE(rig.view.sight[std::size_t(farModel)].visible) << "frame " << frame;
    }
    releaseView(rig.view);
    releaseScene(rig.scene);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
