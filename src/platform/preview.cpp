#include "platform/preview.h"

#include <algorithm>
#include <cstddef>

namespace platform {

PreviewPicture previewPictureFrom(const BmpPicture& decoded) {
    constexpr int kLargestSide = 4096;
    PreviewPicture picture;
    if (decoded.width <= 0 || decoded.height <= 0 || decoded.width > kLargestSide ||
        decoded.height > kLargestSide ||
        decoded.rgb.size() != std::size_t(decoded.width) * std::size_t(decoded.height) * 3)
        return picture;
    picture.width = decoded.width;
    picture.height = decoded.height;
    picture.pixels.resize(std::size_t(picture.width) * picture.height);
    // The decoded rows run bottom first.
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* rgb = &decoded.rgb[std::size_t(picture.height - 1 - y) * picture.width * 3];
        std::uint32_t* row = &picture.pixels[std::size_t(y) * picture.width];
        for (int x = 0; x < picture.width; ++x, rgb += 3)
            row[x] = (std::uint32_t(rgb[0]) << 16) | (std::uint32_t(rgb[1]) << 8) | rgb[2];
    }
    return picture;
}

void scalePreviewPicture(const PreviewPicture& picture, int width, int height, std::uint32_t* out) {
    if (width <= 0 || height <= 0) return;
    if (picture.pixels.empty()) {
        std::fill(out, out + std::size_t(width) * height, kPlainPreviewColour);
        return;
    }
    for (int y = 0; y < height; ++y) {
        const int sourceY = int(static_cast<long long>(y) * picture.height / height);
        const std::uint32_t* source = &picture.pixels[std::size_t(sourceY) * picture.width];
        std::uint32_t* row = out + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) row[x] = source[static_cast<long long>(x) * picture.width / width];
    }
}

bool PreviewWindow::create(std::uint32_t parentId, const BmpPicture& picture) {
    destroy();
    picture_ = previewPictureFrom(picture);
    return createWindow(parentId);
}

bool PreviewWindow::isCreated() const { return state_ != nullptr; }
int PreviewWindow::pictureWidth() const { return state_ ? picture_.width : 0; }
int PreviewWindow::pictureHeight() const { return state_ ? picture_.height : 0; }

}  // namespace platform
