// BMP files decoded by GDI: the file's pixels are drawn into a 24-bit DIB section, which converts
// every depth, palette, bit-field layout and run-length compression GDI knows. The caller checked the
// headers against the data (the layout it hands over), so GDI never reads past the end of the file.

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/bitmap_conversion.h"

namespace platform {
namespace {

// What GDI is handed: the header and colour table (copied, aligned), and the pixel bytes.
struct SourceDib {
    std::vector<std::uint8_t> info;  // BITMAPINFO (or BITMAPCOREINFO) with its colour table or masks
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;  // positive
};

void describe(const std::uint8_t* data, const BmpLayout& layout, SourceDib& dib) {
    const std::uint8_t* header = data + layout.headerOffset;
    const std::uint32_t headerSize = layout.headerSize;
    const std::uint64_t tableBytes = layout.tableBytes;
    const unsigned bitCount = layout.bitCount;

    dib.info.assign(header, header + headerSize + tableBytes);
    if (!layout.coreHeader) {
        // GDI reads exactly this many run-length bytes; the whole rest of the file is what there is.
        const std::uint32_t imageSize = static_cast<std::uint32_t>(layout.pixelBytes);
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
    dib.bits = data + layout.pixelOffset;
    dib.width = layout.width;
    dib.height = layout.height;
}

}  // namespace

BmpStatus decodeBmpToRgb(const std::uint8_t* data, std::size_t /*size*/, const BmpLayout& layout,
                         BmpPicture& out) {
    SourceDib source;
    describe(data, layout, source);

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
