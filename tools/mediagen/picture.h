#pragma once
// The picture toolkit: float RGBA pictures with straight alpha, blending, gradients, shapes,
// deterministic random numbers, value / fractal noise, blur, and single-channel masks for text and
// shapes. Everything is deterministic: the same calls give the same pixels on every run.

#include <cstdint>
#include <utility>
#include <vector>

#include "pictures/pictures.h"

namespace mediagen {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

// 0xRRGGBB with the given alpha.
Color hexColor(std::uint32_t rgb, float alpha = 1);
Color mix(Color from, Color to, float t);
Color withAlpha(Color c, float alpha);
Color scaled(Color c, float factor);  // rgb times factor, alpha kept

float clamp01(float v);
float smoothstep(float edge0, float edge1, float x);

class Picture {
public:
    Picture() = default;
    Picture(int width, int height, Color fill = Color{0, 0, 0, 0});

    int width() const { return width_; }
    int height() const { return height_; }
    Color& at(int x, int y) { return pixels_[std::size_t(y) * width_ + x]; }
    const Color& at(int x, int y) const { return pixels_[std::size_t(y) * width_ + x]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Straight-alpha "over": paints c with its alpha times coverage (0..1) onto the pixel.
    void blend(int x, int y, Color c, float coverage = 1);
    // Adds c.rgb × c.a × amount to the pixel's colour (light); alpha is not changed.
    void addLight(int x, int y, Color c, float amount = 1);
    // Bilinear sample at pixel coordinates (pixel centres at +0.5), clamped at the edges.
    Color sample(float x, float y) const;

    // Rounds to 8 bits per channel (values clamped to 0..1).
    pictures::Image toImage() const;
    // The 8-bit picture as colours 0..1.
    static Picture fromImage(const pictures::Image& image);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Color> pixels_;
};

// Coverage values 0..1, one per pixel; what text and shapes are drawn into before colouring.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Mask() = default;
    Mask(int w, int h) : width(w), height(h), values(std::size_t(w) * h, 0.0f) {}
    float& at(int x, int y) { return values[std::size_t(y) * width + x]; }
    float at(int x, int y) const { return values[std::size_t(y) * width + x]; }
    // 0 outside the mask.
    float get(int x, int y) const { return (x < 0 || y < 0 || x >= width || y >= height) ? 0.0f : at(x, y); }
};

// --- fills and shapes (coordinates in pixels, y down) ---

// Colour stops at positions 0..1 (ascending) from top (0) to bottom (1).
void fillVerticalGradient(Picture& picture, const std::vector<std::pair<float, Color>>& stops);
// Adds a soft round light: amount = strength × (1 − d/radius)^falloff inside the radius.
void addGlow(Picture& picture, float cx, float cy, float radius, Color color, float strength = 1,
             float falloff = 2);
// Anti-aliased disc, blended.
void fillDisc(Picture& picture, float cx, float cy, float radius, Color color);
// Anti-aliased polygon (even-odd, 4×4 samples per pixel), blended.
void fillPolygon(Picture& picture, const std::vector<std::pair<float, float>>& points, Color color);
// Axis-aligned rectangle [x0, x1) × [y0, y1) with anti-aliased edges, blended.
void fillRect(Picture& picture, float x0, float y0, float x1, float y1, Color color);
// Anti-aliased line of the given width with round ends, blended.
void drawLine(Picture& picture, float x0, float y0, float x1, float y1, float width, Color color);
// Paints color through the mask placed with its top-left corner at (left, top).
void paintMask(Picture& picture, const Mask& mask, int left, int top, Color color);
// As paintMask, the colour running from top to bottom of the mask's rows [y0, y1).
void paintMaskGradient(Picture& picture, const Mask& mask, int left, int top, Color topColor,
                       Color bottomColor, int y0, int y1);
// Draws source over picture with its top-left corner at (left, top).
void drawPicture(Picture& picture, const Picture& source, int left, int top);
// Scales to the given size with box filtering when shrinking and bilinear sampling when growing.
Picture resized(const Picture& source, int width, int height);

// --- masks ---

// Every value becomes the largest within the radius (a round pen): text outlines.
Mask dilated(const Mask& mask, float radius);
// Three box passes per axis, close to a Gaussian of the given radius.
void blurMask(Mask& mask, float radius);
void blurPicture(Picture& picture, float radius);
// A mask grown by margin pixels on every side, the content centred.
Mask padded(const Mask& mask, int margin);

// --- random numbers and noise ---

// A small deterministic generator (PCG32) so the media never depend on the C library's rand().
class Random {
public:
    explicit Random(std::uint64_t seed);
    std::uint32_t next();
    float uniform();                       // [0, 1)
    float uniform(float low, float high);  // [low, high)
    int below(int n);                      // 0 .. n−1, 0 when n <= 0

private:
    std::uint64_t state_;
};

// Smooth value noise on an integer lattice with a hashed value per lattice point.
class ValueNoise {
public:
    explicit ValueNoise(std::uint32_t seed) : seed_(seed) {}
    // 0..1, continuous, period 'wrap' lattice cells on both axes when wrap > 0 (tileable textures).
    float at(float x, float y, int wrap = 0) const;
    // Sum of octaves with halving amplitude and doubling frequency, normalised to 0..1.
    float fractal(float x, float y, int octaves, float persistence = 0.5f, int wrap = 0) const;

private:
    float lattice(int x, int y) const;
    std::uint32_t seed_;
};

}  // namespace mediagen
