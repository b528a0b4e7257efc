// The preview's picture: the decoded BMP turned top row first, stretched to the window by nearest
// pixels, and the plain colour where there is no picture.

#include "platform/preview.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A decoded picture (rows bottom first, as the decoder gives them) of `rows` given top row first.
platform::BmpPicture pictureOf(int width, const std::vector<std::vector<std::uint32_t>>& rows) {
    platform::BmpPicture picture;
    picture.width = width;
    picture.height = int(rows.size());
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        for (const std::uint32_t rgb : *row)
            picture.rgb.insert(picture.rgb.end(),
                               {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)});
    return picture;
}

TEST(PreviewPicture, DecodedTopRowFirstAndStretchedByNearestPixels) {
    const platform::PreviewPicture picture =
        platform::previewPictureFrom(pictureOf(2, {{0x112233, 0x445566}, {0x778899, 0xAABBCC}}));
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

TEST(PreviewPicture, MissingShortOrHugePicturesGiveThePlainColour) {
    platform::BmpPicture cut = pictureOf(2, {{1, 2}, {3, 4}});
    cut.rgb.resize(5);
    const platform::BmpPicture tooWide = pictureOf(4097, {std::vector<std::uint32_t>(4097, 5)});
    for (const platform::BmpPicture& decoded : {cut, tooWide})
        EXPECT_EQ(platform::previewPictureFrom(decoded).width, 0);
    const platform::PreviewPicture none = platform::previewPictureFrom({});
    EXPECT_TRUE(none.pixels.empty());

    std::vector<std::uint32_t> scaled(2 * 2);
    platform::scalePreviewPicture(none, 2, 2, scaled.data());
    EXPECT_EQ(scaled, std::vector<std::uint32_t>(4, platform::kPlainPreviewColour));
}

}  // namespace
