// The texture manager against real GL (Mesa under Xvfb): texture formats, sizes and mipmap chains,
// the sister-extension search with its log lines, the default texture, caching and release.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/log.h"
#include "media/image_test_files.h"
#include "media/texture_manager.h"
#include "support/gl_test_suite.h"

using testfiles::Bytes;
using testfiles::makeTga;
using testfiles::makeTga24;

namespace {

const Bytes kDefaultPixel = {9, 99, 199};

struct Level {
    GLint width = 0;
    GLint height = 0;
    GLint alphaBits = 0;
};

Level levelOf(GLuint texture, int level) {
    glBindTexture(GL_TEXTURE_2D, texture);
    Level info;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &info.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &info.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_ALPHA_SIZE, &info.alphaBits);
    return info;
}

Bytes pixelsOf(GLuint texture, GLenum format, int components) {
    const Level info = levelOf(texture, 0);
    Bytes pixels(std::size_t(info.width) * info.height * components);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

class TextureManagerGL : public GLTestSuite {
protected:
    void SetUp() override {
        GLTestSuite::SetUp();
        if (HasFatalFailure()) return;
        logPath_ = ::testing::TempDir() + "gd_texture_manager_log.txt";
        theLog().open(logPath_);
        pack_.add("Textures/tex_default.tga", makeTga24(1, 1, kDefaultPixel));
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        manager_ = std::make_unique<TextureManager>(
            [this](const char* path) { return pack_.read(path); },
            // An "Error" box here would be followed by exit(0), which ctest would take for a pass.
            [](const std::string& text) {
                std::fprintf(stderr, "unexpected Error box: %s\n", text.c_str());
                std::abort();
            });
    }
    void TearDown() override {
        if (manager_) manager_->releaseTextures();
        theLog().close();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    std::vector<std::string> logLines() { return testfiles::readLines(logPath_); }

    std::string logPath_;
    testfiles::FakePack pack_;
    std::unique_ptr<TextureManager> manager_;
};

}  // namespace

TEST_F(TextureManagerGL, EachFormatUploadsWithItsComponentsAndAFullMipmapChain) {
    // 4 x 2 RGBA from a 32-bit TGA.
    Bytes bgra;
    for (int i = 0; i < 8; ++i)
        bgra.insert(bgra.end(),
                    {std::uint8_t(i), std::uint8_t(10 * i), std::uint8_t(20 * i), std::uint8_t(255 - i)});
    pack_.add("Textures/rgba.tga", makeTga(2, 4, 2, 32, bgra));
    const GLuint rgba = manager_->getTexture("Textures/rgba.tga");
    ASSERT_NE(rgba, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), rgba) << "the new texture is left bound";

    GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(wrapS, GL_REPEAT);
    EXPECT_EQ(wrapT, GL_REPEAT);

    const int expected[][2] = {{4, 2}, {2, 1}, {1, 1}};
    for (int level = 0; level < 3; ++level) {
        const Level info = levelOf(rgba, level);
        EXPECT_EQ(info.width, expected[level][0]) << "level " << level;
        EXPECT_EQ(info.height, expected[level][1]) << "level " << level;
        EXPECT_GT(info.alphaBits, 0);
    }
    EXPECT_EQ(levelOf(rgba, 3).width, 0) << "the chain ends at 1 x 1";
    Bytes expectedRgba;
    for (int i = 0; i < 8; ++i)
        expectedRgba.insert(expectedRgba.end(), {std::uint8_t(20 * i), std::uint8_t(10 * i), std::uint8_t(i),
                                                 std::uint8_t(255 - i)});
    EXPECT_EQ(pixelsOf(rgba, GL_RGBA, 4), expectedRgba);

    // 24- and 16-bit TGAs and JPEGs are RGB (no alpha bits).
    pack_.add("Textures/rgb.tga", makeTga24(2, 2, Bytes(12, 77)));
    Bytes packed;
    for (int i = 0; i < 4; ++i) testfiles::putU16(packed, 0x7C00);
    pack_.add("Textures/five.tga", makeTga(2, 2, 2, 16, packed));
    for (const char* path : {"Textures/rgb.tga", "Textures/five.tga"}) {
        const GLuint texture = manager_->getTexture(path);
        ASSERT_NE(texture, 0u) << path;
        EXPECT_EQ(levelOf(texture, 0).alphaBits, 0) << path;
        EXPECT_EQ(levelOf(texture, 1).width, 1) << path;
    }
    EXPECT_EQ(pixelsOf(manager_->getTexture("Textures/five.tga"), GL_RGB, 3),
              (Bytes{0xF8, 0, 0, 0xF8, 0, 0, 0xF8, 0, 0, 0xF8, 0, 0}));

    // A BMP gets an alpha of 1 everywhere.
    testfiles::BmpLayout layout;
    layout.width = 2;
    layout.height = 2;
    testfiles::appendBmpRow(layout.bits, {0, 0, 255, 0, 255, 0});
    testfiles::appendBmpRow(layout.bits, {255, 0, 0, 255, 255, 255});
    pack_.add("Textures/plain.bmp", testfiles::makeBmp(layout));
    const GLuint bmp = manager_->getTexture("Textures/plain.bmp");
    ASSERT_NE(bmp, 0u);
    EXPECT_GT(levelOf(bmp, 0).alphaBits, 0);
    EXPECT_EQ(pixelsOf(bmp, GL_RGBA, 4),
              (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}));
}

