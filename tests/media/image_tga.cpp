// TGA: decoding every depth, run-length packets, row order and hostile input; the writer round trip.
#include <gtest/gtest.h>

#include "media/image_test_files.h"
#include "media/tga_file.h"

using testfiles::Bytes;
using testfiles::makeTga;

namespace {

std::optional<ImageRecord> decode(const Bytes& file) { return decodeTga(file.data(), file.size()); }

}  // namespace

TEST(TgaDecoder, TrueColourDepthsGiveRgbOrRgbaInFileRowOrder) {
    // 2 x 2, 24-bit, stored B G R: bottom row (file first) red, green; top row blue, white.
    const Bytes bgr = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    auto rgb = decode(makeTga(2, 2, 2, 24, bgr));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->components, 3);
    EXPECT_EQ(rgb->width, 2);
    EXPECT_EQ(rgb->height, 2);
    EXPECT_EQ(rgb->pixels, (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));

    // 32-bit keeps the alpha byte after R G B.
    const Bytes bgra = {10, 20, 30, 40, 50, 60, 70, 80};
    auto rgba = decode(makeTga(2, 2, 1, 32, bgra));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->components, 4);
    EXPECT_EQ(rgba->pixels, (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));

    // 16-bit 5-5-5 little-endian: R = (v >> 7) & 0xF8, G = (v >> 2) & 0xF8, B = (v << 3) & 0xFF;
    // the top (attribute) bit is dropped.
    Bytes packed;
    for (unsigned v : {0x7C00u, 0x03E0u, 0x001Fu, 0x8000u, 0xFFFFu, 0x4210u}) testfiles::putU16(packed, v);
    auto five = decode(makeTga(2, 6, 1, 16, packed));
    ASSERT_TRUE(five);
    EXPECT_EQ(five->components, 3);
    EXPECT_EQ(five->pixels,
              (Bytes{0xF8, 0, 0, 0, 0xF8, 0, 0, 0, 0xF8, 0, 0, 0, 0xF8, 0xF8, 0xF8, 0x80, 0x80, 0x80}));
}

