// The archive packer: its layout, repeatability and errors, and independent readers (7z, bsdtar)
// accepting what it writes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "media/archive.h"
#include "media/crc32.h"
#include "rarpack/rarpack.h"

namespace fs = std::filesystem;

namespace {

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[4096];
    std::size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, got);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool haveTool(const std::string& tool) { return run("command -v " + tool).exitCode == 0; }

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::uint16_t at16(const std::vector<std::uint8_t>& b, std::size_t i) {
    return static_cast<std::uint16_t>(b[i] | (b[i + 1] << 8));
}
std::uint32_t at32(const std::vector<std::uint8_t>& b, std::size_t i) {
    return at16(b, i) | (static_cast<std::uint32_t>(at16(b, i + 2)) << 16);
}

class Rarpack : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("glimmerdale-rarpack-" + std::to_string(std::random_device{}()));
        source_ = dir_ / "source";
        fs::create_directories(source_ / "Empty");
        std::string binary;
        std::mt19937 random(7);
        for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>(random()));
        writeBytes(source_ / "Models" / "fir.BSM", binary);
        writeBytes(source_ / "Models" / "Deep" / "zero.bin", "");
        writeBytes(source_ / "Text" / "text.txt", "Line one\r\nLine two\r\n");
        writeBytes(source_ / "Textures" / "tex_default.tga", std::string("\0\x01\x02\xff", 4));
    }
    void TearDown() override { fs::remove_all(dir_); }

    int pack(const fs::path& folder, const fs::path& output, std::string* message = nullptr) {
        const std::string folderText = folder.string();
        const std::string outputText = output.string();
        const char* argv[] = {"rarpack", folderText.c_str(), outputText.c_str()};
        std::ostringstream out, err;
        const int code = runRarpack(3, argv, out, err);
        if (message) *message = err.str();
        return code;
    }

    fs::path dir_;
    fs::path source_;
};

TEST_F(Rarpack, HeadersCarryTheStoredMemberFieldsAndCorrectCrcs) {
    const fs::path archivePath = dir_ / "out.rar";
    ASSERT_EQ(pack(source_, archivePath), 0);
    const auto bytes = readBytes(archivePath);
    ASSERT_GE(bytes.size(), 20u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 7), std::string("Rar!\x1a\x07\0", 7));
    EXPECT_EQ(bytes[9], 0x73);
    EXPECT_EQ(at16(bytes, 7), computeCrc32(bytes.data() + 9, 11) & 0xFFFF);

    std::vector<std::string> names;
    for (std::size_t p = 20; p < bytes.size();) {
        ASSERT_LE(p + 32, bytes.size());
        const std::uint16_t flags = at16(bytes, p + 3);
        const std::uint16_t headSize = at16(bytes, p + 5);
        const std::uint32_t packSize = at32(bytes, p + 7);
        const std::string name(bytes.begin() + p + 32, bytes.begin() + p + 32 + at16(bytes, p + 26));
        names.push_back(name);
        EXPECT_EQ(bytes[p + 2], 0x74);
        EXPECT_EQ(flags, name == "Empty" || name == "Models" || name == "Models\\Deep" || name == "Text" ||
                                 name == "Textures"
                             ? 0x80E0
                             : 0x8080)
            << name;
        EXPECT_EQ(headSize, 32 + name.size());
        EXPECT_EQ(packSize, at32(bytes, p + 11));
        EXPECT_EQ(bytes[p + 15], 2) << "HOST_OS";
        EXPECT_EQ(bytes[p + 24], 20) << "UNP_VER";
        EXPECT_EQ(bytes[p + 25], 0x30) << "METHOD";
        EXPECT_EQ(at16(bytes, p), computeCrc32(bytes.data() + p + 2, headSize - 2) & 0xFFFF) << name;
        EXPECT_EQ(at32(bytes, p + 16), computeCrc32(bytes.data() + p + headSize, packSize)) << name;
        p += headSize + packSize;
    }
    // Sorted by bytes, each folder's entry before its contents.
    const std::vector<std::string> expected = {
        "Empty", "Models",         "Models\\Deep", "Models\\Deep\\zero.bin",   "Models\\fir.BSM",
        "Text",  "Text\\text.txt", "Textures",     "Textures\\tex_default.tga"};
    EXPECT_EQ(names, expected);
}

TEST_F(Rarpack, SameFolderGivesTheSameBytes) {
    ASSERT_EQ(pack(source_, dir_ / "a.rar"), 0);
    fs::last_write_time(source_ / "Text" / "text.txt",
                        fs::file_time_type::clock::now() - std::chrono::hours(50));
    ASSERT_EQ(pack(source_, dir_ / "b.rar"), 0);
    EXPECT_EQ(readBytes(dir_ / "a.rar"), readBytes(dir_ / "b.rar"));
}

