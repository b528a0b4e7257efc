// BMP decoding through the platform layer: every bit depth and compression, both row orders,
// truncated and hostile files, and files written by ImageMagick where it is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "media/image_decoders.h"
#include "media/image_test_files.h"

using testfiles::appendBmpRow;
using testfiles::BmpLayout;
using testfiles::Bytes;
using testfiles::makeBmp;

namespace {

std::optional<ImageRecord> decode(const Bytes& file, DibError* error = nullptr) {
    return decodeDib(file.data(), file.size(), error);
}

// The reference picture of most cases: 3 x 2, bottom row red, green, blue; top row white, black,
// grey. Expected output is bottom row first.
const Bytes kExpected = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
const std::vector<std::uint32_t> kPalette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080};

BmpLayout paletteLayout(int bitCount, const std::vector<Bytes>& rowsBottomFirst) {
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.bitCount = bitCount;
    layout.palette = kPalette;
    if (bitCount == 1) layout.palette.resize(2);
    for (const Bytes& row : rowsBottomFirst) appendBmpRow(layout.bits, row);
    return layout;
}

}  // namespace

TEST(BmpDecoder, TwentyFourBitRowsComeOutBottomFirstWhicheverWayTheFileStoresThem) {
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    appendBmpRow(layout.bits, {0, 0, 255, 0, 255, 0, 255, 0, 0});        // bottom: B G R per pixel
    appendBmpRow(layout.bits, {255, 255, 255, 0, 0, 0, 128, 128, 128});  // top
    auto bottomUp = decode(makeBmp(layout));
    ASSERT_TRUE(bottomUp);
    EXPECT_EQ(bottomUp->components, 3);
    EXPECT_EQ(bottomUp->width, 3);
    EXPECT_EQ(bottomUp->height, 2);
    EXPECT_EQ(bottomUp->pixels, kExpected);

    BmpLayout topDown = layout;
    topDown.height = -2;
    topDown.bits.clear();
    appendBmpRow(topDown.bits, {255, 255, 255, 0, 0, 0, 128, 128, 128});
    appendBmpRow(topDown.bits, {0, 0, 255, 0, 255, 0, 255, 0, 0});
    auto flipped = decode(makeBmp(topDown));
    ASSERT_TRUE(flipped);
    EXPECT_EQ(flipped->height, 2);
    EXPECT_EQ(flipped->pixels, kExpected);

    BmpLayout core = layout;
    core.coreHeader = true;
    auto fromCore = decode(makeBmp(core));
    ASSERT_TRUE(fromCore);
    EXPECT_EQ(fromCore->pixels, kExpected);
}

TEST(BmpDecoder, PaletteDepthsAndRunLengthCompression) {
    auto eight = decode(makeBmp(paletteLayout(8, {{0, 1, 2}, {3, 4, 5}})));
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight->pixels, kExpected);

    auto four = decode(makeBmp(paletteLayout(4, {{0x01, 0x20}, {0x34, 0x50}})));
    ASSERT_TRUE(four);
    EXPECT_EQ(four->pixels, kExpected);

    // 1 bit: bottom row red, green, red; top row green, green, red.
    auto one = decode(makeBmp(paletteLayout(1, {{0x40}, {0xC0}})));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->pixels, (Bytes{255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0, 255, 0, 0}));

    BmpLayout rle8 = paletteLayout(8, {});
    rle8.compression = 1;
    // Bottom row: absolute run of 3 (padded to a word), end of line; top row: two encoded runs.
    rle8.bits = {0x00, 0x03, 0, 1, 2, 0x00, 0x00, 0x00, 0x02, 3, 0x01, 5, 0x00, 0x01};
    auto fromRle8 = decode(makeBmp(rle8));
    ASSERT_TRUE(fromRle8);
    EXPECT_EQ(fromRle8->pixels,
              (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 128, 128, 128}));

    BmpLayout rle4 = paletteLayout(4, {});
    rle4.compression = 2;
    // Bottom row: an encoded run of 3 alternating 0, 1; top row: absolute 3, 4, 5.
    rle4.bits = {0x03, 0x01, 0x00, 0x00, 0x00, 0x03, 0x34, 0x50, 0x00, 0x01};
    auto fromRle4 = decode(makeBmp(rle4));
    ASSERT_TRUE(fromRle4);
    EXPECT_EQ(fromRle4->pixels,
              (Bytes{255, 0, 0, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 128, 128, 128}));
}

