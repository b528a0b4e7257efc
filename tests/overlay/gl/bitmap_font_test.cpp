#include "overlay/bitmap_font.h"

#include <gtest/gtest.h>

#include <vector>

#include "gl/gl_state.h"
#include "support/test_gl_context.h"

namespace {

class Font : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.create(128, 64)) << gl.error(); }
    void TearDown() override { font.release(); }

    // Draws `text` from the raster position (4, 20) in window pixels; returns the lit pixels.
    int drawAndCount(const char* text, float* advance = nullptr) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 128, 0, 64, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glColor3f(1, 1, 1);
        glRasterPos2f(4, 20);
        glListBase(font.base() - BitmapFont::kFirstCharacter);
        glCallLists(static_cast<GLsizei>(std::char_traits<char>::length(text)), GL_UNSIGNED_BYTE, text);
        if (advance) {
            GLfloat position[4] = {};
            glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
            *advance = position[0] - 4.0f;
        }
        std::vector<GLubyte> pixels(128 * 64 * 4);
        glReadPixels(0, 0, 128, 64, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int lit = 0;
        for (std::size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] > 128;
        return lit;
    }

    platform::TestGLContext gl;
    BitmapFont font;
};

TEST_F(Font, NinetySixListsThatDrawAndAdvance) {
    applyGLBaseline();
    ASSERT_TRUE(font.create());
    // Compiling the lists draws nothing and changes no state.
    EXPECT_EQ(glStateDifferences(), std::vector<std::string>{});
    ASSERT_NE(font.base(), 0u);
    for (int i = 0; i < BitmapFont::kCharacterCount; ++i) ASSERT_TRUE(glIsList(font.base() + i)) << i;
    EXPECT_FALSE(glIsList(font.base() + BitmapFont::kCharacterCount));

    float spaceAdvance = 0, wideAdvance = 0;
    EXPECT_EQ(drawAndCount(" ", &spaceAdvance), 0);
    EXPECT_GT(spaceAdvance, 2.0f);
    const int lit = drawAndCount("W", &wideAdvance);
    EXPECT_GT(lit, 20);
    EXPECT_GT(wideAdvance, spaceAdvance);
    EXPECT_LT(wideAdvance, 24.0f);  // a 16-pixel font
    float twoAdvance = 0;
    const int litTwo = drawAndCount("WW", &twoAdvance);
    EXPECT_NEAR(twoAdvance, 2 * wideAdvance, 0.01f);
    EXPECT_EQ(litTwo, 2 * lit);  // the second glyph lands beside the first, not on it
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const GLuint base = font.base();
    font.release();
    EXPECT_FALSE(glIsList(base));
    EXPECT_EQ(font.base(), 0u);
}

TEST_F(Font, GlyphsStandUpright) {
    ASSERT_TRUE(font.create());
    // "T": its bar is at the top, so the topmost lit row is wider than the lowest.
    drawAndCount("T");
    std::vector<GLubyte> pixels(128 * 64 * 4);
    glReadPixels(0, 0, 128, 64, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int top = -1, bottom = -1;
    std::vector<int> widths(64, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) widths[y] += pixels[(y * 128 + x) * 4] > 128;
        if (widths[y] > 0) {
            if (bottom < 0) bottom = y;
            top = y;
        }
    }
    ASSERT_GE(bottom, 0);
    EXPECT_GT(widths[top], 2 * widths[bottom]);
    EXPECT_GE(bottom, 19);  // on the baseline, not hanging below it
    EXPECT_LE(top, 20 + BitmapFont::kPixelHeight);
}

}  // namespace
