#pragma once
// Truevision TGA: uncompressed (type 2) or run-length encoded (type 10) true colour, 24 or 32 bits,
// bottom-left origin (the bottom row is stored first), pixels in B, G, R(, A) order.

#include "formats/byte_writer.h"
#include "formats/image.h"

namespace formats {

struct TgaOptions {
    bool withAlpha = true;   // 32-bit with 8 alpha bits; false: 24-bit, alpha dropped
    bool runLength = false;  // type 10 packets (at most 128 pixels, never across a row end)
};

// The whole file: 18-byte header (no id, no colour map, descriptor = alpha bits with the origin bit
// clear), then the pixels. An empty image or one wider or taller than 65535 throws
// std::invalid_argument.
Bytes encodeTga(const Image& image, TgaOptions options = {});

}  // namespace formats
