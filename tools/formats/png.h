#pragma once
// PNG: 8-bit RGBA (colour type 6), no interlace, one IDAT chunk, zlib level 6.

#include "formats/byte_writer.h"
#include "formats/image.h"

namespace formats {

// The whole file. An empty image throws std::invalid_argument; a zlib failure throws
// std::runtime_error.
Bytes encodePng(const Image& image);

}  // namespace formats
