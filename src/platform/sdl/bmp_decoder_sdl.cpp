#include "platform/bmp_decoder.h"

#include <SDL.h>

#include <cstring>
#include <memory>

namespace platform {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 BITMAPCOREHEADER
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER and its longer successors

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

std::uint16_t readU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// Checks the headers against the data before SDL sees it: SDL allocates the whole surface from the
// header's size before it reads a single pixel, and a few bytes must not be able to ask for
// gigabytes or make it read past the end.
BmpStatus checkHeaders(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels) {
    if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return BmpStatus::UnknownFormat;
    const std::uint64_t pixelOffset = readU32(data + 10);
    const std::uint32_t headerSize = readU32(data + 14);
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) return BmpStatus::UnknownFormat;
    if (headerSize > size - kFileHeaderSize) return BmpStatus::UnknownFormat;

    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned bitCount = 0;
    std::uint32_t compression = kRgb;
    const std::uint8_t* header = data + kFileHeaderSize;
    if (headerSize == kCoreHeaderSize) {
        width = readU16(header + 4);
        height = readU16(header + 6);
        bitCount = readU16(header + 10);
    } else {
        width = static_cast<std::int32_t>(readU32(header + 4));
        height = static_cast<std::int32_t>(readU32(header + 8));
        bitCount = readU16(header + 14);
        compression = readU32(header + 16);
    }
    if (height < 0) height = -height;  // top-down rows
    if (width <= 0 || height <= 0) return BmpStatus::UnknownFormat;
    if (std::uint64_t(width) * std::uint64_t(height) > maxPixels) return BmpStatus::OutOfMemory;

    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return BmpStatus::UnknownFormat;
    }
    if (pixelOffset < kFileHeaderSize + headerSize || pixelOffset >= size) return BmpStatus::UnknownFormat;
    switch (compression) {
        case kRgb:
        case kBitFields: {
            if (compression == kBitFields && bitCount != 16 && bitCount != 32)
                return BmpStatus::UnknownFormat;
            const std::uint64_t rowBytes = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
            if (pixelOffset + rowBytes * std::uint64_t(height) > size) return BmpStatus::UnknownFormat;
            return BmpStatus::Ok;
        }
        case kRle8:
            return bitCount == 8 ? BmpStatus::Ok : BmpStatus::UnknownFormat;
        case kRle4:
            return bitCount == 4 ? BmpStatus::Ok : BmpStatus::UnknownFormat;
        default:
            return BmpStatus::UnknownFormat;  // embedded JPEG or PNG, or unknown
    }
}

BmpStatus statusFromSdlError(BmpStatus otherwise) {
    const char* message = SDL_GetError();
    if (message != nullptr && std::strstr(message, "Out of memory") != nullptr) return BmpStatus::OutOfMemory;
    return otherwise;
}

}  // namespace

BmpStatus decodeBmpToRgb(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                         BmpPicture& out) {
    if (data == nullptr || size > 0x7FFFFFFF) return BmpStatus::UnknownFormat;
    const BmpStatus headers = checkHeaders(data, size, maxPixels);
    if (headers != BmpStatus::Ok) return headers;

    SDL_ClearError();
    SDL_RWops* stream = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (stream == nullptr) return statusFromSdlError(BmpStatus::UnknownFormat);
    const SurfacePtr loaded(SDL_LoadBMP_RW(stream, 1));  // closes the stream
    if (!loaded) return statusFromSdlError(BmpStatus::UnknownFormat);

    SDL_ClearError();
    const SurfacePtr rgb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGB24, 0));
    if (!rgb) return statusFromSdlError(BmpStatus::ConversionFailed);
    if (rgb->w <= 0 || rgb->h <= 0 || rgb->pitch < rgb->w * 3) return BmpStatus::ConversionFailed;

    const std::size_t rowBytes = std::size_t(rgb->w) * 3;
    BmpPicture picture;
    picture.width = rgb->w;
    picture.height = rgb->h;
    picture.rgb.resize(rowBytes * std::size_t(rgb->h));
    // SDL's surface is top row first; the picture is bottom row first.
    const auto* pixels = static_cast<const std::uint8_t*>(rgb->pixels);
    for (int y = 0; y < rgb->h; ++y)
        std::memcpy(picture.rgb.data() + rowBytes * std::size_t(rgb->h - 1 - y),
                    pixels + std::size_t(rgb->pitch) * y, rowBytes);
    out = std::move(picture);
    return BmpStatus::Ok;
}

}  // namespace platform
