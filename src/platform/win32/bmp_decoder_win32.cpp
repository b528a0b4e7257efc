// BMP files decoded by GDI: the file's pixels are drawn into a 24-bit DIB section, which converts
// every depth, palette, bit-field layout and run-length compression GDI knows. The headers are
// checked against the data first, so GDI never reads past the end of the file.

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/bmp_decoder.h"

namespace platform {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kLargestHeaderSize = 124;  // BITMAPV5HEADER

std::uint16_t readU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// What GDI is handed: the header and colour table (copied, aligned), and the pixel bytes.
struct SourceDib {
    std::vector<std::uint8_t> info;  // BITMAPINFO (or BITMAPCOREINFO) with its colour table or masks
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;  // positive
};

BmpStatus describe(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels, SourceDib& dib) {
    if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return BmpStatus::UnknownFormat;
    const std::uint64_t pixelOffset = readU32(data + 10);
    const std::uint32_t headerSize = readU32(data + 14);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > kLargestHeaderSize))
        return BmpStatus::UnknownFormat;
    if (headerSize > size - kFileHeaderSize) return BmpStatus::UnknownFormat;

    const std::uint8_t* header = data + kFileHeaderSize;
    std::int64_t width = 0, height = 0;
    unsigned bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t coloursUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        width = readU16(header + 4);
        height = readU16(header + 6);
        bitCount = readU16(header + 10);
    } else {
        width = static_cast<std::int32_t>(readU32(header + 4));
        height = static_cast<std::int32_t>(readU32(header + 8));
        bitCount = readU16(header + 14);
        compression = readU32(header + 16);
        coloursUsed = readU32(header + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return BmpStatus::UnknownFormat;
    if (std::uint64_t(width) * std::uint64_t(height) > maxPixels) return BmpStatus::OutOfMemory;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return BmpStatus::UnknownFormat;

    // The colour table (or the three masks of a bit-field file with a plain info header).
    std::uint64_t tableBytes = 0;
    if (bitCount <= 8) {
        const std::uint64_t full = 1u << bitCount;
        const std::uint64_t colours = coloursUsed == 0 || coloursUsed > full ? full : coloursUsed;
        tableBytes = colours * (headerSize == kCoreHeaderSize ? 3 : 4);
    } else if (compression == BI_BITFIELDS && headerSize == kInfoHeaderSize) {
        tableBytes = 12;
    }
    const std::uint64_t tableEnd = kFileHeaderSize + headerSize + tableBytes;
    if (tableEnd > size || pixelOffset < kFileHeaderSize + headerSize || pixelOffset >= size)
        return BmpStatus::UnknownFormat;

    std::uint64_t pixelBytes = size - pixelOffset;
    switch (compression) {
        case BI_RGB:
        case BI_BITFIELDS: {
            if (compression == BI_BITFIELDS && bitCount != 16 && bitCount != 32)
                return BmpStatus::UnknownFormat;
            const std::uint64_t rowBytes = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
            if (rowBytes * std::uint64_t(height) > pixelBytes) return BmpStatus::UnknownFormat;
            pixelBytes = rowBytes * std::uint64_t(height);
            break;
        }
        case BI_RLE8:
        case BI_RLE4:
            if (topDown || bitCount != (compression == BI_RLE8 ? 8u : 4u)) return BmpStatus::UnknownFormat;
            break;
        default:
            return BmpStatus::UnknownFormat;  // embedded JPEG or PNG, or unknown
    }
    if (pixelBytes > 0x7FFFFFFF) return BmpStatus::UnknownFormat;

    dib.info.assign(header, header + headerSize + tableBytes);
    if (headerSize != kCoreHeaderSize) {
        // GDI reads exactly this many run-length bytes; the whole rest of the file is what there is.
        const std::uint32_t imageSize = static_cast<std::uint32_t>(pixelBytes);
        std::memcpy(&dib.info[20], &imageSize, 4);
        // A table shorter than the depth allows says how many colours it holds.
        if (bitCount <= 8) {
            const std::uint32_t colours = static_cast<std::uint32_t>(tableBytes / 4);
            std::memcpy(&dib.info[32], &colours, 4);
        }
    } else if (bitCount <= 8) {
        // A core header has no colour count: GDI reads the full table, so pad what is missing.
        dib.info.resize(headerSize + (std::size_t(1) << bitCount) * 3, 0);
    }
    dib.bits = data + pixelOffset;
    dib.width = static_cast<int>(width);
    dib.height = static_cast<int>(height);
    return BmpStatus::Ok;
}

}  // namespace

BmpStatus decodeBmpToRgb(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                         BmpPicture& out) {
    if (data == nullptr) return BmpStatus::UnknownFormat;
    SourceDib source;
    const BmpStatus status = describe(data, size, maxPixels, source);
    if (status != BmpStatus::Ok) return status;

    BITMAPINFO target{};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = source.width;
    target.bmiHeader.biHeight = source.height;  // bottom row first, as the picture wants them
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 24;
    target.bmiHeader.biCompression = BI_RGB;
    void* targetBits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return BmpStatus::ConversionFailed;
    const HBITMAP section = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &targetBits, nullptr, 0);
    if (section == nullptr || targetBits == nullptr) {
        DeleteDC(dc);
        return BmpStatus::OutOfMemory;
    }
    const HGDIOBJ previous = SelectObject(dc, section);
    // Run-length pictures may skip pixels; those stay black rather than holding whatever was there.
    const std::size_t stride = (std::size_t(source.width) * 3 + 3) & ~std::size_t(3);
    std::memset(targetBits, 0, stride * std::size_t(source.height));
    const int drawn =
        StretchDIBits(dc, 0, 0, source.width, source.height, 0, 0, source.width, source.height, source.bits,
                      reinterpret_cast<const BITMAPINFO*>(source.info.data()), DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();

    BmpStatus result = BmpStatus::ConversionFailed;
    if (drawn != 0 && drawn != static_cast<int>(GDI_ERROR)) {
        BmpPicture picture;
        picture.width = source.width;
        picture.height = source.height;
        const std::size_t rowBytes = std::size_t(source.width) * 3;
        picture.rgb.resize(rowBytes * std::size_t(source.height));
        const auto* rows = static_cast<const std::uint8_t*>(targetBits);
        for (int y = 0; y < source.height; ++y) {
            const std::uint8_t* from = rows + stride * std::size_t(y);
            std::uint8_t* to = picture.rgb.data() + rowBytes * std::size_t(y);
            for (int x = 0; x < source.width; ++x) {  // the section holds B, G, R
                to[x * 3 + 0] = from[x * 3 + 2];
                to[x * 3 + 1] = from[x * 3 + 1];
                to[x * 3 + 2] = from[x * 3 + 0];
            }
        }
        out = std::move(picture);
        result = BmpStatus::Ok;
    }
    SelectObject(dc, previous);
    DeleteObject(section);
    DeleteDC(dc);
    return result;
}

}  // namespace platform
