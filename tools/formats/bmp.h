#pragma once
// Windows bitmap: BITMAPFILEHEADER + BITMAPINFOHEADER, 24 bits, no compression, bottom row first,
// rows padded to four bytes. Alpha is dropped.

#include "formats/byte_writer.h"
#include "formats/image.h"

namespace formats {

// The whole file. An empty image throws std::invalid_argument.
Bytes encodeBmp(const Image& image);

}  // namespace formats
