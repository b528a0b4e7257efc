#pragma once
// Converting Windows bitmap files into plain 24-bit RGB. Windows does this with a DIB section; the
// Linux backend uses SDL's BMP loader and converts its surface. The media layer reads and checks the
// headers first (media/bmp_layout.h) and decodes through here (media/image_decoders.h: decodeDib).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum class BmpStatus {
    Ok,
    UnknownFormat,     // not a bitmap file, a header or pixel data we cannot read, or truncated data
    ConversionFailed,  // read, but the conversion to 24-bit RGB failed
    OutOfMemory,       // more pixels than the reader allows, or an allocation failed
};

struct BmpPicture {
    int width = 0;
    int height = 0;  // always positive
    // width * height * 3 bytes, R, G, B, rows bottom first (whatever the file's row order),
    // no padding.
    std::vector<std::uint8_t> rgb;
};

// Where the parts of a BMP file lie, read from its headers and checked against the file by the media
// layer (media/bmp_layout.h) before any system loader sees the file: a few bytes must not be able to
// make it allocate gigabytes or read past the end.
struct BmpLayout {
    std::size_t headerOffset = 0;   // of the info (or core) header, from the start of the file
    std::uint32_t headerSize = 0;   // from the start of the info header
    bool coreHeader = false;        // an OS/2 BITMAPCOREHEADER (no compression, 3-byte colours)
    std::uint64_t pixelOffset = 0;  // from the start of the file
    int width = 0;
    int height = 0;  // positive
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = 0;  // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
    std::uint64_t tableBytes = 0;   // the colour table, or the masks that follow a plain info header
    // The pixel bytes: exactly the rows of an uncompressed picture, the rest of the file for RLE.
    std::uint64_t pixelBytes = 0;
};

// Converts the whole file in [data, data + size) (not owned, only read inside that range), whose
// headers `layout` describes, to 24-bit RGB: 1, 4 and 8-bit palette pictures, 16 and 32-bit with or
// without bit fields, 24-bit, RLE4 and RLE8. `out` is filled only on Ok.
BmpStatus decodeBmpToRgb(const std::uint8_t* data, std::size_t size, const BmpLayout& layout,
                         BmpPicture& out);

}  // namespace platform
