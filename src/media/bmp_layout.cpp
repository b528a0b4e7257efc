#include "media/bmp_layout.h"

using platform::BmpLayout;
using platform::BmpStatus;

namespace {

std::uint16_t readU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

}  // namespace

BmpStatus readBmpLayout(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                        BmpLayout& layout) {
    if (data == nullptr || size > 0x7FFFFFFF) return BmpStatus::UnknownFormat;
    if (size < kBmpFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return BmpStatus::UnknownFormat;
    BmpLayout read;
    read.pixelOffset = readU32(data + 10);
    read.headerOffset = kBmpFileHeaderSize;
    read.headerSize = readU32(data + kBmpFileHeaderSize);
    const std::uint32_t headerSize = read.headerSize;
    if (headerSize != kBmpCoreHeaderSize &&
        (headerSize < kBmpInfoHeaderSize || headerSize > kBmpLargestHeaderSize))
        return BmpStatus::UnknownFormat;
    if (headerSize > size - kBmpFileHeaderSize) return BmpStatus::UnknownFormat;

    const std::uint8_t* header = data + kBmpFileHeaderSize;
    std::int64_t width = 0, height = 0;
    std::uint32_t coloursUsed = 0;
    read.coreHeader = headerSize == kBmpCoreHeaderSize;
    if (read.coreHeader) {
        width = readU16(header + 4);
        height = readU16(header + 6);
        read.bitCount = readU16(header + 10);
    } else {
        width = static_cast<std::int32_t>(readU32(header + 4));
        height = static_cast<std::int32_t>(readU32(header + 8));
        read.bitCount = readU16(header + 14);
        read.compression = readU32(header + 16);
        coloursUsed = readU32(header + 32);
    }
    read.topDown = height < 0;
    if (read.topDown) height = -height;
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return BmpStatus::UnknownFormat;
    if (std::uint64_t(width) * std::uint64_t(height) > maxPixels) return BmpStatus::OutOfMemory;
    const unsigned bitCount = read.bitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return BmpStatus::UnknownFormat;
    read.width = static_cast<int>(width);
    read.height = static_cast<int>(height);

    if (bitCount <= 8) {
        const std::uint64_t full = 1u << bitCount;
        const std::uint64_t colours = coloursUsed == 0 || coloursUsed > full ? full : coloursUsed;
        read.tableBytes = colours * (read.coreHeader ? 3 : 4);
    } else if (read.compression == kBmpBitFields && headerSize == kBmpInfoHeaderSize) {
        read.tableBytes = 12;
    }
    const std::uint64_t tableEnd = kBmpFileHeaderSize + headerSize + read.tableBytes;
    if (tableEnd > size || read.pixelOffset < kBmpFileHeaderSize + headerSize || read.pixelOffset >= size)
        return BmpStatus::UnknownFormat;

    read.pixelBytes = size - read.pixelOffset;
    switch (read.compression) {
        case kBmpRgb:
        case kBmpBitFields: {
            if (read.compression == kBmpBitFields && bitCount != 16 && bitCount != 32)
                return BmpStatus::UnknownFormat;
            const std::uint64_t rowBytes = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
            if (rowBytes * std::uint64_t(height) > read.pixelBytes) return BmpStatus::UnknownFormat;
            read.pixelBytes = rowBytes * std::uint64_t(height);
            break;
        }
        case kBmpRle8:
        case kBmpRle4:
            // Run-length rows always run bottom up.
            if (read.topDown || bitCount != (read.compression == kBmpRle8 ? 8u : 4u))
                return BmpStatus::UnknownFormat;
            break;
        default:
            return BmpStatus::UnknownFormat;  // embedded JPEG or PNG, or unknown
    }
    layout = read;
    return BmpStatus::Ok;
}
