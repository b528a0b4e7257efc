#pragma once
// An 8-bit RGBA picture in memory, the input of every picture writer.

#include <cstdint>
#include <vector>

namespace formats {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

inline bool operator==(Rgba p, Rgba q) { return p.r == q.r && p.g == q.g && p.b == q.b && p.a == q.a; }

// Rows are stored top row first, left to right; the writers turn them into each format's row order.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    Image() = default;
    Image(int w, int h, Rgba fill = Rgba{0, 0, 0, 0})
        : width(w), height(h), pixels(std::size_t(w) * h, fill) {}

    Rgba& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    const Rgba& at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool empty() const { return width <= 0 || height <= 0; }
};

}  // namespace formats