TEST_F(TextureManagerGL, NonPowerOfTwoPicturesAreScaledAndTightRowsReadCorrectly) {
    pack_.add("Textures/odd.tga", makeTga24(3, 5, Bytes(3 * 5 * 3, 200)));
    const GLuint odd = manager_->getTexture("Textures/odd.tga");
    const Level top = levelOf(odd, 0);
    EXPECT_EQ(top.width & (top.width - 1), 0) << top.width;
    EXPECT_EQ(top.height & (top.height - 1), 0) << top.height;
    EXPECT_EQ(pixelsOf(odd, GL_RGB, 3), Bytes(std::size_t(top.width) * top.height * 3, 200));

    // 2 x 2 RGB rows are 6 bytes: read with a 4-byte alignment the second row would be skewed.
    const Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    pack_.add("Textures/tight.tga", makeTga24(2, 2, rgb));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    const GLuint tight = manager_->getTexture("Textures/tight.tga");
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8) << "a TGA upload restores the unpack alignment";
    EXPECT_EQ(pixelsOf(tight, GL_RGB, 3), rgb);

    testfiles::BmpLayout layout;
    layout.width = 1;
    layout.height = 1;
    testfiles::appendBmpRow(layout.bits, {1, 2, 3});
    pack_.add("Textures/one.bmp", testfiles::makeBmp(layout));
    manager_->getTexture("Textures/one.bmp");
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1) << "the BMP path leaves the unpack alignment at 1";
}

TEST_F(TextureManagerGL, SisterSearchLogsEachTryInOrder) {
    pack_.add("Logo/4loader.tga", makeTga24(1, 1, {5, 6, 7}));
    const GLuint texture = manager_->getTexture("Logo/4loader.jpg");
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(pixelsOf(texture, GL_RGB, 3), (Bytes{5, 6, 7}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "Start load Logo/4loader.jpg",
                              "Try load original: Logo/4loader.jpg",
                              "Try load Logo/4loader.bmp",
                              "Try load Logo/4loader.tga",
                              "Texture Logo/4loader.tga loaded",
                          }));

    // The pack ignores case and separators, so "Fire.bmp" finds "Sprites\fire.tga".
    pack_.add("Sprites\\fire.tga", makeTga24(1, 1, {1, 1, 1}));
    EXPECT_NE(manager_->getTexture("Sprites/Fire.bmp"), 0u);
    EXPECT_EQ(logLines().back(), "Texture Sprites/Fire.tga loaded");

    // An original found under its own name is loaded by its extension, upper case too.
    pack_.add("Textures/UP.TGA", makeTga24(1, 1, {1, 1, 1}));
    EXPECT_NE(manager_->getTexture("Textures/UP.TGA"), 0u);
    EXPECT_EQ(logLines().back(), "Texture Textures/UP.TGA loaded");
}