TEST_F(Rarpack, ErrorsGiveAMessageAndNoOutput) {
    std::string message;
    EXPECT_EQ(pack(dir_ / "no-such-folder", dir_ / "x.rar", &message), 1);
    EXPECT_NE(message.find("folder not found"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(dir_ / "x.rar"));

    EXPECT_EQ(pack(source_ / "Text" / "text.txt", dir_ / "x.rar", &message), 1);
    EXPECT_NE(message.find("not a folder"), std::string::npos) << message;

    EXPECT_EQ(pack(source_, dir_ / "missing-dir" / "x.rar", &message), 1);
    EXPECT_NE(message.find("cannot create"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(dir_ / "missing-dir"));

    // The output is a folder: renaming over it fails, and neither it nor a partial file is left changed.
    fs::create_directories(dir_ / "taken.rar");
    EXPECT_EQ(pack(source_, dir_ / "taken.rar", &message), 1);
    EXPECT_TRUE(fs::is_directory(dir_ / "taken.rar"));
    EXPECT_FALSE(fs::exists(dir_ / "taken.rar.partial"));

    const char* tooFew[] = {"rarpack", "only-one"};
    std::ostringstream out, err;
    EXPECT_EQ(runRarpack(2, tooFew, out, err), 2);
    EXPECT_NE(err.str().find("usage: rarpack FOLDER OUT.rar"), std::string::npos);
}

TEST_F(Rarpack, FailedRunKeepsTheEarlierArchive) {
    ASSERT_EQ(pack(source_, dir_ / "keep.rar"), 0);
    const auto before = readBytes(dir_ / "keep.rar");
    // Each part fits the file system; the whole archive name does not fit the archive.
    writeBytes(source_ / "Bad" / std::string(200, 'n') / std::string(100, 'm'),
               "name too long for the archive");
    std::string message;
    EXPECT_EQ(pack(source_, dir_ / "keep.rar", &message), 1);
    EXPECT_NE(message.find("longer than 259"), std::string::npos) << message;
    EXPECT_EQ(readBytes(dir_ / "keep.rar"), before);
}

TEST_F(Rarpack, SevenZipTestsBothCrcs) {
    if (!haveTool("7z")) GTEST_SKIP() << "7z (p7zip-full) not installed";
    const fs::path archivePath = dir_ / "out.rar";
    ASSERT_EQ(pack(source_, archivePath), 0);
    const CommandResult good = run("7z t " + quoted(archivePath));
    EXPECT_EQ(good.exitCode, 0) << good.output;
    EXPECT_NE(good.output.find("Everything is Ok"), std::string::npos) << good.output;
    EXPECT_NE(good.output.find("Files: 4"), std::string::npos) << good.output;
    EXPECT_NE(good.output.find("Folders: 5"), std::string::npos) << good.output;

    // 7z really checks: a flipped data byte and a flipped header byte both fail.
    auto bytes = readBytes(archivePath);
    auto damagedData = bytes;
    damagedData.back() ^= 0x01;
    std::ofstream(dir_ / "data.rar", std::ios::binary)
        .write(reinterpret_cast<const char*>(damagedData.data()),
               static_cast<std::streamsize>(damagedData.size()));
    EXPECT_NE(run("7z t " + quoted(dir_ / "data.rar")).exitCode, 0);
    auto damagedHeader = bytes;
    damagedHeader[20 + 20] ^= 0x01;  // FTIME of the first member: covered by HEAD_CRC only
    std::ofstream(dir_ / "head.rar", std::ios::binary)
        .write(reinterpret_cast<const char*>(damagedHeader.data()),
               static_cast<std::streamsize>(damagedHeader.size()));
    EXPECT_NE(run("7z t " + quoted(dir_ / "head.rar")).exitCode, 0);
}

TEST_F(Rarpack, BsdtarListsAndExtractsByteForByte) {
    if (!haveTool("bsdtar")) GTEST_SKIP() << "bsdtar (libarchive-tools) not installed";
    const fs::path archivePath = dir_ / "out.rar";
    ASSERT_EQ(pack(source_, archivePath), 0);
    const CommandResult list = run("bsdtar -tf " + quoted(archivePath));
    ASSERT_EQ(list.exitCode, 0) << list.output;
    for (const char* name :
         {"Models/fir.BSM", "Models/Deep/zero.bin", "Text/text.txt", "Textures/tex_default.tga", "Empty"}) {
        EXPECT_NE(list.output.find(name), std::string::npos) << name << " in\n" << list.output;
    }

    const fs::path out = dir_ / "extracted";
    fs::create_directories(out);
    const CommandResult extract = run("bsdtar -xf " + quoted(archivePath) + " -C " + quoted(out));
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    std::size_t compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(source_)) {
        const fs::path twin = out / fs::relative(entry.path(), source_);
        if (entry.is_directory()) {
            EXPECT_TRUE(fs::is_directory(twin)) << twin;
        } else {
            EXPECT_EQ(readBytes(entry.path()), readBytes(twin)) << twin;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 4u);
}

}  // namespace
