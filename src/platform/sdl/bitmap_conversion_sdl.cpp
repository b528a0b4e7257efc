#include "platform/bitmap_conversion.h"

#include <SDL.h>

#include <cstring>
#include <memory>

namespace platform {
namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

BmpStatus statusFromSdlError(BmpStatus otherwise) {
    const char* message = SDL_GetError();
    if (message != nullptr && std::strstr(message, "Out of memory") != nullptr) return BmpStatus::OutOfMemory;
    return otherwise;
}

}  // namespace

// SDL allocates the whole surface from the header's size before it reads a single pixel: the layout
// the caller checked is what makes handing it the file safe.
BmpStatus decodeBmpToRgb(const std::uint8_t* data, std::size_t size, const BmpLayout& /*layout*/,
                         BmpPicture& out) {
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
