// The contact sheet tool: its PNG reader (row filters, damaged files) and the sheet it writes from a
// few small pictures, read back through the same reader.

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "formats/png.h"
#include "contact_sheet/png_reader.h"
#include "contact_sheet/contact_sheet.h"

namespace fs = std::filesystem;

namespace {

void putBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void putChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    putBigEndian32(out, std::uint32_t(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBigEndian32(out, std::uint32_t(crc32(crc32(0, nullptr, 0), typed.data(), uInt(typed.size()))));
}

// A PNG of the given colour type from raw scanlines (each with its filter byte already in front).
std::vector<std::uint8_t> pngFromScanlines(int width, int height, int colourType,
                                           const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBigEndian32(header, std::uint32_t(width));
    putBigEndian32(header, std::uint32_t(height));
    header.insert(header.end(), {8, std::uint8_t(colourType), 0, 0, 0});
    putChunk(file, "IHDR", header);
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> packed(size);
    compress(packed.data(), &size, raw.data(), uLong(raw.size()));
    packed.resize(size);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", {});
    return file;
}

fs::path freshTempDir() {
    const fs::path dir =
        fs::temp_directory_path() / ("contact_sheet_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    return dir;
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

TEST(ContactSheetPngReader, UndoesEveryRowFilter) {
    // Grey 3 × 5; each row uses one filter on the same bytes, decoded by hand below.
    const std::vector<std::uint8_t> raw = {
        0, 10, 20, 30,  // none:   10 20 30
        1, 5,  5,  5,   // sub:    5 10 15
        2, 1,  2,  3,   // up:     6 12 18
        3, 4,  4,  4,   // average (left + up) / 2: 4+3=7, 4+(7+12)/2=13, 4+(13+18)/2=19
        4, 1,  1,  1,   // paeth: 8 14 20, worked out below
    };
    formats::Image image;
    std::string error;
    ASSERT_TRUE(contactsheet::decodePng(pngFromScanlines(3, 5, 0, raw), image, error)) << error;
    const int expected[5][3] = {{10, 20, 30}, {5, 10, 15}, {6, 12, 18}, {7, 13, 19}, {8, 14, 20}};
    // Paeth row: x0 predicts up (7); x1: left 8, up 13, up-left 7 → estimate 14, nearest up 13 → 14;
    // x2: left 14, up 19, up-left 13 → estimate 20, nearest up 19 → 20.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.at(x, y).r, expected[y][x]) << x << "," << y;
            EXPECT_EQ(image.at(x, y).a, 255);
        }
}

TEST(ContactSheetPngReader, ReadsRgbAndRgbaAsWritten) {
    formats::Image source(4, 3, formats::Rgba{12, 34, 56, 78});
    source.at(3, 2) = formats::Rgba{200, 100, 50, 255};
    formats::Image read;
    std::string error;
    ASSERT_TRUE(contactsheet::decodePng(formats::encodePng(source), read, error)) << error;
    ASSERT_EQ(read.width, 4);
    ASSERT_EQ(read.height, 3);
    EXPECT_TRUE(read.pixels == source.pixels);

    // RGB, two pixels, the sub filter working per channel.
    const std::vector<std::uint8_t> raw = {1, 100, 50, 25, 1, 2, 3};
    ASSERT_TRUE(contactsheet::decodePng(pngFromScanlines(2, 1, 2, raw), read, error)) << error;
    EXPECT_EQ(read.at(1, 0), (formats::Rgba{101, 52, 28, 255}));
}

TEST(ContactSheetPngReader, RefusesDamagedFilesWithAReason) {
    const std::vector<std::uint8_t> good =
        formats::encodePng(formats::Image(8, 8, formats::Rgba{1, 2, 3, 4}));
    formats::Image image;
    std::string error;

    std::vector<std::uint8_t> cut(good.begin(), good.end() - 20);
    EXPECT_FALSE(contactsheet::decodePng(cut, image, error));
    EXPECT_FALSE(error.empty());

    std::vector<std::uint8_t> flipped = good;
    flipped[40] ^= 0xFF;  // inside the pixel data: the chunk checksum no longer matches
    EXPECT_FALSE(contactsheet::decodePng(flipped, image, error));
    EXPECT_EQ(error, "chunk checksum wrong");

    EXPECT_FALSE(contactsheet::decodePng({}, image, error));
    EXPECT_EQ(error, "not a PNG file");

    // A header promising 2 × 2 with one row of data, and one asking for a huge picture.
    EXPECT_FALSE(contactsheet::decodePng(pngFromScanlines(2, 2, 0, {0, 1, 2}), image, error));
    EXPECT_EQ(error, "pixel data shorter than the picture");
    EXPECT_FALSE(contactsheet::decodePng(pngFromScanlines(2, 1, 0, {0, 1, 2, 0, 3, 4}), image, error));
    EXPECT_EQ(error, "pixel data longer than the picture");
    EXPECT_FALSE(contactsheet::decodePng(pngFromScanlines(100000, 1, 0, {0}), image, error));
    EXPECT_EQ(error, "picture size out of range");
    EXPECT_FALSE(contactsheet::decodePng(pngFromScanlines(1, 1, 0, {7, 1}), image, error));
    EXPECT_EQ(error, "unknown row filter");
}

TEST(ContactSheetTool, LaysPicturesOutInLabelledCells) {
    const fs::path dir = freshTempDir();
    const formats::Rgba red{220, 30, 30, 255}, green{30, 200, 40, 255}, blue{40, 60, 230, 255};
    writeFile(dir / "a.png", formats::encodePng(formats::Image(64, 48, red)));
    writeFile(dir / "b.png", formats::encodePng(formats::Image(32, 24, green)));
    writeFile(dir / "c.png", formats::encodePng(formats::Image(48, 96, blue)));  // tall: pillarboxed
    const fs::path sheetPath = dir / "sheet.png";

    std::ostringstream errors;
    const int result = contactsheet::runContactSheet(
        {"--out", sheetPath.string(), "--columns", "2", (dir / "a.png").string(), "camera 0 start",
         (dir / "b.png").string(), "fir 90", (dir / "c.png").string(), "candle close-up"},
        errors);
    ASSERT_EQ(result, 0) << errors.str();
    formats::Image sheet;
    std::string error;
    ASSERT_TRUE(contactsheet::readPngFile(sheetPath.string(), sheet, error)) << error;

    const contactsheet::SheetLayout layout;  // the defaults, with two columns
    ASSERT_EQ(sheet.width, layout.margin + 2 * (layout.boxWidth + layout.margin));
    ASSERT_EQ(sheet.height, layout.margin + 2 * (layout.boxHeight + layout.labelHeight + layout.margin));

    contactsheet::SheetLayout two = layout;
    two.columns = 2;
    const formats::Rgba colours[3] = {red, green, blue};
    for (int i = 0; i < 3; ++i) {
        const contactsheet::CellOrigin o = contactsheet::cellOrigin(two, i);
        EXPECT_EQ(sheet.at(o.x + layout.boxWidth / 2, o.y + layout.boxHeight / 2), colours[i])
            << "cell " << i;
        EXPECT_EQ(sheet.at(o.x + 2, o.y + 2) == colours[i], i != 2)
            << "cell " << i;  // blue does not reach the side
        // The label row holds light ink.
        int ink = 0;
        for (int y = o.y + layout.boxHeight; y < o.y + layout.boxHeight + layout.labelHeight; ++y)
            for (int x = o.x; x < o.x + layout.boxWidth; ++x) ink += sheet.at(x, y).g > 160;
        EXPECT_GT(ink, 20) << "cell " << i;
    }
    // The fourth cell is empty ground.
    const contactsheet::CellOrigin empty = contactsheet::cellOrigin(two, 3);
    EXPECT_EQ(sheet.at(empty.x + 100, empty.y + 100), (formats::Rgba{0x20, 0x21, 0x24, 255}));
    fs::remove_all(dir);
}

TEST(ContactSheetTool, MarksAMissingPictureAndSaysSo) {
    const fs::path dir = freshTempDir();
    writeFile(dir / "ok.png", formats::encodePng(formats::Image(40, 30, formats::Rgba{200, 200, 200, 255})));
    writeFile(dir / "broken.png", {0x89, 'P', 'N', 'G'});
    const fs::path sheetPath = dir / "sheet.png";
    std::ostringstream errors;
    EXPECT_EQ(contactsheet::runContactSheet(
                  {"--out", sheetPath.string(), (dir / "ok.png").string(), "ok",
                   (dir / "broken.png").string(), "broken", (dir / "none.png").string(), "none"},
                  errors),
              1);
    EXPECT_NE(errors.str().find("broken.png: not a PNG file"), std::string::npos) << errors.str();
    EXPECT_NE(errors.str().find("cannot open"), std::string::npos) << errors.str();
    formats::Image sheet;
    std::string error;
    ASSERT_TRUE(contactsheet::readPngFile(sheetPath.string(), sheet, error)) << error;
    const contactsheet::CellOrigin missing = contactsheet::cellOrigin(contactsheet::SheetLayout{}, 1);
    EXPECT_EQ(sheet.at(missing.x + 3, missing.y + 3), (formats::Rgba{0x5C, 0x1A, 0x14, 255}));

    std::ostringstream usage;
    EXPECT_EQ(contactsheet::runContactSheet({"--out", sheetPath.string(), "only-a-file.png"}, usage), 2);
    EXPECT_EQ(
        contactsheet::runContactSheet({"--out", sheetPath.string(), "--columns", "0", "a.png", "a"}, usage),
        2);
    EXPECT_EQ(contactsheet::runContactSheet(
                  {"--out", (dir / "no" / "dir.png").string(), (dir / "ok.png").string(), "ok"}, usage),
              2);
    fs::remove_all(dir);
}
