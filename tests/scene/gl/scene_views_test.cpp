// Two monitors' views of one room on real GL: the frame moves everything once however many views
// step, the primary's camera order and random sequence stay as they are without the other view, the
// other view avoids the primary's camera and starts along its path, each view has its own occlusion
// queries, and every pass leaves the GL baseline.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "gl/gl_state.h"
#include "scene/scene_fixtures.h"
#include "support/test_gl_context.h"

using scenetest::SceneRig;

namespace {

// A room box around the cameras' paths with a railroad in it, and five short camera paths, so that
// cuts come every few frames.
BssScene roomWithFiveCameras() {
    BssScene file;
    file.roomMeshes.push_back(scenetest::roomBox());
    for (int c = 0; c < 5; ++c) file.cameras.push_back(scenetest::camera(6, float(c)));
    file.helpers.push_back(scenetest::helper("instance railroad", 3));
    file.helpers.push_back(scenetest::helper("emit sparks", 2));
    return file;
}

struct Frames {
    std::vector<int> primaryPlaces, otherPlaces;  // camera × 1000 + key
    float trainAngle = 0;
    int railroadPosedFrame = -1, sparksFiredFrame = -1, sceneFrame = 0;
    int nextPrimaryRandom = 0;  // the primary view's next random number after the run
};

// `frames` frames of 4 frame units, drawn on one monitor or, with `otherView`, on two, in the order
// Run mode draws them.
Frames run(bool otherView, int frames, bool occlusion) {
    SceneRig rig;
    rig.services.seeded = true;
    rig.services.seed = 11;
    rig.services.occlusionQueries = occlusion;
    rig.build(roomWithFiveCameras());
    Scene& scene = rig.scene;
    View& primary = rig.view;
    View other;
    if (otherView) {
        startView(scene, other, 1, 2, {primary.currentCamera});
        EXPECT_GT(other.cameraKey, 0) << "the other view starts along its path, not at its first key";
    }
    const int railroad = rig.objectIndex("instance railroad");
    if (otherView && occlusion) {
        EXPECT_NE(other.sight[std::size_t(railroad)].query, 0u);
        EXPECT_NE(other.sight[std::size_t(railroad)].query, primary.sight[std::size_t(railroad)].query);
    }
    Frames result;
    for (int f = 0; f < frames; ++f) {
        rig.drawFrame(4.0f, occlusion);
        if (otherView) {
            const std::vector<int> inUse{primary.currentCamera, other.currentCamera};
            stepView(scene, other, 4.0f, occlusion, inUse);
        }
        rig.particles.update(4.0f);
        rig.particles.render();
        drawGlassPass(scene, primary);
        if (otherView) {
            drawViewPass(scene, other, occlusion);
            drawParticlesFacingLoadedCamera(scene);
            drawGlassPass(scene, other);
            if (f == frames - 1) drawCapturePass(scene, other, 0.0f);
            result.otherPlaces.push_back(other.currentCamera * 1000 + other.cameraKey);
        }
        result.primaryPlaces.push_back(primary.currentCamera * 1000 + primary.cameraKey);
        // Each pass and view leaves the GL baseline for the next.
        EXPECT_EQ(glStateDifferences(), std::vector<std::string>{}) << "frame " << f;
    }
    result.trainAngle = scene.trainAngle;
    result.railroadPosedFrame = scene.objects[std::size_t(railroad)].posedFrame;
    result.sparksFiredFrame = scene.helpers.empty() ? -1 : scene.helpers[0].firedFrame;
    result.sceneFrame = scene.frame;
    result.nextPrimaryRandom = primary.random.next();
    releaseView(other);
    releaseView(primary);
    releaseScene(scene);
    return result;
}

TEST(SceneViewsGL, AnotherViewMovesNothingTwiceAndLeavesThePrimarysCameraOrderAlone) {
    platform::TestGLContext gl;
    ASSERT_TRUE(gl.create(64, 64)) << gl.error();
    applyGLBaseline();
    for (bool occlusion : {false, true}) {
        SCOPED_TRACE(occlusion ? "occlusion queries" : "frustum test");
        const Frames alone = run(false, 40, occlusion);
        const Frames both = run(true, 40, occlusion);
        // Cuts happened (the last frame shows another camera than the first), and the primary's path
        // is the same with the second view as without it.
        const auto cameraAt = [](const std::vector<int>& places, std::size_t f) { return places[f] / 1000; };
        EXPECT_NE(cameraAt(alone.primaryPlaces, 39), cameraAt(alone.primaryPlaces, 0));
        EXPECT_EQ(both.primaryPlaces, alone.primaryPlaces);
        EXPECT_EQ(both.nextPrimaryRandom, alone.nextPrimaryRandom);
        // The other view never shows the primary's picture: it runs half a path ahead, and its cuts
        // avoid the primary's camera (five cameras leave a choice).
        for (std::size_t f = 0; f < both.otherPlaces.size(); ++f) {
            EXPECT_NE(both.otherPlaces[f], both.primaryPlaces[f]) << "frame " << f;
            const bool cut = f > 0 && cameraAt(both.otherPlaces, f) != cameraAt(both.otherPlaces, f - 1);
            EXPECT_FALSE(cut && cameraAt(both.otherPlaces, f) == cameraAt(both.primaryPlaces, f))
                << "frame " << f;
        }
        // The train turned as often with two views as with one: once a frame while seen (its empty
        // model's query box counts no samples, so with queries it stops after the first frame).
        EXPECT_FLOAT_EQ(both.trainAngle, alone.trainAngle);
        if (!occlusion) {
            EXPECT_NEAR(alone.trainAngle, 40 * 4.0f * 0.8f, 0.01f);
            EXPECT_EQ(both.railroadPosedFrame, both.sceneFrame);
        }
        EXPECT_EQ(both.sparksFiredFrame, both.sceneFrame);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
