// The media pack over two archives, the Base probes, and round trips through the packer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "media/media_pack.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> pack(const std::vector<ArchiveMember>& members) {
    std::vector<std::uint8_t> archive;
    std::string error;
    EXPECT_TRUE(buildArchive(members, archive, error)) << error;
    return archive;
}

ArchiveMember file(const std::string& name, const std::string& text) {
    ArchiveMember m;
    m.name = name;
    m.data.assign(text.begin(), text.end());
    return m;
}

ArchiveMember folder(const std::string& name) {
    ArchiveMember m;
    m.name = name;
    m.isDirectory = true;
    return m;
}

MemoryArchive view(const std::vector<std::uint8_t>& bytes) {
    return MemoryArchive{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
}

std::string contents(FileBuffer buffer) {
    ScopedFileBuffer owned(buffer);
    if (!owned.found()) return "<miss>";
    return std::string(reinterpret_cast<const char*>(owned.data()), owned.size());
}

TEST(MediaPack, ArchivesOutsideTheExecutableSurviveReadsAndPageRelease) {
    // Reading hands the member's archive pages back only for the executable's own blobs; a copy
    // of an archive on the heap would lose its bytes, so every member reads the same each time.
    std::mt19937 random(7);
    std::vector<ArchiveMember> members;
    for (int i = 0; i < 4; ++i) {
        ArchiveMember m;
        m.name = "Big\\member" + std::to_string(i) + ".bin";
        m.data.resize(3 * 4096 + 123 * i);
        for (auto& byte : m.data) byte = static_cast<std::uint8_t>(random());
        members.push_back(m);
    }
    const auto main = pack(members);
    const auto before = main;
    MediaPack mediaPack;
    mediaPack.open(view(main), MemoryArchive{});
    for (int round = 0; round < 2; ++round) {
        for (const ArchiveMember& m : members) {
            ScopedFileBuffer read(mediaPack.readFile(m.name.c_str()));
            ASSERT_TRUE(read.found()) << m.name << " round " << round;
            EXPECT_TRUE(std::equal(m.data.begin(), m.data.end(), read.data())) << m.name;
        }
        mediaPack.releaseResidentPages();
    }
    EXPECT_EQ(main, before);
}

TEST(MediaPack, MainArchiveFirstThenInterface) {
    const auto main =
        pack({folder("Textures"), file("Textures\\shared.tga", "from main"), file("Models\\fir.BSM", "fir")});
    const auto interface =
        pack({folder("Textures"), file("Textures\\shared.tga", "from interface"),
              file("Text\\text.txt", "strings"), file("Notification\\loading.jpg", "jpg")});
    MediaPack mediaPack;
    mediaPack.open(view(main), view(interface));
    EXPECT_EQ(contents(mediaPack.readFile("Textures/shared.tga")), "from main");
    EXPECT_EQ(contents(mediaPack.readFile("models/FIR.bsm")), "fir");
    EXPECT_EQ(contents(mediaPack.readFile("Text/text.txt")), "strings");
    EXPECT_EQ(contents(mediaPack.readFile("Notification\\loading.jpg")), "jpg");
    EXPECT_EQ(contents(mediaPack.readFile("Textures")), "");
    EXPECT_EQ(contents(mediaPack.readFile("Music/music.ogg")), "<miss>");

    // Swapping the archives swaps which copy wins.
    mediaPack.open(view(interface), view(main));
    EXPECT_EQ(contents(mediaPack.readFile("Textures/shared.tga")), "from interface");
}

TEST(MediaPack, DamagedMemberInTheMainArchiveFallsBackToTheInterfaceArchive) {
    auto main = pack({file("Text\\text.txt", "damaged copy")});
    main.back() ^= 0xFF;  // the last byte of the member's data
    const auto interface = pack({file("Text\\text.txt", "good copy")});
    MediaPack mediaPack;
    mediaPack.open(view(main), view(interface));
    EXPECT_EQ(contents(mediaPack.readFile("Text/text.txt")), "good copy");
}

TEST(MediaPack, EmptyArchivesMissEverything) {
    MediaPack mediaPack;
    EXPECT_EQ(contents(mediaPack.readFile("Text/text.txt")), "<miss>");
    mediaPack.open(MemoryArchive{}, MemoryArchive{});
    EXPECT_EQ(contents(mediaPack.readFile("")), "<miss>");
}

TEST(MediaPack, PackerRoundTripOf229Members) {
    std::mt19937 random(229);
    std::vector<ArchiveMember> members;
    members.push_back(folder("Models"));
    members.push_back(folder("Models\\Deep"));
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes.push_back(static_cast<char>(b));
    members.push_back(file("Models\\Deep\\all_bytes.bin", allBytes));
    members.push_back(file("Models\\empty.bin", ""));
    while (members.size() < 229) {
        std::string text(random() % 5000, '\0');
        for (char& c : text) c = static_cast<char>(random());
        members.push_back(file("Models\\m" + std::to_string(members.size()) + ".bin", text));
    }
    const auto archive = pack(members);
    for (const ArchiveMember& m : members) {
        ScopedFileBuffer read(extractMember(view(archive), m.name.c_str(), ""));
        ASSERT_TRUE(read.found()) << m.name;
        ASSERT_EQ(read.size(), m.isDirectory ? 0u : m.data.size()) << m.name;
        EXPECT_TRUE(std::equal(m.data.begin(), m.data.end(), read.data())) << m.name;
    }
}

// Runs in a fresh working directory with the log pointed at a file there; restores both afterwards.
class BaseProbe : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("glimmerdale-probe-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        fs::current_path(dir_);
        theLog().open((dir_ / "Log.txt").string());
    }
    void TearDown() override {
        theLog().close();
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }
    std::string logText() {
        theLog().close();
        std::ifstream in(dir_ / "Log.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void touch(const std::string& path) { std::ofstream(dir_ / path) << "ignored"; }

    fs::path previous_;
    fs::path dir_;
};

TEST_F(BaseProbe, BothMissingLogsBothLinesInOrder) {
    probeBaseFiles();
    EXPECT_EQ(logText(), "Data.pak not found\nBase.rar not found\n");
}

TEST_F(BaseProbe, PresentFilesOnlyChangeTheLog) {
    fs::create_directory(dir_ / "Base");
    touch("Base/Data.pak");
    MediaPack pack;
    initMediaPack(pack);
    EXPECT_EQ(logText(), "Base.rar not found\n");
    // The embedded table of the test program is empty: the files on disk are never a source.
    EXPECT_EQ(contents(pack.readFile("Base/Data.pak")), "<miss>");
    EXPECT_EQ(pack.mainArchive().data, nullptr);
    EXPECT_EQ(pack.interfaceArchive().size, 0u);
}

TEST_F(BaseProbe, FolderInPlaceOfAFileCountsAsMissing) {
    fs::create_directories(dir_ / "Base" / "Data.pak");
    touch("Base/Base.rar");
    probeBaseFiles();
    EXPECT_EQ(logText(), "Data.pak not found\n");
}

}  // namespace
