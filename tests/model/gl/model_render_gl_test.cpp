// Model drawing against real GL (Mesa under Xvfb): the pool's buffer and client modes, the matrices
// and state renderInstance puts back (the pass's, as it found it), the material layers, and the
// pixels a model covers; the skinned model's additive draw.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "../bsa_fixtures.h"
#include "../fake_media.h"
#include "../test_log.h"
#include "gl/gl_state.h"
#include "model/bsm_file.h"
#include "model/animated_model.h"
#include "model/model_instance.h"
#include "model/model_manager.h"
#include "model/model_render.h"
#include "model/vertex_pool.h"
#include "support/test_gl_context.h"

namespace {

constexpr int kSize = 64;

GLuint solidTexture(std::uint8_t grey) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const std::uint8_t pixels[4 * 4] = {grey, grey, grey, 255, grey, grey, grey, 255,
                                        grey, grey, grey, 255, grey, grey, grey, 255};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return name;
}

// A square from (x0, y0) to (x1, y1) at height z, two triangles, as a mesh of node `name`.
BsmMesh square(const std::string& name, const std::string& parent, float x0, float y0, float x1, float y1,
               float z = 0) {
    BsmMesh mesh;
    mesh.diffuseTexture = "base.tga";
    mesh.nodeName = name;
    mesh.parentName = parent;
    mesh.positions = {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
    mesh.faces = {{0, 1, 2}, {0, 2, 3}};
    mesh.uvs = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh.uvFaces = mesh.faces;
    mesh.normals.assign(6, {0, 0, 1});
    return mesh;
}

Matrix16 currentMatrix(GLenum which) {
    Matrix16 m{};
    glGetFloatv(which, m.data());
    return m;
}

void expectMatrixNear(const Matrix16& a, const Matrix16& b, float tolerance = 1e-4f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

struct RenderTest : ::testing::Test {
    platform::TestGLContext gl;
    FakeMedia media;
    SharedVertexPool pool;
    std::unique_ptr<ModelManager> manager;
    TestLog log;
    std::vector<std::string> passState;  // how the pass's state differs from the baseline

    void SetUp() override {
        ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
        applyGLBaseline();
        media.textureNames["Textures/base.tga"] = solidTexture(64);
        media.textureNames["Textures/shine.tga"] = solidTexture(128);
        manager = std::make_unique<ModelManager>(pool, media.sources());
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // What a pass sets before drawing objects (model_render.h), beyond the baseline.
        glEnable(GL_BLEND);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.001f);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        passState = glStateDifferences();
    }
    void TearDown() override {
        pool.releaseGL();
        gl.destroy();
    }

    ModelInstance make(const std::string& name, const BsmModel& model) {
        media.files["Models/" + name + ".BSM"] = encodeBsm(model);
        ModelInstance instance;
        manager->createInstance(instance, name);
        return instance;
    }
    std::array<int, 3> pixel(int x, int y) {
        std::uint8_t rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
};

TEST_F(RenderTest, PoolUploadAndBindInBufferAndClientModes) {
    BsmModel m;
    m.meshes = {square("Hull", "Scene Root", -0.5f, -0.5f, 0.5f, 0.5f)};
    make("sq", m);
    ASSERT_EQ(pool.size(), 6u);

    // Client mode: the pointers address the pool's memory.
    pool.bindPool();
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    void* pointer = nullptr;
    glGetPointerv(GL_NORMAL_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, reinterpret_cast<const std::uint8_t*>(pool.data()) + 12);
    GLint stride = 0;
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_STRIDE, &stride);
    EXPECT_EQ(stride, 40);
    pool.unbindPool();
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));

    // Buffer mode: one buffer holding every vertex, bound by bindPool, unbound by unbindPool.
    pool.setBufferObjectsAvailable(true);
    pool.uploadPool();
    ASSERT_NE(pool.buffer(), 0u);
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    GLint bytes = 0;
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, pool.buffer());
    glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &bytes);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    EXPECT_EQ(bytes, 6 * 40);
    pool.bindPool();
    EXPECT_FALSE(pool.bufferReleased());
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), pool.buffer());
    glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, reinterpret_cast<void*>(24));
    pool.releaseBufferForClientArrays();
    EXPECT_TRUE(pool.bufferReleased());
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    pool.bindPool();
    pool.unbindPool();
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RenderTest, ModelCoversItsPixelsAtItsPositionInBothModes) {
    BsmModel m;
    m.meshes = {square("Hull", "Scene Root", -0.5f, -0.5f, 0.5f, 0.5f)};
    ModelInstance inst = make("sq", m);
    for (bool buffered : {false, true}) {
        SCOPED_TRACE(buffered ? "buffer" : "client");
        pool.setBufferObjectsAvailable(buffered);
        if (buffered) pool.uploadPool();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        inst.position = {0.5f, 0, 0};
        updateInstance(inst, 1, nullptr);
        pool.bindPool();
        renderInstance(inst);
        pool.unbindPool();
        // The square spans x 0..1 (pixels 32..63), y −0.5..0.5 (pixels 16..47).
        EXPECT_EQ(pixel(48, 32)[0], 64);
        EXPECT_EQ(pixel(33, 20)[1], 64);
        EXPECT_EQ(pixel(16, 32)[0], 0);
        EXPECT_EQ(pixel(48, 55)[0], 0);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    // Once the buffer holds the vertices, the copy in memory may go and the model still draws.
    pool.releaseClientCopy();
    EXPECT_EQ(pool.size(), 0u);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    pool.bindPool();
    renderInstance(inst);
    pool.unbindPool();
    EXPECT_EQ(pixel(48, 32)[0], 64);
}

TEST_F(RenderTest, TwoInstancesShareThePoolRangeAndAFreshInstanceDrawsUnrotated) {
    BsmModel m;
    m.meshes = {square("Hull", "Scene Root", -0.2f, -0.2f, 0.2f, 0.2f),
                square("flag", "Hull", 0.3f, 0.3f, 0.5f, 0.5f)};
    m.meshes[1].pivot = {0.4f, 0.4f, 0};
    ModelInstance left = make("flag", m);
    ModelInstance right;
    manager->createInstance(right, "flag");
    EXPECT_EQ(left.nodes[1].indices, right.nodes[1].indices);
    left.position = {-0.5f, -0.5f, 0};
    right.position = {0.5f, -0.5f, 0};
    // A turn that has not been through updateInstance yet changes nothing: identity matrices.
    setNodeAngleZ(right, "flag", 90);
    pool.bindPool();
    renderInstance(left);
    renderInstance(right);
    pool.unbindPool();
    // Hull squares around (−0.5, −0.5) and (0.5, −0.5): pixels (16, 16) and (48, 16).
    EXPECT_EQ(pixel(16, 16)[0], 64);
    EXPECT_EQ(pixel(48, 16)[0], 64);
    // The flags at their stored place, 0.3..0.5 above and right of each Hull: around (−0.1, −0.1)
    // and (0.9, −0.1), i.e. pixels (29, 29) and (61, 29).
    EXPECT_EQ(pixel(29, 29)[0], 64);
    EXPECT_EQ(pixel(61, 29)[0], 64);
    EXPECT_EQ(pixel(32, 16)[0], 0);
}

TEST_F(RenderTest, ModelViewMatrixIsRestoredThroughATurnedHierarchy) {
    BsmModel m;
    m.meshes = {square("Hull", "Scene Root", -0.2f, -0.2f, 0.2f, 0.2f),
                square("arm", "Hull", 0.1f, 0, 0.3f, 0.1f), square("hand", "arm", 0.3f, 0, 0.4f, 0.1f)};
    m.meshes[1].pivot = {0.1f, 0, 0};
    m.meshes[2].pivot = {0.3f, 0.05f, 0.01f};
    ModelInstance inst = make("arm", m);
    inst.position = {0.1f, -0.2f, 0.3f};
    inst.rotation = axisZ(30);
    setNodeAngleZ(inst, "arm", 40);
    setNodeAngleX(inst, "hand", 70);
    setNodeAngleY(inst, "hand", -25);
    updateInstance(inst, 1, nullptr);
    glTranslatef(0.05f, 0.1f, -1);
    glRotatef(20, 1, 0, 0);
    const Matrix16 before = currentMatrix(GL_MODELVIEW_MATRIX);
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    pool.bindPool();
    renderInstance(inst);
    pool.unbindPool();
    expectMatrixNear(currentMatrix(GL_MODELVIEW_MATRIX), before);
    GLint depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(glStateDifferences(), passState);
}

TEST_F(RenderTest, ReflectionAndIlluminationLayersAddOnTheBaseAndRestoreState) {
    BsmModel m;
    auto mesh = square("Hull", "Scene Root", -0.5f, -0.5f, 0.5f, 0.5f);
    mesh.hasReflection = true;
    mesh.reflectionTexture = "shine.tga";
    m.meshes = {mesh};
    ModelInstance inst = make("ornament", m);
    updateInstance(inst, 1, nullptr);
    pool.bindPool();
    renderInstance(inst);
    pool.unbindPool();
    // Base 64 plus 128 weighted by its own colour (128/255): about 128.
    const int shined = pixel(32, 32)[0];
    EXPECT_GT(shined, 110);
    EXPECT_LT(shined, 140);
    EXPECT_EQ(pixel(2, 2)[0], 0) << "the layer lands only on the base layer's pixels";
    // The layer's depth test, depth writes, blending, coordinate generation and lighting are the
    // pass's again.
    EXPECT_EQ(glStateDifferences(), passState);

    // Illumination: the same additive layer without coordinate generation, on a lit object.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    BsmModel candle;
    auto wax = square("Hull", "Scene Root", -0.5f, -0.5f, 0.5f, 0.5f);
    wax.hasIllumination = true;
    wax.illuminationTexture = "shine.tga";
    candle.meshes = {wax};
    ModelInstance lit = make("candle", candle);
    updateInstance(lit, 1, nullptr);
    glEnable(GL_LIGHTING);  // the texture replaces the lit colour here, so the pixels are the same
    const std::vector<std::string> litState = glStateDifferences();
    pool.bindPool();
    renderInstance(lit);
    pool.unbindPool();
    EXPECT_GT(pixel(32, 32)[0], 110);
    EXPECT_EQ(glStateDifferences(), litState);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RenderTest, ScrolledMeshLeavesTheTextureMatrixIdentity) {
    BsmModel m;
    auto wood = square("Hull", "Scene Root", -0.5f, -0.5f, 0.5f, 0.5f);
    wood.scrollV = 0.5f;
    m.meshes = {wood};
    ModelInstance inst = make("firewood", m);
    for (int i = 0; i < 10; ++i) updateInstance(inst, 1, nullptr);
    EXPECT_NEAR(inst.nodes[0].textureOffsetV, 0.15f, 1e-5f);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    pool.bindPool();
    renderInstance(inst);
    pool.unbindPool();
    expectMatrixNear(currentMatrix(GL_TEXTURE_MATRIX), identityMatrix16(), 0);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(RenderTest, InstanceWithoutHullDrawsNothingAndTouchesNothing) {
    BsmModel m;
    m.meshes = {square("Body", "Scene Root", -0.5f, -0.5f, 0.5f, 0.5f)};
    ModelInstance inst = make("headless", m);
    pool.bindPool();
    renderInstance(inst);
    pool.unbindPool();
    EXPECT_EQ(pixel(32, 32)[0], 0);
    EXPECT_EQ(glStateDifferences(), passState);
}

TEST_F(RenderTest, AnimatedModelDrawsAdditivelyAndRestoresState) {
    media.files["Models/fire.BSA"] = encodeBsaMesh(fixtures::flameMesh());
    media.files["Models/fire_anim.BSA"] = encodeBsaAnimation(fixtures::flameAnimation());
    media.textureNames["Textures/add_flame.tga"] = media.textureNames["Textures/shine.tga"];
    AnimatedModel fire;
    loadAnimatedModel(fire, "fire", media.sources());
    fire.playing = true;
    fire.playbackSpeed = 0.2f;
    // Scale the 15-unit flame into the view: look at it from the front (x-z plane).
    glLoadIdentity();
    glScalef(0.08f, 0.08f, 0.08f);
    glRotatef(-90, 1, 0, 0);
    glTranslatef(-2, -10, -6);
    // From here the flame's faces are seen from behind.
    glDisable(GL_CULL_FACE);
    const std::vector<std::string> flameState = glStateDifferences();
    glClearColor(0.25f, 0.25f, 0.25f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    pool.setBufferObjectsAvailable(true);
    pool.uploadPool();
    pool.bindPool();
    pool.releaseBufferForClientArrays();
    for (int i = 0; i < 3; ++i) {
        updateAnimatedModel(fire, 1);
        drawAnimatedModel(fire);
    }
    pool.unbindPool();
    EXPECT_NEAR(fire.scrollTime, 0.09f, 1e-5f);
    // Background 64 plus three additive draws of 128 (not depth-tested against each other).
    int brightest = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) brightest = std::max(brightest, pixel(x, y)[0]);
    }
    EXPECT_GE(brightest, 250);
    EXPECT_EQ(pixel(1, kSize - 2)[0], 64);
    // Depth writes, the blend function, lighting and the texture matrix as the pass had them.
    EXPECT_EQ(glStateDifferences(), flameState);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
