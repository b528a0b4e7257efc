// initGL on real GL with the fake display: what it logs, in order, the capture texture it makes and
// the state it leaves; the perspective; the pixel-format failures.

#include "display/gl_window.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "display/gamma.h"
#include "gl/gl_state.h"
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
    // The ramp found, the gamma option and vsync; the exponents logged and the swap interval asked.
    std::array<std::uint16_t, 256> linear{};
    for (int i = 0; i < 256; ++i) linear[i] = static_cast<std::uint16_t>(i * 256);
    const struct {
        bool calibratedRamp;
        float gammaOption;
        bool vsync;
        const char* oldGamma;
        const char* newGamma;
        double savedExponent;  // < 0: not compared
        int swapInterval;
    } cases[] = {
        {true, 3.0f, true, nullptr, "New Gamma: 1", -1, 1},
        {false, 1.5f, false, "Old Gamma: 1", "New Gamma: 2.5", 1.0, 0},
    };
    const std::vector<std::string> prefixes = {"Video card: ",
                                               "Vendor: ",
                                               "OpenGL version : ",
                                               "Max Texture Units: ",
                                               "VBO supported",
                                               "ARB_Occlusion_querry supported",
                                               "Occlussion querry bit: ",
                                               "Model manager init",
                                               "Old Gamma: ",
                                               "New Gamma: "};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.newGamma);
        platform::FakeVideoBackend display;
        if (!c.calibratedRamp)
            display.deviceRamp.red = display.deviceRamp.green = display.deviceRamp.blue = linear;
        GLWindow opened;
        opened.backend = &display;
        opened.showError = recordError;
        opened.fullscreen = false;
        opened.vsync = c.vsync;
        theLog().open(logPath);  // afresh
        ASSERT_TRUE(createGLWindow(opened, "Glimmerdale", 128, 96));
        initGL(opened, c.gammaOption);
        const std::vector<std::string> log = logLines();
        // GLEW may complain first on some displays; everything else comes in this order.
        std::size_t at = 0;
        if (!log.empty() && log[0] == "Glew init failed!") at = 1;
        ASSERT_EQ(log.size(), at + prefixes.size()) << testsupport::readTextFile(logPath);
        for (const std::string& prefix : prefixes) {
            EXPECT_EQ(log[at].rfind(prefix, 0), 0u) << log[at] << " should start with " << prefix;
            ++at;
        }
        if (c.oldGamma) {
            EXPECT_EQ(log[log.size() - 2], c.oldGamma);
        }
        EXPECT_EQ(log.back(), c.newGamma);
        if (c.savedExponent >= 0) {
            EXPECT_EQ(opened.gamma.savedExponent, c.savedExponent);
        }
        EXPECT_EQ(display.swapInterval, c.swapInterval);
        EXPECT_TRUE(opened.vboAvailable);
        EXPECT_TRUE(opened.occlusionQueryAvailable);
        EXPECT_GT(opened.occlusionCounterBits, 0);
        EXPECT_TRUE(shownErrors().empty());
        if (c.calibratedRamp) {
            EXPECT_EQ(display.deviceRamp, gammaRampForExponent(1.0));
        }
        glDeleteTextures(1, &opened.captureTexture);
    }
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

TEST_F(InitGL, LeavesTheBaselineAndAPerspective) {
    ASSERT_TRUE(createGLWindow(window, "Glimmerdale", 128, 96));
    // Whatever the context had before: the first pass starts from the baseline.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    initGL(window, 3.0f);
    // Depth testing and texturing (GL_MODULATE) on among the rest; the viewport the whole window.
    const GLRectangle viewport{0, 0, 128, 96};
    EXPECT_EQ(glStateDifferences(&viewport), std::vector<std::string>{});

    // The perspective of a window of each size: 45 degrees high, near 1, far 3000; a height of 0
    // counts as 1.
    const struct { int width, height; } sizes[] = {{128, 96}, {100, 0}, {1024, 768}, {1920, 1080}};
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        if (size.width != 128) setPerspective(size.width, size.height);
        const int height = size.height > 0 ? size.height : 1;
        GLint found[4] = {};
        glGetIntegerv(GL_VIEWPORT, found);
        EXPECT_EQ(found[2], size.width);
        EXPECT_EQ(found[3], height);
        GLfloat projection[16] = {};
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        EXPECT_NEAR(projection[5], f, 1e-4);
        EXPECT_NEAR(projection[0], f / (float(size.width) / float(height)), 1e-4);
        EXPECT_NEAR(projection[10], -(3000.0f + 1.0f) / (3000.0f - 1.0f), 1e-5);
        EXPECT_NEAR(projection[14], -2.0f * 3000.0f * 1.0f / (3000.0f - 1.0f), 1e-4);
    }
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
