// The media generator end to end: the tree it writes, the string table, the overlay pictures and
// the interface pictures, repeatability, stale files, and refusal of a broken string table.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include <jpeglib.h>

#include "mediagen/generator.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path freshTempDir(const std::string& tag) {
    const fs::path dir =
        fs::temp_directory_path() / ("mediagen_" + tag + "_" + std::to_string(std::random_device{}()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::map<std::string, std::vector<std::uint8_t>> allFiles(const fs::path& root) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = readBytes(entry.path());
    return files;
}

const std::string kContent = std::string(GLIMMERDALE_SOURCE_DIR) + "/content";

class MediagenTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new fs::path(freshTempDir("tree"));
        mediagen::GeneratorOptions options;
        options.outDir = root_->string();
        options.contentDir = kContent;
        options.contactSheet = (*root_ / "sheet.png").string();
        mediagen::generateMedia(options);
    }
    static void TearDownTestSuite() {
        fs::remove_all(*root_);
        delete root_;
        root_ = nullptr;
    }
    static fs::path path(const std::string& relative) { return *root_ / relative; }
    static fs::path* root_;
};
fs::path* MediagenTest::root_ = nullptr;

struct TgaHeader {
    int type, width, height, depth, descriptor;
    std::vector<std::uint8_t> alpha;  // top row first; empty for 24-bit
};

TgaHeader readTga(const fs::path& file) {
    const auto bytes = readBytes(file);
    TgaHeader header{};
    if (bytes.size() < 18) return header;
    header.type = bytes[2];
    header.width = bytes[12] | (bytes[13] << 8);
    header.height = bytes[14] | (bytes[15] << 8);
    header.depth = bytes[16];
    header.descriptor = bytes[17];
    if (header.type == 2 && header.depth == 32 &&
        bytes.size() == 18u + std::size_t(header.width) * header.height * 4) {
        header.alpha.resize(std::size_t(header.width) * header.height);
        for (int row = 0; row < header.height; ++row)
            for (int x = 0; x < header.width; ++x)
                header.alpha[std::size_t(header.height - 1 - row) * header.width + x] =
                    bytes[18 + (std::size_t(row) * header.width + x) * 4 + 3];
    }
    return header;
}

TEST_F(MediagenTest, StringTableReadsBackAsTheThirtyTwoTextsInOrder) {
    const auto bytes = readBytes(path("interface/Text/text.txt"));
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0xEF);
    EXPECT_EQ(bytes[1], 0xBB);
    EXPECT_EQ(bytes[2], 0xBF);
    const std::string text(bytes.begin() + 3, bytes.end());
    std::istringstream words(text);
    std::string word;
    ASSERT_TRUE(bool(words >> word));
    ASSERT_EQ(word[0], '#');
    std::vector<std::string> texts;
    std::string current;
    std::string last;
    while (words >> word) {
        last = word;
        if (word[0] == '#') {
            texts.push_back(current);
            current.clear();
        } else {
            current += " " + word;
        }
    }
    EXPECT_EQ(last, "#");
    const std::vector<std::string> expected = {
        " Options",
        " Video Mode Selection",
        " Sound Control",
        " Graphics",
        " Products",
        " Misc Options",
        " Use Desktop Settings",
        " Enable music",
        " Master volume:",
        " Gamma Control:",
        " Visit our official web-site for more great 3D screensavers",
        " Visit...",
        " About...",
        " Restore Defaults",
        " OK",
        " Cancel",
        " Show FPS",
        " Exit on mouse move",
        " Show time",
        " 24h style",
        " 12h style",
        " OK",
        " Glimmerdale",
        " Programming by",
        " 3D Models by",
        "",
        " Copyright (c) 2026 Vantorel. https://vantorel.example/glimmerdale",
        " All rights reserved",
        " Maren Holtby",
        " Ilse Varga",
        "",
        " About"};
    EXPECT_EQ(texts, expected);
    // The generator's own reading agrees.
    EXPECT_EQ(mediagen::stringTableTexts(std::string(bytes.begin(), bytes.end())), expected);
    // Each key on its own line, its text on the next.
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) all.push_back(line);
    ASSERT_GE(all.size(), 65u);
    for (std::size_t i = 0; i + 1 < 64; i += 2) {
        EXPECT_EQ(all[i][0], '#') << "line " << i + 1;
        EXPECT_TRUE(all[i + 1].empty() || all[i + 1][0] != '#') << "line " << i + 2;
    }
    EXPECT_EQ(all[64], "#");
}

