// The contact sheet tool: the sheet it writes from a few small pictures, read back through the tools'
// PNG reader.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "contact_sheet/contact_sheet.h"
#include "pictures/pictures.h"

namespace fs = std::filesystem;

namespace {

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

TEST(ContactSheetTool, LaysPicturesOutInLabelledCells) {
    const fs::path dir = freshTempDir();
    const pictures::Rgba red{220, 30, 30, 255}, green{30, 200, 40, 255}, blue{40, 60, 230, 255};
    writeFile(dir / "a.png", pictures::encodePng(pictures::Image(64, 48, red)));
    writeFile(dir / "b.png", pictures::encodePng(pictures::Image(32, 24, green)));
    writeFile(dir / "c.png", pictures::encodePng(pictures::Image(48, 96, blue)));  // tall: pillarboxed
    const fs::path sheetPath = dir / "sheet.png";

    std::ostringstream errors;
    const int result = contactsheet::runContactSheet(
        {"--out", sheetPath.string(), "--columns", "2", (dir / "a.png").string(), "camera 0 start",
         (dir / "b.png").string(), "fir 90", (dir / "c.png").string(), "candle close-up"},
        errors);
    ASSERT_EQ(result, 0) << errors.str();
    pictures::Image sheet;
    std::string error;
    ASSERT_TRUE(pictures::readPngFile(sheetPath.string(), sheet, error)) << error;

    const contactsheet::SheetLayout layout;  // the defaults, with two columns
    ASSERT_EQ(sheet.width, layout.margin + 2 * (layout.boxWidth + layout.margin));
    ASSERT_EQ(sheet.height, layout.margin + 2 * (layout.boxHeight + layout.labelHeight + layout.margin));

    contactsheet::SheetLayout two = layout;
    two.columns = 2;
    const pictures::Rgba colours[3] = {red, green, blue};
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
    EXPECT_EQ(sheet.at(empty.x + 100, empty.y + 100), (pictures::Rgba{0x20, 0x21, 0x24, 255}));
    fs::remove_all(dir);
}

TEST(ContactSheetTool, MarksAMissingPictureAndSaysSo) {
    const fs::path dir = freshTempDir();
    writeFile(dir / "ok.png",
              pictures::encodePng(pictures::Image(40, 30, pictures::Rgba{200, 200, 200, 255})));
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
    pictures::Image sheet;
    std::string error;
    ASSERT_TRUE(pictures::readPngFile(sheetPath.string(), sheet, error)) << error;
    const contactsheet::CellOrigin missing = contactsheet::cellOrigin(contactsheet::SheetLayout{}, 1);
    EXPECT_EQ(sheet.at(missing.x + 3, missing.y + 3), (pictures::Rgba{0x5C, 0x1A, 0x14, 255}));

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
