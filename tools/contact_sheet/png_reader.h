#pragma once
// Reads the PNG files the screensaver's screenshots and the generator write: 8-bit greyscale, grey +
// alpha, RGB or RGBA, not interlaced, any of the five row filters, the IDAT data in one or more chunks.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/image.h"

namespace contactsheet {

// The largest width or height accepted, so a damaged header cannot ask for gigabytes.
constexpr int kMaxPngSide = 16384;
constexpr std::uint64_t kMaxPngPixels = 64u << 20;

// Decodes a whole file held in memory. Returns false with a one-line reason in `error` (and `image`
// unspecified) for a bad signature, a chunk running past the end, a CRC mismatch, an unsupported
// bit depth / colour type / interlace, a size of 0, above kMaxPngSide or above kMaxPngPixels in all, or pixel
// data that is short, long or does not inflate.
bool decodePng(const std::vector<std::uint8_t>& bytes, formats::Image& image, std::string& error);

// Reads and decodes a file; a file that cannot be opened is reported as such in `error`.
bool readPngFile(const std::string& path, formats::Image& image, std::string& error);

}  // namespace contactsheet
