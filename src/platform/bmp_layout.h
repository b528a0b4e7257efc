#pragma once
// The layout of a BMP file read from its headers and checked against the data, for the backends'
// decoders: a few bytes must not be able to make the system's loader allocate gigabytes or read past
// the end of the file.

#include <cstddef>
#include <cstdint>

#include "platform/bitmap_conversion.h"

namespace platform {

struct BmpLayout {
    static constexpr std::size_t kFileHeaderSize = 14;
    static constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 BITMAPCOREHEADER

    enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

    std::uint32_t headerSize = 0;   // from the start of the info header
    std::uint64_t pixelOffset = 0;  // from the start of the file
    int width = 0;
    int height = 0;  // positive
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint64_t tableBytes = 0;  // the colour table, or the masks that follow a plain info header
    // The pixel bytes: exactly the rows of an uncompressed picture, the rest of the file for RLE.
    std::uint64_t pixelBytes = 0;
};

// Reads and checks the headers of the file in [data, data + size). Ok with `layout` filled, or
// UnknownFormat (not a bitmap, a kind we do not read, data that ends too soon) or OutOfMemory (more
// than maxPixels pixels).
BmpStatus readBmpLayout(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                        BmpLayout& layout);

}  // namespace platform
