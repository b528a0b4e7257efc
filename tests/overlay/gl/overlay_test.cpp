// The overlay helpers on real GL (Mesa under Xvfb): the state they draw in and leave (the baseline of
// gl/gl_state.h), the order of the queue, the orientation of a quad's picture.

#include "overlay/overlay.h"

#include <gtest/gtest.h>

#include <array>

#include "gl/gl_state.h"
#include "support/test_gl_context.h"

namespace {

constexpr int kSize = 64;

class Overlay : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
        applyGLBaseline();
        glViewport(0, 0, kSize, kSize);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override {
        for (GLuint texture : textures) glDeleteTextures(1, &texture);
    }

    // A 2 x 2 RGB texture: the first row (bottom in GL) `bottom`, the second `top`; nearest filter.
    GLuint twoRowTexture(std::array<GLubyte, 3> bottom, std::array<GLubyte, 3> top) {
        const GLubyte pixels[12] = {bottom[0], bottom[1], bottom[2], bottom[0], bottom[1], bottom[2],
                                    top[0],    top[1],    top[2],    top[0],    top[1],    top[2]};
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        textures.push_back(texture);
        return texture;
    }
    GLuint white() { return twoRowTexture({255, 255, 255}, {255, 255, 255}); }

    std::array<GLubyte, 3> pixel(int x, int y) {
        std::array<GLubyte, 4> rgba{};
        glReadBuffer(GL_BACK);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return {rgba[0], rgba[1], rgba[2]};
    }

    static std::array<GLfloat, 16> matrix(GLenum which) {
        std::array<GLfloat, 16> m{};
        glGetFloatv(which, m.data());
        return m;
    }

    platform::TestGLContext gl;
    OverlayQueue queue;
    std::vector<GLuint> textures;
};

// The camera the 3-D passes leave loaded before the overlay pass.
void sceneCamera() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, -3.0f);
}

TEST_F(Overlay, PassLeavesTheBaselineAndTheCamera) {
    sceneCamera();
    const auto projection = matrix(GL_PROJECTION_MATRIX);
    const auto modelView = matrix(GL_MODELVIEW_MATRIX);

    queueOverlayQuad(queue, 0, 0, 1, 1, 0, 0, 0, 0.5f, white(), GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    queueOverlayQuad(queue, 0, 0, 1, 1, 1, 0, 0, 0.5f, white(), GL_ONE, GL_ONE);
    overlayPass(queue, [] { drawQuadNow(0.5f, 0.5f, 0.1f, 0.1f, 0); });

    const GLRectangle viewport{0, 0, kSize, kSize};
    EXPECT_EQ(glStateDifferences(&viewport), std::vector<std::string>{});
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelView);
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Overlay, InsideTheOverlayStateDrawingIsFlatAndAQuadKeepsIt) {
    sceneCamera();
    beginOverlay();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    GLint source = 0, destination = 0, function = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &function);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(function, GL_GREATER);
    std::array<GLfloat, 16> identity{};
    identity[0] = identity[5] = identity[10] = identity[15] = 1.0f;
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), identity);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity);

    const std::vector<std::string> overlayState = glStateDifferences();
    drawQuadNow(0, 0, 0.5f, 0.5f, white());
    EXPECT_EQ(glStateDifferences(), overlayState);
    // A quad queued with its own colour and blend function: the overlay's function again afterwards.
    queueOverlayQuad(queue, 0, 0, 0.1f, 0.1f, 1, 1, 1, 1, white(), GL_ONE, GL_ZERO);
    flushOverlayQuads(queue);
    drawQuadNow(0, 0, 0.5f, 0.5f, white());
    EXPECT_EQ(glStateDifferences(), overlayState);
    endOverlay();
    // The quad covered the middle half of the window, white, and nothing else.
    EXPECT_EQ(pixel(kSize / 2, kSize / 2), (std::array<GLubyte, 3>{255, 255, 255}));
    EXPECT_EQ(pixel(2, 2), (std::array<GLubyte, 3>{0, 0, 0}));
    EXPECT_EQ(pixel(kSize - 3, kSize - 3), (std::array<GLubyte, 3>{0, 0, 0}));
}