TEST_F(TextureManagerGL, MissingPicturesGetTheirOwnCopyOfTheDefault) {
    const GLuint first = manager_->getTexture("Textures/missing.tga");
    const GLuint second = manager_->getTexture("Models/none.jpg");
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(pixelsOf(first, GL_RGB, 3), kDefaultPixel);
    EXPECT_EQ(pixelsOf(second, GL_RGB, 3), kDefaultPixel);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7),
              (std::vector<std::string>{
                  "Start load Textures/missing.tga",
                  "Try load original: Textures/missing.tga",
                  "Try load Textures/missing.bmp",
                  "Try load Textures/missing.tga",
                  "Try load Textures/missing.jpg",
                  "--Unable load Textures/missing.tga-------------------------",
                  "Loading default texture",
              }));
    EXPECT_EQ(lines.back(), "Loading default texture") << "no loaded line follows the default";
}

TEST_F(TextureManagerGL, RequestsAreCachedByExactPath) {
    pack_.add("Textures/wood.tga", makeTga24(1, 1, {1, 2, 3}));
    const GLuint wood = manager_->getTexture("Textures/wood.tga");
    const std::size_t linesAfterFirst = logLines().size();
    const int readsAfterFirst = pack_.reads();
    EXPECT_EQ(manager_->getTexture("Textures/wood.tga"), wood);
    EXPECT_EQ(logLines().size(), linesAfterFirst) << "a cached texture logs nothing";
    EXPECT_EQ(pack_.reads(), readsAfterFirst) << "and reads nothing";

    const GLuint upper = manager_->getTexture("Textures/WOOD.tga");
    EXPECT_NE(upper, 0u);
    EXPECT_NE(upper, wood) << "paths differing in case are separate textures";
    EXPECT_EQ(manager_->size(), 2u);

    // A first dot that is not the extension's: found, logged as loaded, but no texture; the next
    // request tries again.
    pack_.add("Textures/tex.old.tga", makeTga24(1, 1, {1, 2, 3}));
    EXPECT_EQ(manager_->getTexture("Textures/tex.old.tga"), 0u);
    EXPECT_EQ(logLines().back(), "Texture Textures/tex.old.tga loaded");
    const std::size_t linesAfterDots = logLines().size();
    EXPECT_EQ(manager_->getTexture("Textures/tex.old.tga"), 0u);
    EXPECT_EQ(logLines().size(), linesAfterDots + 3);
}

TEST_F(TextureManagerGL, ReleaseDeletesEveryTextureAndForgetsThePaths) {
    pack_.add("Textures/a.tga", makeTga24(1, 1, {1, 2, 3}));
    const GLuint a = manager_->getTexture("Textures/a.tga");
    const GLuint b = manager_->getTexture("Textures/b.tga");  // the default
    ASSERT_TRUE(glIsTexture(a));
    ASSERT_TRUE(glIsTexture(b));
    manager_->releaseTextures();
    EXPECT_FALSE(glIsTexture(a));
    EXPECT_FALSE(glIsTexture(b));
    EXPECT_EQ(manager_->size(), 0u);
    const std::size_t lines = logLines().size();
    EXPECT_NE(manager_->getTexture("Textures/a.tga"), 0u);
    EXPECT_GT(logLines().size(), lines) << "a released path loads again";
}

TEST_F(TextureManagerGL, ReleasingOnePathLeavesTheOthersDrawable) {
    pack_.add("Textures/a.tga", makeTga24(1, 1, {1, 2, 3}));
    pack_.add("Textures/b.tga", makeTga24(2, 2, {4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6}));
    const GLuint a = manager_->getTexture("Textures/a.tga");
    const GLuint b = manager_->getTexture("Textures/b.tga");
    manager_->releaseTexture("Textures/a.tga");
    manager_->releaseTexture("Textures/never-asked.tga");
    EXPECT_FALSE(glIsTexture(a));
    EXPECT_FALSE(manager_->isOpaque(a));
    EXPECT_TRUE(glIsTexture(b));
    EXPECT_TRUE(manager_->isOpaque(b));
    EXPECT_EQ(manager_->size(), 1u);
    EXPECT_EQ(manager_->getTexture("Textures/b.tga"), b);
    EXPECT_EQ(pixelsOf(b, GL_RGB, 3), (Bytes{4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6}));
    const std::size_t lines = logLines().size();
    EXPECT_NE(manager_->getTexture("Textures/a.tga"), 0u);
    EXPECT_GT(logLines().size(), lines) << "a released path loads again";
}
