// initGL on real GL with the fake display: what it logs, in order, the capture texture it makes and
// the state it leaves; the perspective; the pixel-format failures.

#include "display/gl_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "display/gamma.h"
#include "support/fake_video_backend.h"
#include "support/process.h"
#include "support/test_gl_context.h"

namespace {

std::vector<std::string>& shownErrors() {
    static std::vector<std::string> errors;
    return errors;
}
void recordError(const std::string& text) { shownErrors().push_back(text); }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

class InitGL : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.create(128, 96)) << gl.error();
        shownErrors().clear();
        window.backend = &fake;
        window.showError = recordError;
        window.fullscreen = false;
        logPath = temp.file("Log.txt");
        theLog().open(logPath);
    }
    void TearDown() override {
        theLog().close();
        if (window.captureTexture) glDeleteTextures(1, &window.captureTexture);
    }
    std::vector<std::string> logLines() { return lines(testsupport::readTextFile(logPath)); }

    platform::TestGLContext gl;
    platform::FakeVideoBackend fake;
    GLWindow window;
    testsupport::TempDir temp{"gdgl"};
    std::string logPath;
};

TEST_F(InitGL, LogsTheCapabilitiesAndGammaInOrder) {
    ASSERT_TRUE(createGLWindow(window, "Glimmerdale", 128, 96));
    initGL(window, 3.0f);
    const std::vector<std::string> log = logLines();
    const std::vector<std::string> prefixes = {"Video card: ",
                                               "Vendor: ",
                                               "OpenGL version : ",
                                               "Max Texture Units: ",
                                               "VBO supported",
                                               "ARB_Occlusion_querry supported",
                                               "Occlussion querry bit: ",
                                               "Model manager init",
                                               "Old Gamma: ",
                                               "New Gamma: 1"};
    // GLEW may complain first on some displays; everything else comes in this order.
    std::size_t at = 0;
    if (!log.empty() && log[0] == "Glew init failed!") at = 1;
    ASSERT_EQ(log.size(), at + prefixes.size()) << testsupport::readTextFile(logPath);
    for (const std::string& prefix : prefixes) {
        EXPECT_EQ(log[at].rfind(prefix, 0), 0u) << log[at] << " should start with " << prefix;
        ++at;
    }
    EXPECT_TRUE(window.vboAvailable);
    EXPECT_TRUE(window.occlusionQueryAvailable);
    EXPECT_GT(window.occlusionCounterBits, 0);
    EXPECT_EQ(log.back(), "New Gamma: 1");
    EXPECT_EQ(fake.deviceRamp, gammaRampForExponent(1.0));
    EXPECT_EQ(fake.swapInterval, 1);
    EXPECT_TRUE(shownErrors().empty());
}

TEST_F(InitGL, GammaLinesShowTheExponents) {
    for (int i = 0; i < 256; ++i) {
        fake.deviceRamp.red[i] = fake.deviceRamp.green[i] = fake.deviceRamp.blue[i] =
            static_cast<std::uint16_t>(i * 256);
    }
    ASSERT_TRUE(createGLWindow(window, "Glimmerdale", 128, 96));
    window.vsync = false;
    initGL(window, 1.5f);
    const std::vector<std::string> log = logLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Old Gamma: 1");
    EXPECT_EQ(log.back(), "New Gamma: 2.5");
    EXPECT_EQ(window.savedGammaExponent, 1.0);
    EXPECT_EQ(fake.swapInterval, 0);
}

TEST_F(InitGL, CaptureTextureIsTheLargestPowerOfTwoTheHeightHolds) {
    EXPECT_EQ(captureSizeForHeight(480), 256);
    EXPECT_EQ(captureSizeForHeight(511), 256);
    EXPECT_EQ(captureSizeForHeight(512), 512);
    EXPECT_EQ(captureSizeForHeight(768), 512);
    EXPECT_EQ(captureSizeForHeight(1023), 512);
    EXPECT_EQ(captureSizeForHeight(1024), 1024);
    EXPECT_EQ(captureSizeForHeight(1200), 1024);

    for (int height : {480, 768, 1024}) {
        GLWindow sized;
        sized.backend = &fake;
        sized.showError = recordError;
        sized.fullscreen = false;
        ASSERT_TRUE(createGLWindow(sized, "Glimmerdale", height * 4 / 3, height));
        initGL(sized, 3.0f);
        GLint width = 0, textureHeight = 0, format = 0, filter = 0;
        glBindTexture(GL_TEXTURE_2D, sized.captureTexture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &textureHeight);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        const int expected = height == 480 ? 256 : height == 768 ? 512 : 1024;
        EXPECT_EQ(sized.captureSize, expected);
        EXPECT_EQ(width, expected);
        EXPECT_EQ(textureHeight, expected);
        EXPECT_TRUE(format == GL_RGB || format == GL_RGB8) << std::hex << format;  // no alpha
        EXPECT_EQ(filter, GL_LINEAR);
        glDeleteTextures(1, &sized.captureTexture);
    }
}

TEST_F(InitGL, LeavesDepthTestTexturingAndAPerspective) {
    ASSERT_TRUE(createGLWindow(window, "Glimmerdale", 128, 96));
    initGL(window, 3.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 128);
    EXPECT_EQ(viewport[3], 96);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    EXPECT_NEAR(projection[5], f, 1e-4);
    EXPECT_NEAR(projection[0], f / (128.0f / 96.0f), 1e-4);
    EXPECT_NEAR(projection[10], -(3000.0f + 1.0f) / (3000.0f - 1.0f), 1e-5);
    EXPECT_NEAR(projection[14], -2.0f * 3000.0f * 1.0f / (3000.0f - 1.0f), 1e-4);
}

TEST_F(InitGL, ZeroHeightCountsAsOne) {
    setPerspective(100, 0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_TRUE(std::isfinite(projection[0]));
}

TEST_F(InitGL, PixelFormatFailurePostsQuitAndGoesOn) {
    fake.contextResult = platform::ContextResult::PixelFormatRefused;
    ASSERT_TRUE(createGLWindow(window, "Glimmerdale", 128, 96));
    initGL(window, 3.0f);
    EXPECT_EQ(shownErrors(), std::vector<std::string>{"SetPixelFormat failed"});
    ASSERT_FALSE(fake.queue.empty());
    EXPECT_EQ(fake.queue.back(), platform::WindowEvent::QuitRequest);
    EXPECT_EQ(logLines().back(), "New Gamma: 1");  // the lines are still written
}

TEST_F(InitGL, ShutdownWritesTheFrameRateLinesAndReleases) {
    ASSERT_TRUE(createGLWindow(window, "Glimmerdale", 128, 96));
    initGL(window, 3.0f);
    const GLuint capture = window.captureTexture;
    shutdownWindow(window, 61.0f, 40.5f);
    const std::vector<std::string> log = logLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "Max fps: 61");
    EXPECT_EQ(log[log.size() - 2], "Min fps: 40.5");
    EXPECT_EQ(log.back(), "Fps: 50.75");
    EXPECT_FALSE(glIsTexture(capture));
    EXPECT_FALSE(fake.contextExists);
    EXPECT_EQ(fake.count("destroyContext"), 1);
}

}  // namespace
