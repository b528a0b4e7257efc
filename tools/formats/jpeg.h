#pragma once
// Baseline JPEG through libjpeg (jpeg62 API), 3 components, 4:2:0 sampling. Alpha is dropped.

#include "formats/byte_writer.h"
#include "formats/image.h"

namespace formats {

// The whole file at the given quality (1..100, clamped). An empty image throws
// std::invalid_argument; a library failure throws std::runtime_error.
Bytes encodeJpeg(const Image& image, int quality = 90);

}  // namespace formats