TEST_F(MediagenTest, OverlayPicturesHaveTheirSizesAndAlpha) {
    const std::vector<std::string> glyphs = {"0", "1", "2", "3", "4", "5",     "6",    "7",
                                             "8", "9", "a", "m", "p", "colon", "point"};
    for (const std::string& name : glyphs) {
        const TgaHeader tga = readTga(path("main/Textures/tex_sym_" + name + ".tga"));
        EXPECT_EQ(tga.width, 64) << name;
        EXPECT_EQ(tga.height, 64) << name;
        ASSERT_EQ(tga.depth, 32) << name;
        ASSERT_FALSE(tga.alpha.empty()) << name;
        // The pen advances a little over half a quad, so the ink must stay in the middle columns.
        int left = 64, right = -1;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (tga.alpha[std::size_t(y) * 64 + x] > 96)
                    left = std::min(left, x), right = std::max(right, x);
        ASSERT_LE(left, right) << name << " has no ink";
        EXPECT_LE(right - left + 1, 36) << name;
        if (name == "point") {
            EXPECT_GT(left, 32) << "the point sits right of centre, after the glyph before it";
        } else {
            EXPECT_GE(left, 12) << name;
            EXPECT_LE(right, 51) << name;
            EXPECT_NEAR((left + right) / 2.0, 31.5, 3) << name;
        }
        // Corners are clear so neighbouring glyph quads never show a box.
        EXPECT_EQ(tga.alpha[0], 0) << name;
        EXPECT_EQ(tga.alpha[63 * 64 + 63], 0) << name;
    }
    const TgaHeader space = readTga(path("main/Textures/tex_sym_space.tga"));
    ASSERT_EQ(space.alpha.size(), 64u * 64);
    for (std::uint8_t a : space.alpha) ASSERT_EQ(a, 0);

    const std::vector<std::tuple<std::string, int, int>> labels = {
        {"tex_countdown", 256, 32}, {"tex_countdown2", 256, 32}, {"tex_mc", 256, 128}, {"tex_hny", 256, 128},
        {"tex_remaining", 128, 32}, {"tex_days", 64, 32},        {"tex_day", 64, 32},  {"tex_hours", 64, 32},
        {"tex_hour", 64, 32},       {"tex_mins", 64, 32},        {"tex_min", 64, 32},  {"tex_secs", 64, 32},
        {"tex_sec", 64, 32}};
    for (const auto& [name, width, height] : labels) {
        const TgaHeader tga = readTga(path("main/Textures/" + name + ".tga"));
        EXPECT_EQ(tga.width, width) << name;
        EXPECT_EQ(tga.height, height) << name;
        ASSERT_EQ(tga.depth, 32) << name;
        ASSERT_FALSE(tga.alpha.empty()) << name;
        EXPECT_EQ(tga.descriptor & 0x20, 0) << name;
        std::size_t opaque = 0, clear = 0;
        for (std::uint8_t a : tga.alpha) opaque += a > 200, clear += a == 0;
        // Lettering: a fair share of solid ink and plenty of see-through background.
        EXPECT_GT(opaque, tga.alpha.size() / 20) << name;
        EXPECT_GT(clear, tga.alpha.size() / 4) << name;
    }
}

TEST_F(MediagenTest, DefaultTextureIsAnOpaqueChecker) {
    const auto bytes = readBytes(path("main/Textures/tex_default.tga"));
    ASSERT_GE(bytes.size(), 18u);
    const int width = bytes[12] | (bytes[13] << 8), height = bytes[14] | (bytes[15] << 8);
    EXPECT_EQ(bytes[2], 2);
    EXPECT_EQ(bytes[16], 24);
    ASSERT_EQ(bytes.size(), 18u + std::size_t(width) * height * 3);
    // Two clearly different colours alternate along a row.
    std::set<std::uint32_t> colours;
    for (int x = 0; x < width; ++x) {
        const std::size_t at = 18 + std::size_t(x) * 3;
        colours.insert(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16);
    }
    EXPECT_EQ(colours.size(), 2u);
}