TEST_F(Overlay, QueueOrderDecidesStacking) {
    const GLuint texture = white();
    queueOverlayQuad(queue, 0, 0, 1, 1, 1, 0, 0, 1, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    queueOverlayQuad(queue, 0, 0, 1, 1, 0, 1, 0, 1, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    overlayPass(queue);
    EXPECT_EQ(pixel(kSize / 2, kSize / 2), (std::array<GLubyte, 3>{0, 255, 0}));

    queueOverlayQuad(queue, 0, 0, 1, 1, 0, 1, 0, 1, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    queueOverlayQuad(queue, 0, 0, 1, 1, 1, 0, 0, 1, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    overlayPass(queue);
    EXPECT_EQ(pixel(kSize / 2, kSize / 2), (std::array<GLubyte, 3>{255, 0, 0}));
}

TEST_F(Overlay, AlphaAtOrBelowZeroShowsNothingAndAboveOneIsOpaque) {
    const GLuint texture = white();
    queueOverlayQuad(queue, 0, 0, 1, 1, 1, 1, 1, 0.0f, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    queueOverlayQuad(queue, 0, 0, 1, 1, 1, 1, 1, -0.3f, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    overlayPass(queue);
    EXPECT_EQ(pixel(kSize / 2, kSize / 2), (std::array<GLubyte, 3>{0, 0, 0}));

    queueOverlayQuad(queue, 0, 0, 1, 1, 1, 1, 1, 1.2f, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    overlayPass(queue);
    EXPECT_EQ(pixel(kSize / 2, kSize / 2), (std::array<GLubyte, 3>{255, 255, 255}));

    // Half alpha black over white: the fade quad halves the picture.
    queueOverlayQuad(queue, 0, 0, 1, 1, 0, 0, 0, 0.5f, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    overlayPass(queue);
    const auto half = pixel(kSize / 2, kSize / 2);
    EXPECT_NEAR(half[0], 127, 2);
}

TEST_F(Overlay, NegativeHalfHeightPutsTheFirstRowAtTheTop) {
    const GLuint texture = twoRowTexture({255, 0, 0}, {0, 0, 255});
    beginOverlay();
    drawQuadNow(0, 0, 1, 1, texture);
    endOverlay();
    EXPECT_EQ(pixel(kSize / 2, 4), (std::array<GLubyte, 3>{255, 0, 0}));  // first row at the bottom
    EXPECT_EQ(pixel(kSize / 2, kSize - 5), (std::array<GLubyte, 3>{0, 0, 255}));

    beginOverlay();
    drawQuadNow(0, 0, 1, -1, texture);
    endOverlay();
    EXPECT_EQ(pixel(kSize / 2, kSize - 5), (std::array<GLubyte, 3>{255, 0, 0}));  // mirrored: at the top
    EXPECT_EQ(pixel(kSize / 2, 4), (std::array<GLubyte, 3>{0, 0, 255}));
}

TEST_F(Overlay, QueueKeepsItsStorageBetweenFrames) {
    const GLuint texture = white();
    for (int i = 0; i < 4; ++i) {
        queueOverlayQuad(queue, 0, 0, 1, 1, 0, 0, 0, 1, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    overlayPass(queue);
    const std::size_t capacity = queue.capacity();
    const OverlayQuad* storage = queue.data();
    queueOverlayQuad(queue, 0, 0, 1, 1, 0, 0, 0, 1, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    queueOverlayQuad(queue, 0, 0, 1, 1, 0, 0, 0, 1, texture, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(queue.capacity(), capacity);
    EXPECT_EQ(queue.data(), storage);
    flushOverlayQuads(queue);
    EXPECT_TRUE(queue.empty());
}

}  // namespace
