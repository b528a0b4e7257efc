// The GL state contract on real GL (Mesa under Xvfb): the check names each item that leaves the
// baseline, and applyGLBaseline brings every one of them back.

#include "gl/gl_state.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <functional>

#include "support/gl_test_suite.h"

namespace {

class GLState : public GLTestSuite {};

const GLRectangle kViewport{0, 0, 64, 64};

TEST_F(GLState, BaselineHasNoDifferencesAndTheGLDefaultsHaveTheDocumentedOnes) {
    glViewport(kViewport.x, kViewport.y, kViewport.width, kViewport.height);
    applyGLBaseline();
    EXPECT_EQ(glStateDifferences(&kViewport), std::vector<std::string>{});

    // A context fresh from the driver is not the baseline: these are the items initGL sets.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_TEXTURE_2D);
    EXPECT_EQ(glStateDifferences(),
              (std::vector<std::string>{"depth test: off, baseline on", "face culling: off, baseline on",
                                        "blend source: GL_ONE, baseline GL_SRC_ALPHA",
                                        "blend destination: GL_ZERO, baseline GL_ONE_MINUS_SRC_ALPHA",
                                        "texturing (unit 0): off, baseline on"}));
    applyGLBaseline();
    EXPECT_EQ(glStateDifferences(&kViewport), std::vector<std::string>{});
}

// Each row changes one item; the check names exactly that item, and the baseline puts it back.
TEST_F(GLState, EveryItemIsNamedWhenItLeavesTheBaselineAndPutBack) {
    const auto onUnit1 = [](std::function<void()> change) {
        return [change] {
            glActiveTexture(GL_TEXTURE1);
            glClientActiveTexture(GL_TEXTURE1);
            change();
            glActiveTexture(GL_TEXTURE0);
            glClientActiveTexture(GL_TEXTURE0);
        };
    };
    GLuint buffer = 0;
    glGenBuffersARB(1, &buffer);
    const struct {
        std::function<void()> change;
        std::string named;
    } rows[] = {
        {[] { glDepthFunc(GL_EQUAL); }, "depth function: GL_EQUAL, baseline GL_LESS"},
        {[] { glDepthMask(GL_FALSE); }, "depth writes: off, baseline on"},
        {[] { glCullFace(GL_FRONT); }, "culled faces: GL_FRONT, baseline GL_BACK"},
        {[] { glFrontFace(GL_CW); }, "front faces: GL_CW, baseline GL_CCW"},
        {[] { glEnable(GL_BLEND); }, "blending: on, baseline off"},
        {[] { glEnable(GL_ALPHA_TEST); }, "alpha test: on, baseline off"},
        {[] { glAlphaFunc(GL_GREATER, 0.0f); }, "alpha function: GL_GREATER, baseline GL_ALWAYS"},
        {[] { glAlphaFunc(GL_ALWAYS, 0.5f); }, "alpha reference: (0.5), baseline (0)"},
        {[] { glEnable(GL_LIGHTING); }, "lighting: on, baseline off"},
        {[] { glEnable(GL_LIGHT7); }, "light 7: on, baseline off"},
        {[] { glEnable(GL_COLOR_MATERIAL); }, "colour material: on, baseline off"},
        {[] { glEnable(GL_NORMALIZE); }, "normalising: on, baseline off"},
        {[] { glEnable(GL_FOG); }, "fog: on, baseline off"},
        {[] { glColor4f(0, 0, 0, 1); }, "colour: (0, 0, 0, 1), baseline (1, 1, 1, 1)"},
        {[] { glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE); }, "colour writes: not all, baseline all"},
        {[] { glEnable(GL_SCISSOR_TEST); }, "scissor test: on, baseline off"},
        {[] { glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD); },
         "texture environment (unit 0): GL_ADD, baseline GL_MODULATE"},
        {[] { glEnable(GL_TEXTURE_GEN_S); }, "coordinate generation S (unit 0): on, baseline off"},
        {[] { glEnable(GL_TEXTURE_GEN_R); }, "coordinate generation R (unit 0): on, baseline off"},
        {[] {
             glMatrixMode(GL_TEXTURE);
             glTranslatef(0.5f, 0, 0);
             glMatrixMode(GL_MODELVIEW);
         },
         "texture matrix (unit 0): (1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.5, 0, 0, 1), baseline identity"},
        {[] { glEnableClientState(GL_TEXTURE_COORD_ARRAY); },
         "texture coordinate array (unit 0): on, baseline off"},
        {onUnit1([] { glEnable(GL_TEXTURE_2D); }), "texturing (unit 1): on, baseline off"},
        {onUnit1([] { glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE); }),
         "texture environment (unit 1): GL_COMBINE, baseline GL_MODULATE"},
        {onUnit1([] { glEnable(GL_TEXTURE_GEN_T); }), "coordinate generation T (unit 1): on, baseline off"},
        {onUnit1([] { glEnableClientState(GL_TEXTURE_COORD_ARRAY); }),
         "texture coordinate array (unit 1): on, baseline off"},
        {[] { glActiveTexture(GL_TEXTURE1); }, "active texture unit: 1, baseline 0"},
        {[] { glClientActiveTexture(GL_TEXTURE1); }, "client active texture unit: 1, baseline 0"},
        {[] { glEnableClientState(GL_VERTEX_ARRAY); }, "vertex array: on, baseline off"},
        {[] { glEnableClientState(GL_NORMAL_ARRAY); }, "normal array: on, baseline off"},
        {[] { glEnableClientState(GL_COLOR_ARRAY); }, "colour array: on, baseline off"},
        {[buffer] { glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer); },
         "array buffer: " + std::to_string(buffer) + ", baseline 0"},
        {[] { glMatrixMode(GL_PROJECTION); }, "matrix mode: GL_PROJECTION, baseline GL_MODELVIEW"},
        {[] {
             glMatrixMode(GL_PROJECTION);
             glPushMatrix();
             glMatrixMode(GL_MODELVIEW);
         },
         "projection stack depth: 2, baseline 1"},
        {[] { glPushMatrix(); }, "model-view stack depth: 2, baseline 1"},
    };
    glViewport(kViewport.x, kViewport.y, kViewport.width, kViewport.height);
    for (const auto& row : rows) {
        applyGLBaseline();
        row.change();
        EXPECT_EQ(glStateDifferences(&kViewport), std::vector<std::string>{row.named});
        applyGLBaseline();
        EXPECT_EQ(glStateDifferences(&kViewport), std::vector<std::string>{}) << "after: " << row.named;
    }
    // The viewport is compared when one is given, and left to the window's code by the baseline;
    // another monitor's part of a shared window is drawn with the scissor test round it.
    const GLRectangle half{32, 0, 32, 64};
    glViewport(half.x, half.y, half.width, half.height);
    EXPECT_EQ(glStateDifferences(&kViewport),
              std::vector<std::string>{"viewport: 32, 0, 32 x 64, baseline 0, 0, 64 x 64"});
    applyGLBaseline();
    EXPECT_EQ(glStateDifferences(&kViewport).size(), 1u);
    glScissor(half.x, half.y, half.width, half.height);
    EXPECT_EQ(glStateDifferences(&half, &half), std::vector<std::string>{"scissor test: off, baseline on"});
    glEnable(GL_SCISSOR_TEST);
    EXPECT_EQ(glStateDifferences(&half, &half), std::vector<std::string>{});
    glScissor(0, 0, 32, 64);
    EXPECT_EQ(glStateDifferences(&half, &half),
              std::vector<std::string>{"scissor box: 0, 0, 32 x 64, baseline 32, 0, 32 x 64"});
    applyGLBaseline();
    // The matrices' contents are the passes' own business, as is the viewport unless one is given.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glViewport(0, 0, 8, 8);
    EXPECT_EQ(glStateDifferences(), std::vector<std::string>{});
    glDeleteBuffersARB(1, &buffer);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
