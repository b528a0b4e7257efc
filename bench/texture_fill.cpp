// What the renderer needs to cover the screen once at 1024 x 768, the least any Run-mode frame can
// cost: a screen-filling square, depth-tested, untextured, with one mipmapped texture sampled
// between two levels (as room walls seen from across the room are), and with a second such texture
// multiplied on (a light map). Each frame is cleared, drawn and finished; no swap. Needs a display:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_texture_fill
//
// Set against the time of a whole frame from bench_frame_passes, it says how much of a frame is the
// bare cost of the pixels' texturing, which no drawing order can remove.

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/mipmaps.h"
#include "support/test_gl_context.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

GLuint makeTexture(int width, int height) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    std::uint32_t state = 12345u;
    for (std::uint8_t& value : pixels) {
        state = state * 1664525u + 1013904223u;
        value = std::uint8_t(state >> 24);
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<std::uint8_t> scratch;
    uploadMipmapChain(3, width, height, GL_RGB, 3, pixels.data(), scratch);
    return texture;
}

// Texture coordinates that map 2^1.5 texels of a 512-texel side onto a pixel: between levels 1 and
// 2, so every pixel blends two levels.
void drawScreenSquare(int units) {
    const float spanS = 2.83f * kWidth / 512.0f, spanT = 2.83f * kHeight / 512.0f;
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    glBegin(GL_QUADS);
    for (const auto& corner : corners) {
        const float s = (corner[0] + 1) * 0.5f * spanS, t = (corner[1] + 1) * 0.5f * spanT;
        for (int unit = 0; unit < units; ++unit) glMultiTexCoord2f(GLenum(GL_TEXTURE0 + unit), s, t);
        glVertex3f(corner[0], corner[1], 0.5f);
    }
    glEnd();
}

void BM_ScreenFill(benchmark::State& state) {
    const int units = int(state.range(0));
    platform::TestGLContext gl;
    if (!gl.create(kWidth, kHeight)) {
        state.SkipWithError(("no GL context (no display?): " + gl.error()).c_str());
        return;
    }
    glViewport(0, 0, kWidth, kHeight);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    // The room's sizes: a 512 x 512 diffuse texture and a 512 x 256 light map.
    const GLuint textures[2] = {makeTexture(512, 512), makeTexture(512, 256)};
    for (int unit = 0; unit < units; ++unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, textures[unit]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    glActiveTexture(GL_TEXTURE0);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScreenSquare(units);
        glFinish();
    }
    glDeleteTextures(2, textures);
}
BENCHMARK(BM_ScreenFill)
    ->ArgName("texture_units")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
