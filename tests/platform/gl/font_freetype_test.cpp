// The Linux font backend with a font file that is not there: the lists exist but draw nothing, and
// the pixel-store state it changes while compiling comes back.

#include "platform/freetype/font_freetype.h"

#include <gtest/gtest.h>

#include <GL/glew.h>

#include <vector>

#include "support/test_gl_context.h"

namespace {

TEST(FreetypeFont, MissingFileLeavesEmptyListsAndPixelStoreUntouched) {
    platform::TestGLContext gl;
    ASSERT_TRUE(gl.create(64, 32)) << gl.error();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const GLuint base = glGenLists(96);
    ASSERT_NE(base, 0u);
    EXPECT_FALSE(platform::freetype::buildFontDisplayListsFrom("/nonexistent/font.ttf", base, 32, 96, 16));
    EXPECT_TRUE(glIsList(base + 33));

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 64, 0, 32, -1, 1);
    glColor3f(1, 1, 1);
    glRasterPos2f(2, 10);
    glListBase(base - 32);
    glCallLists(5, GL_UNSIGNED_BYTE, "Hello");
    std::vector<GLubyte> pixels(64 * 32 * 4);
    glReadPixels(0, 0, 64, 32, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int lit = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] > 128;
    EXPECT_EQ(lit, 0);

    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
    glDeleteLists(base, 96);
}

}  // namespace
