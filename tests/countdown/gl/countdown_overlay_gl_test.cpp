// The countdown overlay drawn with real GL: every glyph and label picture is a solid colour of its
// own, made here as a small TGA file, so the read-back pixels tell which picture landed where.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "countdown/countdown.h"
#include "gl/gl_state.h"
#include "media/texture_manager.h"
#include "overlay/overlay.h"
#include "support/file_buffer.h"
#include "support/test_gl_context.h"

namespace {

constexpr int kSize = 512;

struct Colour {
    int r, g, b;
};

Colour slotColour(int slot) { return {40 + slot * 7, 250 - slot * 8, (slot * 53 + 20) % 256}; }

// An 8 x 8 uncompressed 32-bit TGA of one opaque colour.
std::vector<std::uint8_t> solidTga(Colour c) {
    std::vector<std::uint8_t> file(18 + 8 * 8 * 4, 0);
    file[2] = 2;  // uncompressed true colour
    file[12] = 8;
    file[14] = 8;
    file[16] = 32;
    file[17] = 8;  // eight alpha bits
    for (int i = 0; i < 64; ++i) {
        std::uint8_t* p = &file[18 + i * 4];
        p[0] = static_cast<std::uint8_t>(c.b);
        p[1] = static_cast<std::uint8_t>(c.g);
        p[2] = static_cast<std::uint8_t>(c.r);
        p[3] = 255;
    }
    return file;
}

class CountdownOverlayGL : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.create(kSize, kSize)) << gl.error();
        requested.clear();
    }

    // Pictures by pack path, as the media pack would give them; every request is recorded.
    static FileBuffer readPicture(const char* path) {
        requested.push_back(path);
        for (int slot = 0; slot < kOverlayTextureCount; ++slot) {
            if (std::strcmp(path, overlayTexturePath(slot)) != 0) continue;
            return testsupport::copyToFileBuffer(solidTga(slotColour(slot)));
        }
        return FileBuffer{};
    }

    std::vector<std::uint8_t> readBack() {
        std::vector<std::uint8_t> pixels(kSize * kSize * 4);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static int toPixel(float overlay) { return static_cast<int>((overlay + 1.0f) * 0.5f * kSize); }

    static bool inside(const OverlayQuad2D& q, float x, float y, float margin) {
        return x > q.cx - q.hw - margin && x < q.cx + q.hw + margin && y > q.cy - q.hh - margin &&
               y < q.cy + q.hh + margin;
    }

    // Checks, for every quad, a point inside it that no later quad covers: its picture's colour.
    void expectEveryQuadVisible(const OverlayLayout& layout, const std::vector<std::uint8_t>& pixels,
                                const CountdownDisplay& display) {
        const float pixel = 2.0f / kSize;
        for (std::size_t i = 0; i < layout.count; ++i) {
            const OverlayQuad2D& q = layout.quads[i];
            bool found = false;
            for (int sx = 1; sx < 16 && !found; ++sx) {
                for (int sy = 1; sy < 16 && !found; ++sy) {
                    const float x = q.cx - q.hw + 2 * q.hw * sx / 16.0f;
                    const float y = q.cy - q.hh + 2 * q.hh * sy / 16.0f;
                    bool covered = false;
                    for (std::size_t j = i + 1; j < layout.count && !covered; ++j)
                        covered = inside(layout.quads[j], x, y, pixel);
                    if (covered) continue;
                    found = true;
                    const Colour want = slotColour(q.texture);
                    const std::uint8_t* p = &pixels[(toPixel(y) * kSize + toPixel(x)) * 4];
                    EXPECT_NEAR(p[0], want.r, 2) << "quad " << i << " slot " << int(q.texture);
                    EXPECT_NEAR(p[1], want.g, 2) << "quad " << i << " slot " << int(q.texture);
                    EXPECT_NEAR(p[2], want.b, 2) << "quad " << i << " slot " << int(q.texture);
                }
            }
            EXPECT_TRUE(found) << "quad " << i << " is covered everywhere";
        }
        (void)display;
    }

    platform::TestGLContext gl;
    static std::vector<std::string> requested;
};

std::vector<std::string> CountdownOverlayGL::requested;