TEST(TgaDecoder, OriginBitAndIdFieldDoNotChangeThePixels) {
    const Bytes bgr = {1, 2, 3, 4, 5, 6};  // two rows of one pixel
    auto bottomLeft = decode(makeTga(2, 1, 2, 24, bgr, 0x00));
    auto topLeft = decode(makeTga(2, 1, 2, 24, bgr, 0x20));
    auto withId = decode(makeTga(2, 1, 2, 24, bgr, 0x00, 7));
    ASSERT_TRUE(bottomLeft && topLeft && withId);
    EXPECT_EQ(bottomLeft->pixels, (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(topLeft->pixels, bottomLeft->pixels);
    EXPECT_EQ(withId->pixels, bottomLeft->pixels);
}

TEST(TgaDecoder, ColourMapInFrontOfTrueColourDataIsSkipped) {
    Bytes file = makeTga(2, 1, 1, 24, {});
    file[1] = 1;   // colour map present
    file[5] = 2;   // two entries
    file[7] = 24;  // of three bytes each
    file.insert(file.end(), {9, 9, 9, 9, 9, 9});
    file.insert(file.end(), {30, 20, 10});
    auto image = decode(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (Bytes{10, 20, 30}));
}

TEST(TgaDecoder, RunLengthPacketsDecodeAndAreCutAtTheEnd) {
    // 3 x 2: a run of 4 red, then a raw packet of 2 (green, blue).
    const Bytes packets = {0x83, 0, 0, 255, 0x01, 0, 255, 0, 255, 0, 0};
    auto image = decode(makeTga(10, 3, 2, 24, packets));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->components, 3);
    EXPECT_EQ(image->pixels, (Bytes{255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

    // A run of 128 into a 2 x 1 picture writes two pixels and stops.
    auto longRun = decode(makeTga(10, 2, 1, 24, {0xFF, 1, 2, 3}));
    ASSERT_TRUE(longRun);
    EXPECT_EQ(longRun->pixels, (Bytes{3, 2, 1, 3, 2, 1}));

    // A raw packet announcing 4 pixels into a 1 x 2 picture reads only the 2 that fit; the file
    // may end right after them.
    auto rawCut = decode(makeTga(10, 1, 2, 24, {0x03, 1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(rawCut);
    EXPECT_EQ(rawCut->pixels, (Bytes{3, 2, 1, 6, 5, 4}));

    // 32-bit runs keep alpha; 16-bit runs give R G B.
    auto rgba = decode(makeTga(10, 2, 1, 32, {0x81, 1, 2, 3, 4}));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->components, 4);
    EXPECT_EQ(rgba->pixels, (Bytes{3, 2, 1, 4, 3, 2, 1, 4}));
    auto rle16 = decode(makeTga(10, 2, 1, 16, {0x81, 0x00, 0x7C}));
    ASSERT_TRUE(rle16);
    EXPECT_EQ(rle16->components, 3);
    EXPECT_EQ(rle16->pixels, (Bytes{0xF8, 0, 0, 0xF8, 0, 0}));
}

TEST(TgaDecoder, RefusesUnsupportedAndEmptyPictures) {
    EXPECT_FALSE(decode(makeTga(2, 1, 1, 8, {7})));         // no grey or colour-mapped depth
    EXPECT_FALSE(decode(makeTga(10, 1, 1, 8, {0x80, 7})));  // not as run-length either
    EXPECT_FALSE(decode(makeTga(2, 0, 4, 24, {})));         // zero width
    EXPECT_FALSE(decode(makeTga(2, 4, 0, 24, {})));         // zero height
    EXPECT_FALSE(decodeTga(nullptr, 0));
}

TEST(TgaDecoder, TruncatedFilesAreRefusedAtEveryLength) {
    const Bytes raw = makeTga(2, 3, 3, 32, Bytes(3 * 3 * 4, 0x55), 0, 3);
    const Bytes rle = makeTga(10, 4, 4, 24, {0x02, 1,    2, 3, 4, 5,    6, 7, 8, 9, 0x84, 1, 1,
                                             1,    0x85, 2, 2, 2, 0x01, 3, 3, 3, 4, 4,    4});
    for (const Bytes* file : {&raw, &rle}) {
        ASSERT_TRUE(decode(*file)) << "the whole file decodes";
        for (std::size_t length = 0; length < file->size(); ++length) {
            // A copy of exactly `length` bytes, so a read past it is a heap overflow for ASan.
            const Bytes prefix(file->begin(), file->begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_FALSE(decodeTga(prefix.data(), prefix.size())) << "length " << length;
        }
    }
}

TEST(TgaDecoder, HugeClaimsInSmallFilesAreRefusedWithoutAllocating) {
    // 65535 x 65535 x 32 bits would be 16 GiB; a few bytes of packets cannot describe it.
    EXPECT_FALSE(decode(makeTga(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4})));
    EXPECT_FALSE(decode(makeTga(2, 65535, 65535, 24, {1, 2, 3})));
    // A picture over the pixel limit is refused even when the file really holds the run packets.
    EXPECT_FALSE(decode(makeTga(10, 65535, 2048, 24, Bytes(4 * 1024 * 1024, 0xFF))));
}

TEST(TgaWriter, WritesWhatTheDecoderGivesBackAndRefusesWhatItCannotWrite) {
    for (int components : {3, 4}) {
        for (bool runLength : {false, true}) {
            // 5 x 3 with a run of equal pixels at the start of every row and distinct ones after it.
            ImageRecord record;
            record.components = components;
            record.width = 5;
            record.height = 3;
            for (int i = 0; i < 15; ++i)
                for (int c = 0; c < components; ++c)
                    record.pixels.push_back(std::uint8_t(i % 5 < 3 ? 40 + c : i * 16 + c));
            const Bytes file = encodeTga(record, runLength);
            EXPECT_EQ(file[2], runLength ? 10 : 2);
            EXPECT_EQ(file[16], components * 8);
            if (!runLength) {
                EXPECT_EQ(file.size(), 18u + 15u * std::size_t(components));
            }
            const auto back = decode(file);
            ASSERT_TRUE(back) << components << (runLength ? " run-length" : " raw");
            EXPECT_EQ(back->components, components);
            EXPECT_EQ(back->width, 5);
            EXPECT_EQ(back->height, 3);
            EXPECT_EQ(back->pixels, record.pixels) << components << (runLength ? " run-length" : " raw");
        }
    }
    ImageRecord good;
    good.components = 3;
    good.width = good.height = 1;
    good.pixels = {1, 2, 3};
    ImageRecord twoComponents = good, shortPixels = good, empty = good, tooWide = good;
    twoComponents.components = 2;
    shortPixels.pixels.pop_back();
    empty.width = 0;
    tooWide.width = 70000;
    tooWide.pixels.assign(70000 * 3, 0);
    for (const ImageRecord* bad : {&twoComponents, &shortPixels, &empty, &tooWide})
        EXPECT_THROW(encodeTga(*bad, false), std::invalid_argument);
}
