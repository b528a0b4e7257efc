#pragma once
// The layout of a Windows bitmap (BMP) file, read from its headers and checked against the data before
// the platform's converter (platform/bitmap_conversion.h) or any system loader behind it sees the file.
// Little-endian:
//
//    0 "BM"                 2 file size (u32)       6 reserved (u32)      10 pixel offset (u32)
//   14 info header: size (u32), then
//        core header (12 bytes): width (u16), height (u16), planes (u16), bit count (u16)
//        info header (40 to 124 bytes): width (i32), height (i32, negative: rows top first),
//          planes (u16), bit count (u16), compression (u32), image size (u32), resolution (2 × i32),
//          colours used (u32), colours important (u32)
//   then the colour table (3-byte entries after a core header, 4-byte ones after an info header) or
//   the three bit-field masks after a plain 40-byte header, then the pixels

#include <cstddef>
#include <cstdint>

#include "platform/bitmap_conversion.h"

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kBmpCoreHeaderSize = 12;      // OS/2 BITMAPCOREHEADER
constexpr std::uint32_t kBmpInfoHeaderSize = 40;      // BITMAPINFOHEADER
constexpr std::uint32_t kBmpLargestHeaderSize = 124;  // BITMAPV5HEADER

enum BmpCompression : std::uint32_t { kBmpRgb = 0, kBmpRle8 = 1, kBmpRle4 = 2, kBmpBitFields = 3 };

// Reads and checks the headers of the file in [data, data + size). Ok with `layout` filled, or
// UnknownFormat (not a bitmap, a kind we do not read, data that ends too soon) or OutOfMemory (more
// than maxPixels pixels).
platform::BmpStatus readBmpLayout(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                                  platform::BmpLayout& layout);