TEST_F(CountdownOverlayGL, LoadsThePicturesInOrderAndDrawsEachWhereItBelongs) {
    TextureManager textures(&CountdownOverlayGL::readPicture,
                            [](const std::string& text) { FAIL() << text; });
    CountdownDisplay display;
    display.loadGlyphs(textures);
    ASSERT_EQ(requested.size(), static_cast<std::size_t>(kOverlayTextureCount));
    for (int slot = 0; slot < kOverlayTextureCount; ++slot) {
        EXPECT_EQ(requested[slot], overlayTexturePath(slot));
        EXPECT_NE(display.texture(slot), 0u);
    }

    CountdownTime time;
    time.setDateTime(2026, 12, 24, 10, 0, 0);
    time.updateCountdown();
    const OverlayOptions options{true, true, false};

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    applyGLBaseline();
    beginOverlay();
    const std::vector<std::string> overlayState = glStateDifferences();
    display.drawOverlay(time, options, 60.0f);
    // Drawn in the overlay's state, which it leaves as it found it; the pass then leaves the baseline.
    EXPECT_EQ(glStateDifferences(), overlayState);
    endOverlay();
    EXPECT_EQ(glStateDifferences(), std::vector<std::string>{});
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const auto pixels = readBack();

    OverlayLayout layout;
    display.layoutOverlay(time, options, 60.0f, layout);
    // Frame rate, "10:00:00 a.m.", the countdown "00  14   00  00", heading, four labels, "remaining".
    ASSERT_EQ(layout.count, 2u + 13u + 15u + 6u);
    expectEveryQuadVisible(layout, pixels, display);

    // Fixed places: the first countdown digit, the heading, the hours label, "remaining", the clock's
    // first digit and the frame rate's first digit.
    struct Spot {
        float x, y;
        int slot;
    };
    const Spot spots[] = {{-0.96f, -0.87f, kGlyph0},      {-0.59f, -0.765f, kHeadingChristmas},
                          {-0.65f, -0.86f, kLabelHours},  {-0.59f, -0.935f, kRemaining},
                          {0.48f, -0.92f, kGlyph0 + 1},   {-0.97f, 0.92f, kGlyph0 + 6},
                          {-0.45f, -0.86f, kLabelMinute}, {-0.28f, -0.86f, kLabelSecond}};
    for (const Spot& spot : spots) {
        const std::uint8_t* p = &pixels[(toPixel(spot.y) * kSize + toPixel(spot.x)) * 4];
        const Colour want = slotColour(spot.slot);
        EXPECT_NEAR(p[0], want.r, 2) << spot.x << "," << spot.y;
        EXPECT_NEAR(p[1], want.g, 2) << spot.x << "," << spot.y;
    }

    // The middle of the screen and the top right corner stay as cleared.
    for (const auto& at : {std::pair<float, float>{0.0f, 0.0f}, {0.9f, 0.9f}}) {
        const std::uint8_t* p = &pixels[(toPixel(at.second) * kSize + toPixel(at.first)) * 4];
        EXPECT_EQ(p[0] + p[1] + p[2], 0);
    }
    textures.releaseTextures();
}

TEST_F(CountdownOverlayGL, ChristmasDayShowsOnlyTheGreeting) {
    TextureManager textures(&CountdownOverlayGL::readPicture,
                            [](const std::string& text) { FAIL() << text; });
    CountdownDisplay display;
    display.loadGlyphs(textures);
    CountdownTime time;
    time.setDateTime(2026, 12, 25, 8, 0, 0);
    time.updateCountdown();

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    applyGLBaseline();
    beginOverlay();
    display.drawOverlay(time, OverlayOptions{false, false, false}, 60.0f);
    endOverlay();
    const auto pixels = readBack();

    // The greeting covers (-0.902..-0.478, -0.946..-0.734) and nothing else is drawn.
    const Colour greeting = slotColour(kGreetingChristmas);
    long lit = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const std::uint8_t* p = &pixels[(y * kSize + x) * 4];
            if (p[0] + p[1] + p[2] == 0) continue;
            ++lit;
            ASSERT_NEAR(p[0], greeting.r, 2) << x << "," << y;
        }
    }
    const long expected = static_cast<long>((0.424f * kSize / 2) * (0.212f * kSize / 2));
    EXPECT_NEAR(lit, expected, expected / 20);
    textures.releaseTextures();
}

}  // namespace
