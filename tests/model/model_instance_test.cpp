#include "model/model_instance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "bsm_fixtures.h"
#include "fake_media.h"
#include "model/model_manager.h"
#include "model/vertex_pool.h"
#include "test_log.h"

namespace {

using fixtures::helper;
using fixtures::triangleMesh;

struct InstanceTest : ::testing::Test {
    FakeMedia media;
    SharedVertexPool pool;
    ModelManager manager{pool, media.sources()};
    TestLog log;
    std::vector<std::string> fired;
    EmitterHook record = [this](const ModelHelper& h) { fired.push_back(h.name); };

    ModelInstance make(const std::string& name, const BsmModel& model) {
        media.files["Models/" + name + ".BSM"] = encodeBsm(model);
        ModelInstance instance;
        manager.createInstance(instance, name);
        return instance;
    }
};

TEST_F(InstanceTest, BuildCopiesNodesCollisionMeshHelpersAndChildren) {
    BsmModel m = fixtures::railroad();
    m.meshes[2].pivot = {0, 10, 0};
    m.helpers.push_back(helper("emit teddyglow", "wagon01", {0, 12, 3}));
    m.helpers.push_back(helper("emit nowhere", "nothing", {0, 0, 0}));
    ModelInstance rr = make("railroad", m);
    ASSERT_EQ(rr.nodeCount(), 7);
    const ModelNode* hull = rr.findNode("Hull");
    ASSERT_NE(hull, nullptr);
    EXPECT_FALSE(hull->hasParent);
    // Children in node order: wagon02 (1), wagon01 (2), loco (3).
    EXPECT_EQ(hull->children, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(rr.findNode("wagon01")->children, (std::vector<int>{5}));
    EXPECT_EQ(rr.findNode("wagon02")->children, (std::vector<int>{4}));
    EXPECT_TRUE(rr.findNode("CollMesh")->children.empty());
    EXPECT_EQ(rr.collisionCornerCount, 3);
    const Model* model = manager.findModel("railroad");
    EXPECT_EQ(rr.collisionCorners, model->meshes[6].corners.data());
    EXPECT_EQ(rr.nodes[1].indices, model->meshes[1].indices.data());
    EXPECT_FLOAT_EQ(rr.extent.x, model->extent.x);
    // Helpers hang on their node, relative to its pivot; the unmatched one is dropped.
    ASSERT_EQ(hull->helpers.size(), 1u);
    const ModelNode* wagon = rr.findNode("wagon01");
    ASSERT_EQ(wagon->helpers.size(), 1u);
    EXPECT_FLOAT_EQ(wagon->helpers[0].position.y, 2);
    EXPECT_FLOAT_EQ(wagon->helpers[0].position.z, 3);
    // Fresh instance: identity matrices and rotations.
    EXPECT_EQ(wagon->drawMatrix, identityMatrix16());
    EXPECT_EQ(wagon->localRotation.w, 1);

    // Once loaded, only the collision mesh keeps its corners; instances made before or after still
    // collide with them.
    const CornerRecord firstCollisionCorner = model->meshes[6].corners[0];
    manager.releaseDrawnCorners();
    EXPECT_TRUE(model->meshes[1].corners.empty());
    EXPECT_EQ(rr.collisionCorners, model->meshes[6].corners.data());
    EXPECT_EQ(make("railroad", m).collisionCornerCount, 3);
    EXPECT_EQ(std::memcmp(rr.collisionCorners, &firstCollisionCorner, sizeof(CornerRecord)), 0);

    // No CollMesh: nothing to collide with.
    BsmModel plain;
    plain.meshes = {triangleMesh("Hull", "Scene Root")};
    EXPECT_EQ(make("plain", plain).collisionCornerCount, 0);
}

TEST_F(InstanceTest, TurningWagonTurnsTeddyAndNotTheOthers) {
    ModelInstance rr = make("railroad", fixtures::railroad());
    setNodeAngleZ(rr, "wagon01", 90);
    setNodeAngleZ(rr, "no such node", 45);
    updateInstance(rr, 1.0f, record);
    const ModelNode& wagon = *rr.findNode("wagon01");
    const ModelNode& teddy = *rr.findNode("teddy");
    const ModelNode& loco = *rr.findNode("loco");
    EXPECT_FLOAT_EQ(wagon.angleZ, 90);
    for (const ModelNode& node : rr.nodes) {
        if (node.name != "wagon01") {
            EXPECT_EQ(node.angleZ, 0) << node.name;
        }
    }
    // teddy's pivot (0, 10, 5) turns about z with wagon01 (pivot at the origin) to about (−10, 0, 5).
    EXPECT_NEAR(teddy.worldPosition.x, -10, 0.02f);
    EXPECT_NEAR(teddy.worldPosition.y, 0, 0.02f);
    EXPECT_NEAR(teddy.worldPosition.z, 5, 1e-4f);
    EXPECT_NEAR(teddy.worldRotation.z, wagon.worldRotation.z, 1e-6f);
    EXPECT_FLOAT_EQ(loco.worldRotation.w, 1);
    // The matrices drawn: drawMatrix = rotationMatrix(conj(local)), undoMatrix = rotationMatrix(local).
    EXPECT_EQ(wagon.drawMatrix, rotationMatrix(conjugate(wagon.localRotation)));
    EXPECT_EQ(wagon.undoMatrix, rotationMatrix(wagon.localRotation));
    EXPECT_EQ(teddy.drawMatrix, identityMatrix16());
}

TEST_F(InstanceTest, ChildWorldPositionUnderNinetyDegreeParentAndAngleOrder) {
    BsmModel m;
    m.meshes.push_back(triangleMesh("Hull", "Scene Root"));
    m.meshes.push_back(triangleMesh("Arm", "Hull", {0, 0, 4.527f}));
    m.meshes.push_back(triangleMesh("Hand", "Arm", {1, 0, 4.527f}));
    ModelInstance inst = make("arm", m);
    setNodeAngleZ(inst, "Arm", 90);
    updateInstance(inst, 0, record);
    const ModelNode& hand = *inst.findNode("Hand");
    EXPECT_NEAR(hand.worldPosition.x, 0, 2e-3f);
    EXPECT_NEAR(hand.worldPosition.y, 1, 2e-3f);
    EXPECT_NEAR(hand.worldPosition.z, 4.527f, 1e-4f);

    // localRotation = axisY(angleY) ⊗ axisZ(angleZ) ⊗ axisX(angleX).
    setNodeAngleX(inst, "Arm", 30);
    setNodeAngleY(inst, "Arm", 60);
    updateInstance(inst, 0, record);
    const Quat expected = multiply(multiply(axisY(60), axisZ(90)), axisX(30));
    const ModelNode& arm = *inst.findNode("Arm");
    EXPECT_FLOAT_EQ(arm.localRotation.x, expected.x);
    EXPECT_FLOAT_EQ(arm.localRotation.y, expected.y);
    EXPECT_FLOAT_EQ(arm.localRotation.z, expected.z);
    EXPECT_FLOAT_EQ(arm.localRotation.w, expected.w);
}

TEST_F(InstanceTest, HelperWorldPositionsAndTheLocoSteamException) {
    BsmModel m = fixtures::railroad();
    m.helpers.push_back(helper("emit smoke", "Hull", {1, 0, 2}));
    ModelInstance rr = make("railroad", m);
    rr.position = {100, 200, 300};
    rr.rotation = axisZ(90);
    ModelHelper& steam = rr.findNode("Hull")->helpers[0];
    ASSERT_EQ(steam.name, "emit locosteam");
    steam.worldPosition = {7, 8, 9};  // the scene places the steam itself
    setNodeAngleZ(rr, "Hull", 45);    // node angles do not move helpers
    updateInstance(rr, 1, record);
    EXPECT_FLOAT_EQ(steam.worldPosition.x, 7);
    EXPECT_FLOAT_EQ(steam.worldPosition.z, 9);
    // rotate(conj(rotation), (1, 0, 2)) turns by −90 degrees about z: about (0, −1, 2).
    const ModelHelper& smoke = rr.findNode("Hull")->helpers[1];
    EXPECT_NEAR(smoke.worldPosition.x, 100, 2e-3f);
    EXPECT_NEAR(smoke.worldPosition.y, 199, 2e-3f);
    EXPECT_NEAR(smoke.worldPosition.z, 302, 1e-4f);
    // Both fire, the steam too.
    EXPECT_EQ(fired, (std::vector<std::string>{"emit locosteam", "emit smoke"}));
}

BsmModel withHelpers(int count, int kindOfEvery = 2) {
    BsmModel m;
    m.meshes = {triangleMesh("Hull", "Scene Root")};
    for (int i = 0; i < count; ++i) {
        m.helpers.push_back(
            helper("emit light" + std::to_string(i), "Hull", {float(i), 0, 0}, i == 1 ? kindOfEvery : 2));
    }
    return m;
}

TEST_F(InstanceTest, FiringRuleNineteenTwentyAndTwentyOneHelpers) {
    // 19: every kind-2 helper on every call (helper 1 is of another kind and never fires).
    ModelInstance few = make("few", withHelpers(19, 5));
    updateInstance(few, 1, record);
    updateInstance(few, 1, record);
    EXPECT_EQ(fired.size(), 36u);
    EXPECT_EQ(fired[0], "emit light0");
    EXPECT_EQ(fired[1], "emit light2");
    EXPECT_FLOAT_EQ(few.emitterCursor, 0);

    // 20: treated like fewer (all kind-2 helpers fire on every call).
    fired.clear();
    ModelInstance twenty = make("twenty", withHelpers(20));
    updateInstance(twenty, 1, record);
    EXPECT_EQ(fired.size(), 20u);

    // 21: one per call, whatever its kind, chosen by the cursor that advances by 0.4 × step and
    // restarts at 0 once it reaches the count.
    fired.clear();
    ModelInstance many = make("many", withHelpers(21, 5));
    updateInstance(many, 1, record);  // cursor 0 -> helper 0, then 0.4
    updateInstance(many, 1, record);  // 0.4 -> 0, then 0.8
    updateInstance(many, 1, record);  // 0.8 -> 0, then 1.2
    updateInstance(many, 1, record);  // 1.2 -> helper 1 (kind 5 fires too)
    EXPECT_EQ(fired, (std::vector<std::string>{"emit light0", "emit light0", "emit light0", "emit light1"}));
    EXPECT_NEAR(many.emitterCursor, 1.6f, 1e-5f);
    fired.clear();
    many.emitterCursor = 20.9f;
    updateInstance(many, 1, record);
    many.emitterCursor = 21.0f;  // at the count: restarts at 0 before the selection
    updateInstance(many, 1, record);
    EXPECT_EQ(fired, (std::vector<std::string>{"emit light20", "emit light0"}));
    // A cursor driven negative or to NaN by a bad step restarts at 0 instead of indexing outside.
    fired.clear();
    many.emitterCursor = -3;
    updateInstance(many, 1, record);
    many.emitterCursor = std::nanf("");
    updateInstance(many, 1, record);
    EXPECT_EQ(fired, (std::vector<std::string>{"emit light0", "emit light0"}));
}

TEST_F(InstanceTest, MissingHull) {
    // Without "Hull": no transforms, no helpers, but texture offsets still advance.
    BsmModel m;
    auto body = triangleMesh("Body", "Scene Root");
    body.scrollV = 0.5f;
    m.meshes = {body};
    m.helpers = {helper("emit candle", "Body", {0, 0, 1})};
    ModelInstance headless = make("headless", m);
    setNodeAngleZ(headless, "Body", 90);
    updateInstance(headless, 2, record);
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(headless.nodes[0].localRotation.w, 1);
    EXPECT_NEAR(headless.nodes[0].textureOffsetV, 0.03f, 1e-6f);
}

TEST_F(InstanceTest, TextureOffsetsGrowWithStepAndSpeed) {
    BsmModel m;
    auto hull = triangleMesh("Hull", "Scene Root");
    hull.scrollV = 0.5f;
    hull.scrollU = -1.0f;
    m.meshes = {hull, triangleMesh("still", "Hull")};
    ModelInstance inst = make("wood", m);
    updateInstance(inst, 1, record);
    EXPECT_NEAR(inst.nodes[0].textureOffsetV, 0.015f, 1e-7f);
    EXPECT_NEAR(inst.nodes[0].textureOffsetU, -0.03f, 1e-7f);
    for (int i = 0; i < 99; ++i) updateInstance(inst, 1, record);
    EXPECT_NEAR(inst.nodes[0].textureOffsetV, 1.5f, 1e-4f) << "offsets grow without wrapping";
    EXPECT_EQ(inst.nodes[1].textureOffsetU, 0);
    EXPECT_EQ(inst.nodes[1].textureOffsetV, 0);
}

}  // namespace