TEST_F(MediagenTest, InterfaceAndResourcePictures) {
    auto jpegSize = [](const std::vector<std::uint8_t>& b) {
        // Walk the markers to the start-of-frame segment.
        std::size_t at = 2;
        while (at + 9 < b.size()) {
            if (b[at] != 0xFF) return std::pair<int, int>{-1, -1};
            const int marker = b[at + 1];
            const int length = b[at + 2] << 8 | b[at + 3];
            if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
                return std::pair<int, int>{b[at + 7] << 8 | b[at + 8], b[at + 5] << 8 | b[at + 6]};
            at += 2 + std::size_t(length);
        }
        return std::pair<int, int>{-1, -1};
    };
    EXPECT_EQ(jpegSize(readBytes(path("interface/Notification/loading.jpg"))),
              (std::pair<int, int>{1024, 768}));
    const auto logo = jpegSize(readBytes(path("interface/Logo/4loader.jpg")));
    EXPECT_EQ(logo.first, 2 * logo.second);

    auto bmpHeader = [](const std::vector<std::uint8_t>& b) {
        auto i32 = [&](std::size_t at) {
            return int(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | unsigned(b[at + 3]) << 24);
        };
        return std::tuple<int, int, int>{i32(18), i32(22), b[28] | b[29] << 8};
    };
    const auto preview = readBytes(path("resources/BITMAP_144.bmp"));
    ASSERT_GT(preview.size(), 54u);
    EXPECT_EQ(preview[0], 'B');
    EXPECT_EQ(bmpHeader(preview), (std::tuple<int, int, int>{158, 117, 24}));
    EXPECT_EQ(bmpHeader(readBytes(path("resources/BITMAP_143.bmp"))),
              (std::tuple<int, int, int>{210, 151, 24}));
    EXPECT_TRUE(fs::exists(path("resources/BITMAP_142.bmp")));
    // The icon twice: in the executable (its windows) and beside it (the desktop entry).
    EXPECT_EQ(bmpHeader(readBytes(path("resources/ICON_135.bmp"))), (std::tuple<int, int, int>{48, 48, 24}));
    const auto icon = readBytes(path("desktop/glimmerdale.png"));
    ASSERT_GT(icon.size(), 24u);
    EXPECT_EQ(std::string(icon.begin() + 1, icon.begin() + 4), "PNG");
    EXPECT_EQ(icon[19], 48);  // IHDR width, big-endian
    EXPECT_EQ(icon[23], 48);  // IHDR height

    const auto sheet = readBytes(path("sheet.png"));
    ASSERT_GT(sheet.size(), 8u);
    EXPECT_EQ(sheet[1], 'P');
    EXPECT_TRUE(fs::exists(path("stamp")));
}

// Decodes a JPEG into rows of RGB, top row of the file first; empty on any error.
std::vector<std::uint8_t> decodeJpeg(const std::vector<std::uint8_t>& bytes, int& width, int& height) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    std::vector<std::uint8_t> pixels;
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && jpeg_start_decompress(&info) &&
        info.output_components == 3) {
        width = int(info.output_width);
        height = int(info.output_height);
        pixels.resize(std::size_t(width) * height * 3);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &pixels[std::size_t(info.output_scanline) * width * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return pixels;
}

TEST_F(MediagenTest, LogoIsStoredBottomRowFirstSoItsQuadShowsItUpright) {
    // The logo's quad puts the file's first row at the bottom of the screen; the gold star at the
    // top of the fir must therefore be stored near the end of the file.
    int width = 0, height = 0;
    const auto pixels = decodeJpeg(readBytes(path("interface/Logo/4loader.jpg")), width, height);
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 128);
    auto at = [&](int x, int y) { return &pixels[(std::size_t(y) * width + x) * 3]; };
    const std::uint8_t* star = at(52, 127 - 24);
    EXPECT_GT(star[0], 200);
    EXPECT_GT(star[1], 170);
    EXPECT_LT(star[2], 170);
    const std::uint8_t* sky = at(52, 24);
    EXPECT_FALSE(sky[0] > 200 && sky[1] > 170 && sky[2] < 170) << "the star is stored top row first";
    // The loading picture fills a quad with a negative half height, so it stays top row first:
    // the night sky is above, the snow below.
    const auto loading = decodeJpeg(readBytes(path("interface/Notification/loading.jpg")), width, height);
    ASSERT_EQ(width, 1024);
    const std::uint8_t* top = &loading[(std::size_t(5) * width + 300) * 3];
    const std::uint8_t* bottom = &loading[(std::size_t(760) * width + 300) * 3];
    EXPECT_LT(top[0] + top[1] + top[2], bottom[0] + bottom[1] + bottom[2]);
}

