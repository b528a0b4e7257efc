#pragma once
// Pictures for the build-time tools: an 8-bit RGBA picture in memory and every picture file the tools
// read or write. The media generator draws into Image and writes TGA, BMP, JPEG and PNG; the contact
// sheet and the picture comparison read PNG (the screensaver's screenshots and the generator's sheet).
//
//   Rgba, Image     the picture, top row first
//   encodeTga       TGA through the screensaver's own writer (media/tga_file.h)
//   encodeBmp       Windows bitmap, 24 bits
//   encodeJpeg      baseline JPEG through libjpeg
//   encodePng       PNG, 8-bit RGBA
//   decodePng, readPngFile   the PNG reader
//
// The writers throw std::invalid_argument for an empty picture and std::runtime_error when a library
// fails; the PNG reader reports what it refuses in a one-line reason.

#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_writer.h"

namespace pictures {

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

struct TgaOptions {
    bool withAlpha = true;   // 32-bit with 8 alpha bits; false: 24-bit, alpha dropped
    bool runLength = false;  // type 10 packets (at most 128 pixels, never across a row end)
};

// The whole TGA file: bottom-left origin (the bottom row first), no id, no colour map. An image wider
// or taller than 65535 throws std::invalid_argument as an empty one does.
Bytes encodeTga(const Image& image, TgaOptions options = {});

// Windows bitmap: BITMAPFILEHEADER + BITMAPINFOHEADER, 24 bits, no compression, bottom row first,
// rows padded to four bytes. Alpha is dropped.
Bytes encodeBmp(const Image& image);

// Baseline JPEG through libjpeg (jpeg62 API), 3 components, 4:2:0 sampling, at the given quality
// (1..100, clamped). Alpha is dropped.
Bytes encodeJpeg(const Image& image, int quality = 90);

// PNG: 8-bit RGBA (colour type 6), no interlace, one IDAT chunk, zlib level 6.
Bytes encodePng(const Image& image);

// The largest width or height the PNG reader accepts, and the most pixels in all, so a damaged header
// cannot ask for gigabytes.
constexpr int kMaxPngSide = 16384;
constexpr std::uint64_t kMaxPngPixels = 64u << 20;

// Decodes a whole PNG file held in memory: 8-bit greyscale, grey + alpha, RGB or RGBA, not
// interlaced, any of the five row filters, the IDAT data in one or more chunks. Returns false with a
// one-line reason in `error` (and `image` unspecified) for a bad signature, a chunk running past the
// end, a CRC mismatch, an unsupported bit depth / colour type / interlace, a size of 0, above
// kMaxPngSide or above kMaxPngPixels in all, or pixel data that is short, long or does not inflate.
bool decodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error);

// Reads and decodes a PNG file; a file that cannot be opened is reported as such in `error`.
bool readPngFile(const std::string& path, Image& image, std::string& error);

}  // namespace pictures
