#include "media/image_decoders.h"

#include "media/bmp_layout.h"
#include "platform/bitmap_conversion.h"

const char* dibErrorText(DibError error) {
    switch (error) {
        case DibError::None:
            return "";
        case DibError::UnknownFormat:
            return "Unknown DIB file format.";
        case DibError::ConversionFailed:
            return "Image file conversion error.";
        case DibError::OutOfMemory:
            return "Out of memory.";
    }
    return "Unknown DIB file format.";
}

std::optional<ImageRecord> decodeDib(const std::uint8_t* data, std::size_t size, DibError* error) {
    platform::BmpPicture picture;
    platform::BmpLayout layout;
    platform::BmpStatus status = readBmpLayout(data, size, kMaxImagePixels, layout);
    if (status == platform::BmpStatus::Ok) status = platform::decodeBmpToRgb(data, size, layout, picture);
    DibError result = DibError::None;
    switch (status) {
        case platform::BmpStatus::Ok:
            break;
        case platform::BmpStatus::UnknownFormat:
            result = DibError::UnknownFormat;
            break;
        case platform::BmpStatus::ConversionFailed:
            result = DibError::ConversionFailed;
            break;
        case platform::BmpStatus::OutOfMemory:
            result = DibError::OutOfMemory;
            break;
    }
    if (error) *error = result;
    if (result != DibError::None) return std::nullopt;

    ImageRecord image;
    image.components = 3;
    image.width = picture.width;
    image.height = picture.height;
    image.pixels = std::move(picture.rgb);
    return image;
}