TEST(MediagenContent, BrokenOrMissingStringTableStopsTheRunWithoutAStamp) {
    const fs::path content = freshTempDir("content");
    const fs::path out = freshTempDir("out");
    mediagen::GeneratorOptions options;
    options.outDir = out.string();
    options.contentDir = content.string();
    try {
        mediagen::generateMedia(options);
        ADD_FAILURE() << "a missing string table must stop the run";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("text.txt"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(out / "stamp"));

    // One key lost: every later text would land on the wrong control.
    fs::create_directories(content / "interface");
    std::string table;
    {
        std::ifstream in(kContent + "/interface/text.txt", std::ios::binary);
        table.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::size_t key = table.find("#Show_FPS#\n");
    ASSERT_NE(key, std::string::npos);
    std::ofstream(content / "interface/text.txt", std::ios::binary)
        << table.substr(0, key) << table.substr(key + 11);
    EXPECT_THROW(mediagen::generateMedia(options), std::runtime_error);
    EXPECT_FALSE(fs::exists(out / "stamp"));
    fs::remove_all(content);
    fs::remove_all(out);
}

TEST(MediagenStringTable, WordsCollapseAndEmptyEntriesStay) {
    const std::string table = "\xEF\xBB\xBF#first\n  one\t two\n\n three\n#empty\n#last\nend #";
    EXPECT_EQ(mediagen::stringTableTexts(table), (std::vector<std::string>{" one two three", "", " end"}));
    EXPECT_TRUE(mediagen::stringTableTexts("").empty());
}

// The program the build runs: usage errors and bad inputs give a failing exit code and no stamp. A
// run over the same content again, with the string table's byte-order mark left out (the generator
// adds it) and stale files from an earlier run in its folder, writes the same bytes as the first run
// and leaves nothing stale behind.
TEST_F(MediagenTest, TheProgramGivesExitCodesAndTheSameBytesAgainWithoutStaleFiles) {
    const fs::path program = fs::path(GLIMMERDALE_BINARY_DIR) / "tools/mediagen/mediagen";
    if (!fs::exists(program)) GTEST_SKIP() << "mediagen is not built";
    const fs::path out = freshTempDir("program");
    auto run = [&](std::vector<std::string> arguments) {
        testsupport::ProcessRequest request;
        request.program = program.string();
        request.args = std::move(arguments);
        // A whole generation takes a minute or more on a loaded machine.
        return testsupport::runProcess(request, std::chrono::seconds(300)).exitCode;
    };
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"--out"}), 2);
    EXPECT_EQ(run({"--frobnicate", "x"}), 2);
    EXPECT_EQ(run({"--out", out.string(), "--content", (out / "missing").string()}), 1);
    EXPECT_FALSE(fs::exists(out / "stamp"));

    const fs::path content = freshTempDir("content_without_bom");
    fs::copy(kContent, content, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const auto table = readBytes(content / "interface/text.txt");
    ASSERT_GE(table.size(), 3u);
    ASSERT_EQ(table[0], 0xEF);
    std::ofstream(content / "interface/text.txt", std::ios::binary)
        .write(reinterpret_cast<const char*>(table.data() + 3), std::streamsize(table.size() - 3));
    fs::create_directories(out / "main/Textures");
    std::ofstream(out / "main/Textures/tex_renamed.tga") << "old";
    std::ofstream(out / "interface/old.txt") << "old";

    EXPECT_EQ(run({"--out", out.string(), "--content", content.string()}), 0);
    EXPECT_TRUE(fs::exists(out / "stamp"));
    EXPECT_FALSE(fs::exists(out / "main/Textures/tex_renamed.tga"));
    EXPECT_FALSE(fs::exists(out / "interface/old.txt"));
    EXPECT_EQ(readBytes(out / "interface/Text/text.txt"), table) << "the byte-order mark is written back";
    auto first = allFiles(*root_);
    first.erase("sheet.png");
    auto again = allFiles(out);
    again.erase("stamp");
    first.erase("stamp");
    ASSERT_EQ(first.size(), again.size());
    for (const auto& [name, bytes] : first) {
        const auto other = again.find(name);
        ASSERT_NE(other, again.end()) << name;
        EXPECT_TRUE(bytes == other->second) << name << " differs between two runs";
    }
    fs::remove_all(content);
    fs::remove_all(out);
}

}  // namespace
