#pragma once
// Decoding Windows bitmap files into plain 24-bit RGB. Windows does this with a DIB section; the
// Linux backend uses SDL's BMP loader and converts its surface.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum class BmpStatus {
    Ok,
    UnknownFormat,     // not a bitmap file, a header or pixel data we cannot read, or truncated data
    ConversionFailed,  // read, but the conversion to 24-bit RGB failed
    OutOfMemory,       // more than maxPixels pixels, or an allocation failed
};

struct BmpPicture {
    int width = 0;
    int height = 0;  // always positive
    // width * height * 3 bytes, R, G, B, rows bottom first (whatever the file's row order),
    // no padding.
    std::vector<std::uint8_t> rgb;
};

// Decodes the whole file in [data, data + size) (not owned, only read inside that range).
// 1, 4 and 8-bit palette pictures, 16 and 32-bit with or without bit fields, 24-bit, RLE4 and RLE8.
// Pictures with more than maxPixels pixels are refused before any allocation. `out` is filled
// only on Ok.
BmpStatus decodeBmpToRgb(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                         BmpPicture& out);

}  // namespace platform
