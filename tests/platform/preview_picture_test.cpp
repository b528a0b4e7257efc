// The preview's picture: the BMP decoded with its top row first, stretched to the window by nearest
// pixels, and the plain colour where there is no picture.

#include "platform/preview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A 24-bit BMP, bottom row first as the file keeps it, of `rows` given top row first.
std::vector<std::uint8_t> bmpOf(int width, const std::vector<std::vector<std::uint32_t>>& rows) {
    const int height = int(rows.size());
    const int rowBytes = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> file(54 + std::size_t(rowBytes) * height, 0);
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        std::memcpy(&file[at], &value, bytes);
    };
    file[0] = 'B', file[1] = 'M';
    put(2, std::uint32_t(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(width), 4);
    put(22, std::uint32_t(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = &file[54 + std::size_t(rowBytes) * (height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = rows[std::size_t(y)][std::size_t(x)];
            row[x * 3] = std::uint8_t(rgb), row[x * 3 + 1] = std::uint8_t(rgb >> 8),
                    row[x * 3 + 2] = std::uint8_t(rgb >> 16);
        }
    }
    return file;
}

TEST(PreviewPicture, DecodedTopRowFirstAndStretchedByNearestPixels) {
    const std::vector<std::uint8_t> bmp = bmpOf(2, {{0x112233, 0x445566}, {0x778899, 0xAABBCC}});
    const platform::PreviewPicture picture =
        platform::decodePreviewPicture(bmp.data(), std::uint32_t(bmp.size()));
    ASSERT_EQ(picture.width, 2);
    ASSERT_EQ(picture.height, 2);
    EXPECT_EQ(picture.pixels, (std::vector<std::uint32_t>{0x112233, 0x445566, 0x778899, 0xAABBCC}));

    std::vector<std::uint32_t> scaled(3 * 4);
    platform::scalePreviewPicture(picture, 3, 4, scaled.data());
    EXPECT_EQ(scaled, (std::vector<std::uint32_t>{0x112233, 0x112233, 0x445566,  //
                                                  0x112233, 0x112233, 0x445566,  //
                                                  0x778899, 0x778899, 0xAABBCC,  //
                                                  0x778899, 0x778899, 0xAABBCC}));
}

TEST(PreviewPicture, MissingBrokenOrHugePicturesGiveThePlainColour) {
    std::vector<std::uint8_t> cut = bmpOf(2, {{1, 2}, {3, 4}});
    cut.resize(40);
    std::vector<std::uint8_t> tooWide = bmpOf(4097, {std::vector<std::uint32_t>(4097, 5)});
    for (const std::vector<std::uint8_t>* bmp : {&cut, &tooWide})
        EXPECT_EQ(platform::decodePreviewPicture(bmp->data(), std::uint32_t(bmp->size())).width, 0);
    const platform::PreviewPicture none = platform::decodePreviewPicture(nullptr, 0);
    EXPECT_TRUE(none.pixels.empty());

    std::vector<std::uint32_t> scaled(2 * 2);
    platform::scalePreviewPicture(none, 2, 2, scaled.data());
    EXPECT_EQ(scaled, std::vector<std::uint32_t>(4, platform::kPlainPreviewColour));
}

}  // namespace