TEST(BmpDecoder, SixteenAndThirtyTwoBitWithAndWithoutBitFields) {
    // 16 bit, default 5-5-5: one row of red, green, blue (little-endian words).
    BmpLayout fiveFiveFive;
    fiveFiveFive.width = 3;
    fiveFiveFive.bitCount = 16;
    appendBmpRow(fiveFiveFive.bits, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00});
    auto a = decode(makeBmp(fiveFiveFive));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->pixels, (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255}));

    BmpLayout fiveSixFive = fiveFiveFive;
    fiveSixFive.compression = 3;
    fiveSixFive.masks = {0xF800, 0x07E0, 0x001F};
    fiveSixFive.bits.clear();
    appendBmpRow(fiveSixFive.bits, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00});
    auto b = decode(makeBmp(fiveSixFive));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->pixels, (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255}));

    // 32 bit B G R X, and with bit fields in the order R in the low byte.
    BmpLayout bgrx;
    bgrx.width = 2;
    bgrx.bitCount = 32;
    bgrx.bits = {1, 2, 3, 0, 4, 5, 6, 0};
    auto c = decode(makeBmp(bgrx));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->pixels, (Bytes{3, 2, 1, 6, 5, 4}));

    BmpLayout rgbx = bgrx;
    rgbx.compression = 3;
    rgbx.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    auto d = decode(makeBmp(rgbx));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->pixels, (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(BmpDecoder, BadFilesFailWithTheirMessage) {
    DibError error = DibError::None;
    EXPECT_FALSE(decode(Bytes{'B', 'M'}, &error));
    EXPECT_EQ(error, DibError::UnknownFormat);
    EXPECT_STREQ(dibErrorText(error), "Unknown DIB file format.");
    EXPECT_STREQ(dibErrorText(DibError::ConversionFailed), "Image file conversion error.");
    EXPECT_STREQ(dibErrorText(DibError::OutOfMemory), "Out of memory.");

    Bytes notBmp = makeBmp(paletteLayout(8, {{0, 1, 2}, {3, 4, 5}}));
    notBmp[0] = 'X';
    EXPECT_FALSE(decode(notBmp, &error));
    EXPECT_EQ(error, DibError::UnknownFormat);

    // Every prefix of a good file is refused; a read past the prefix would trip ASan.
    for (const Bytes& file :
         {makeBmp(paletteLayout(8, {{0, 1, 2}, {3, 4, 5}})), makeBmp(paletteLayout(4, {{1}, {2}}))}) {
        ASSERT_TRUE(decode(file));
        for (std::size_t length = 0; length < file.size(); ++length) {
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_FALSE(decodeDib(prefix.data(), prefix.size(), &error)) << "length " << length;
        }
    }

    // A huge size claimed by a tiny run-length file is refused before anything is allocated.
    BmpLayout huge = paletteLayout(8, {});
    huge.compression = 1;
    huge.width = 1 << 20;
    huge.height = 1 << 20;
    huge.bits = {0x00, 0x01};
    EXPECT_FALSE(decode(makeBmp(huge), &error));
    EXPECT_EQ(error, DibError::OutOfMemory);

    BmpLayout noWidth = paletteLayout(8, {{0, 1, 2}, {3, 4, 5}});
    noWidth.width = 0;
    EXPECT_FALSE(decode(makeBmp(noWidth), &error));

    // Palette indices past the palette's end do not read outside it.
    BmpLayout outside = paletteLayout(8, {{250, 251, 252}, {253, 254, 255}});
    outside.palette.resize(2);
    auto result = decode(makeBmp(outside), &error);
    if (result) {
        EXPECT_EQ(result->pixels.size(), std::size_t(3 * 2 * 3));
    }
}

TEST(BmpDecoder, FilesWrittenByImageMagick) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick convert not installed";
    const std::string folder = ::testing::TempDir();
    // A 5 x 3 PPM with distinct colours per pixel (top row first in the PPM).
    const std::string ppm = folder + "gd_source.ppm";
    Bytes topFirst;
    {
        FILE* out = std::fopen(ppm.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fprintf(out, "P6\n5 3\n255\n");
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const std::uint8_t pixel[3] = {std::uint8_t(x * 60), std::uint8_t(y * 120),
                                               std::uint8_t(255 - x * 50)};
                std::fwrite(pixel, 1, 3, out);
                topFirst.insert(topFirst.end(), pixel, pixel + 3);
            }
        std::fclose(out);
    }
    Bytes bottomFirst;
    for (int y = 2; y >= 0; --y)
        bottomFirst.insert(bottomFirst.end(), topFirst.begin() + y * 15, topFirst.begin() + y * 15 + 15);

    struct Variant {
        const char* name;
        const char* options;
    };
    const Variant variants[] = {
        {"bmp3-24", "-type TrueColor BMP3:"},
        {"bmp4-32", "-type TrueColorAlpha -define bmp:format=bmp4 BMP:"},
        {"palette8", "-type Palette BMP3:"},
        {"rle8", "-type Palette -compress RLE BMP3:"},
        {"bmp2", "BMP2:"},
    };
    for (const Variant& variant : variants) {
        const std::string bmp = folder + "gd_" + variant.name + ".bmp";
        const std::string command = "convert " + ppm + " " + variant.options + bmp + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            ADD_FAILURE() << "convert failed for " << variant.name;
            continue;
        }
        DibError error = DibError::None;
        auto image = decode(testfiles::readWholeFile(bmp), &error);
        ASSERT_TRUE(image) << variant.name << ": " << dibErrorText(error);
        EXPECT_EQ(image->width, 5) << variant.name;
        EXPECT_EQ(image->height, 3) << variant.name;
        EXPECT_EQ(image->pixels, bottomFirst) << variant.name;
        std::remove(bmp.c_str());
    }
    std::remove(ppm.c_str());
}
