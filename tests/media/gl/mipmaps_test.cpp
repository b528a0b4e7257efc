// The mipmap builder against GLU itself (Mesa under Xvfb): for power-of-two pictures, square or
// not, down to single rows and columns, every level must hold the texels gluBuild2DMipmaps gives.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <GL/glu.h>

#include <cstdint>
#include <random>
#include <vector>

#include "media/image_decoders.h"
#include "media/mipmaps.h"
#include "media/texture_manager.h"
#include "support/gl_test_suite.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class MipmapsGL : public GLTestSuite {};

Bytes noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Every level of the bound texture, read back as `format` bytes, from level 0 until a level is missing.
std::vector<Bytes> levelsOf(GLuint texture, GLenum format, int pixelBytes) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<Bytes> levels;
    for (int level = 0; level < 16; ++level) {
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        if (width == 0 || height == 0) break;
        Bytes pixels(std::size_t(width) * height * pixelBytes);
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, pixels.data());
        levels.push_back(std::move(pixels));
    }
    return levels;
}

GLuint newTexture() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    return texture;
}

TEST_F(MipmapsGL, EveryLevelMatchesGluForPowerOfTwoPictures) {
    struct Case {
        int width, height;
        GLenum format;
        GLint internal;
    };
    // Square, wide, tall, a single row and column, and RGB data kept with an alpha (the BMP upload).
    const Case cases[] = {{1, 1, GL_RGB, 3},   {2, 2, GL_RGBA, 4}, {64, 64, GL_RGB, 3}, {128, 16, GL_RGBA, 4},
                          {8, 256, GL_RGB, 3}, {32, 1, GL_RGB, 3}, {1, 16, GL_RGBA, 4}, {16, 8, GL_RGB, 4}};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    unsigned seed = 1;
    for (const Case& c : cases) {
        const int pixelBytes = c.format == GL_RGBA ? 4 : 3;
        const Bytes pixels = noise(std::size_t(c.width) * c.height * pixelBytes, seed++);

        const GLuint ours = newTexture();
        std::vector<std::uint8_t> scratch;
        uploadMipmapChain(c.internal, c.width, c.height, c.format, pixelBytes, pixels.data(), scratch);
        const GLuint glu = newTexture();
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, c.internal, c.width, c.height, c.format, GL_UNSIGNED_BYTE,
                                    pixels.data()),
                  0);

        // Read back as RGBA so that the alpha the internal format adds is compared too.
        const std::vector<Bytes> expected = levelsOf(glu, GL_RGBA, 4);
        const std::vector<Bytes> got = levelsOf(ours, GL_RGBA, 4);
        ASSERT_EQ(got.size(), expected.size()) << c.width << "x" << c.height;
        for (std::size_t level = 0; level < got.size(); ++level)
            EXPECT_EQ(got[level], expected[level]) << c.width << "x" << c.height << " level " << level;
        glDeleteTextures(1, &ours);
        glDeleteTextures(1, &glu);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(MipmapsGL, UploadsOfEitherKindKeepTheGluPicture) {
    // Through the texture manager's upload: a power-of-two picture (built here) and one that is not
    // (scaled by GLU) both end with the chain GLU makes of them.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const int height : {32, 24}) {
        ImageRecord image;
        image.components = 3;
        image.width = 64;
        image.height = height;
        image.pixels = noise(std::size_t(64) * height * 3, unsigned(height));
        const Bytes pixels = image.pixels;
        GLuint uploaded = 0;
        uploadTexture(uploaded, image, 3, GL_RGB);
        EXPECT_TRUE(image.pixels.empty());  // the decoded copy is not kept
        const GLuint glu = newTexture();
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 64, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        EXPECT_EQ(levelsOf(uploaded, GL_RGB, 3), levelsOf(glu, GL_RGB, 3)) << "64x" << height;
        GLint filter = 0;
        glBindTexture(GL_TEXTURE_2D, uploaded);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
        glDeleteTextures(1, &uploaded);
        glDeleteTextures(1, &glu);
    }
}

}  // namespace
