// The archive reader against hand-made byte sequences (hits, and every way a damaged archive must
// miss), and the writer's name rules. The packer's byte layout is checked in tests/tools/rarpack_test.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "media/archive.h"
#include "media/archive_test_bytes.h"

namespace {

// Reads a member from an exact-size heap copy of `bytes`, so that AddressSanitizer sees any read past
// the end. A miss must be a null block with size 0.
std::optional<std::string> readMember(const std::vector<std::uint8_t>& bytes, const char* name) {
    std::vector<std::uint8_t> exact(bytes);
    MemoryArchive archive;
    archive.data = exact.empty() ? nullptr : exact.data();
    archive.size = static_cast<std::uint32_t>(exact.size());
    ScopedFileBuffer file(extractMember(archive, name, ""));
    if (!file.found()) {
        EXPECT_EQ(file.size(), 0u);
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(file.data()), file.size());
}

HandMadeMember member(const std::string& name, const std::string& text) {
    HandMadeMember m;
    m.name = name;
    m.data = bytesOf(text);
    return m;
}

TEST(ArchiveReader, FindsStoredMembersByTheNameRule) {
    const auto bytes =
        HandMadeArchive::start().file("Models\\fir.BSM", "fir tree").file("Text\\text.txt", "strings").bytes;
    EXPECT_EQ(readMember(bytes, "Models\\fir.BSM"), "fir tree");
    EXPECT_EQ(readMember(bytes, "models/FIR.bsm"), "fir tree");
    EXPECT_EQ(readMember(bytes, "Models_fir.BSM"), "fir tree");
    EXPECT_EQ(readMember(bytes, "text/TEXT.TXT"), "strings");
    EXPECT_EQ(readMember(bytes, "Models/fir.BSM2"), std::nullopt);
    EXPECT_EQ(readMember(bytes, "fir.BSM"), std::nullopt);
    EXPECT_EQ(readMember(bytes, ""), std::nullopt);
}

TEST(ArchiveReader, DirectoryEntryIsANonNullEmptyBlockThatFreeAccepts) {
    HandMadeMember directory = member("Models", "");
    directory.flags = 0x80E0;
    const auto bytes = HandMadeArchive::start().file(directory).file("Models\\a.bin", "a").bytes;
    MemoryArchive archive{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
    FileBuffer entry = extractMember(archive, "models", "");
    ASSERT_NE(entry.data, nullptr);
    EXPECT_EQ(entry.size, 0u);
    std::free(entry.data);
    // An empty ordinary file is a hit of size 0 in the same way.
    EXPECT_EQ(readMember(HandMadeArchive::start().file("empty.txt", "").bytes, "empty.txt"), "");
}

// One member with one field changed: whether the reader still finds it.
TEST(ArchiveReader, EachMemberFieldDecidesAHitOrAMiss) {
    struct Case {
        const char* what;
        std::function<void(HandMadeMember&)> change;
        bool found;
    };
    const Case cases[] = {
        {"UNP_VER 12", [](HandMadeMember& m) { m.version = 12; }, false},
        {"UNP_VER 13", [](HandMadeMember& m) { m.version = 13; }, true},
        {"UNP_VER 20", [](HandMadeMember& m) { m.version = 20; }, true},
        {"UNP_VER 21", [](HandMadeMember& m) { m.version = 21; }, false},
        {"compressed", [](HandMadeMember& m) { m.method = 0x33; }, false},
        // Encrypted even though the stored bytes and their CRC are intact.
        {"encrypted", [](HandMadeMember& m) { m.flags = 0x8084; }, false},
        {"CRC off by a bit", [](HandMadeMember& m) { m.crc = computeCrc32("payload", 7) ^ 1u; }, false},
        {"both sizes beyond the data", [](HandMadeMember& m) { m.packSize = m.unpackSize = 0x7FFFFFF0u; },
         false},
        {"unpacked size beyond the data", [](HandMadeMember& m) { m.unpackSize = 0xFFFFFFFFu; }, false},
        {"name past the end of the data",
         [](HandMadeMember& m) {
             m.nameSize = 400;
             m.headSize = 432;
         },
         false},
    };
    for (const Case& c : cases) {
        HandMadeMember m = member("m.txt", "payload");
        c.change(m);
        EXPECT_EQ(readMember(HandMadeArchive::start().file(m).bytes, "m.txt").has_value(), c.found) << c.what;
    }
}

TEST(ArchiveReader, BadMarkerOrMainHeaderMisses) {
    const auto good = HandMadeArchive::start().file("a.txt", "a").bytes;
    ASSERT_EQ(readMember(good, "a.txt"), "a");
    for (std::size_t i = 0; i < 7; ++i) {
        auto bad = good;
        bad[i] ^= 0x20;
        EXPECT_EQ(readMember(bad, "a.txt"), std::nullopt) << "marker byte " << i;
    }
    auto tinyMain = HandMadeArchive();
    tinyMain.marker().mainHeader(6).file("a.txt", "a");
    EXPECT_EQ(readMember(tinyMain.bytes, "a.txt"), std::nullopt);
    // A main header larger than 13 bytes moves the walk by its own size.
    auto longMain = HandMadeArchive();
    longMain.marker().mainHeader(17);
    longMain.bytes.insert(longMain.bytes.end(), 4, 0);
    longMain.file("a.txt", "a");
    EXPECT_EQ(readMember(longMain.bytes, "a.txt"), "a");
    EXPECT_EQ(readMember({}, "a.txt"), std::nullopt);
    EXPECT_EQ(extractMember(MemoryArchive{}, "a.txt", "").data, nullptr);
}

TEST(ArchiveReader, EveryTruncationMissesWithoutReadingPastTheEnd) {
    const auto full =
        HandMadeArchive::start().block(0x7A, 11, 5).file("a.txt", "first").file("b.txt", "second").bytes;
    ASSERT_EQ(readMember(full, "b.txt"), "second");
    for (std::size_t length = 0; length < full.size(); ++length) {
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(readMember(cut, "b.txt"), std::nullopt) << "cut at " << length;
        readMember(cut, "a.txt");  // may hit once a.txt is whole; must never read out of bounds
    }
}

// Archives of several blocks: whether the walk reaches the member and what it reads.
TEST(ArchiveReader, TheWalkOverTheBlocksFindsOrMissesTheMember) {
    HandMadeMember damaged = member("m.txt", "damaged");
    damaged.crc = computeCrc32("damaged", 7) ^ 1u;
    HandMadeMember overlapping = member("o.txt", "ab");
    overlapping.unpackSize = 3;
    overlapping.crc = computeCrc32("ab\x00", 3);
    HandMadeMember pastHeader = member("n.txt", "");
    pastHeader.headSize = 33;
    pastHeader.packSize = 4;  // the rest of the name counts as data and is skipped
    const std::string longName(300, 'x');
    const auto longNamed = HandMadeArchive::start().file(longName, "long").bytes;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string name;
        std::optional<std::string> found;
    };
    const Case cases[] = {
        {"other blocks are skipped by HEAD_SIZE and ADD_SIZE",
         HandMadeArchive::start()
             .block(0x75, 9)       // a comment-like block without data
             .block(0x7A, 20, 37)  // a sub-block with 37 bytes of data
             .file("late.txt", "found after the other blocks")
             .bytes,
         "late.txt", "found after the other blocks"},
        {"a block of 7 bytes", HandMadeArchive::start().block(0x75, 7).file("a.txt", "a").bytes, "a.txt",
         "a"},
        {"HEAD_SIZE 6 ends the walk", HandMadeArchive::start().block(0x75, 6).file("a.txt", "a").bytes,
         "a.txt", std::nullopt},
        {"HEAD_SIZE 0 ends the walk", HandMadeArchive::start().block(0x75, 0).file("a.txt", "a").bytes,
         "a.txt", std::nullopt},
        // 20 + 11 + 0xFFFFFFEB wraps to 6 in 32 bits: a reader that wrapped would walk backwards or loop.
        {"ADD_SIZE that wraps",
         HandMadeArchive::start().block(0x7A, 11, 0xFFFFFFEBu).file("a.txt", "a").bytes, "a.txt",
         std::nullopt},
        {"ADD_SIZE past the data", HandMadeArchive::start().block(0x7A, 11, 0x10000u).bytes, "a.txt",
         std::nullopt},
        // The first member with the name is the member; a second one is never consulted.
        {"a damaged first copy", HandMadeArchive::start().file(damaged).file("m.txt", "good").bytes, "m.txt",
         std::nullopt},
        // It would copy the next header as member data.
        {"unpacked size beyond the packed bytes",
         HandMadeArchive::start().file(overlapping).file("next", "x").bytes, "o.txt", std::nullopt},
        // A name longer than its header claims is malformed; the walk still goes on to the next member.
        {"a name past its header", HandMadeArchive::start().file(pastHeader).file("n.txt", "second").bytes,
         "n.txt", "second"},
        // Stored names are cut to 259 bytes.
        {"the whole 300-byte name", longNamed, longName, std::nullopt},
        {"its first 259 bytes", longNamed, longName.substr(0, 259), "long"},
        {"its first 258 bytes", longNamed, longName.substr(0, 258), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(readMember(c.bytes, c.name.c_str()), c.found) << c.what;
}

TEST(ArchiveNameRule, SeparatorsUnderscoreAndCase) {
    EXPECT_TRUE(archiveNamesMatch("models/FIR.bsm", "Models\\fir.BSM"));
    EXPECT_TRUE(archiveNamesMatch("Models_fir.bsm", "Models\\fir.BSM"));
    EXPECT_TRUE(archiveNamesMatch("Models\\fir.BSM", "Models_fir.BSM"));
    EXPECT_TRUE(archiveNamesMatch("a/b\\c_d", "A_B_C/D"));
    EXPECT_FALSE(archiveNamesMatch("Models/fir.BSM", "Models/fir.BSM "));
    EXPECT_FALSE(archiveNamesMatch("Models-fir.BSM", "Models\\fir.BSM"));
    EXPECT_FALSE(archiveNamesMatch("Models/fir.BSMx", "Models\\fir.BSM"));
    // Only ASCII letters fold, as in the C locale.
    EXPECT_FALSE(archiveNamesMatch("\xE4pfel", "\xC4PFEL"));
    EXPECT_TRUE(archiveNamesMatch("", ""));
}

TEST(ArchiveNameRule, NamesCountAtMost511Bytes) {
    std::string a(600, 'q');
    std::string b(511, 'Q');
    EXPECT_TRUE(archiveNamesMatch(a.c_str(), b.c_str()));
    b.resize(510);
    EXPECT_FALSE(archiveNamesMatch(a.c_str(), b.c_str()));
}

TEST(ArchiveWriter, RejectsNamesTheReaderCannotFind) {
    std::vector<std::uint8_t> archive;
    std::string error;
    EXPECT_FALSE(buildArchive({ArchiveMember{"", false, {}}}, archive, error));
    EXPECT_FALSE(buildArchive({ArchiveMember{"Models/fir.BSM", false, {}}}, archive, error));
    EXPECT_FALSE(buildArchive({ArchiveMember{std::string(260, 'a'), false, {}}}, archive, error));
    EXPECT_TRUE(archive.empty());
    ASSERT_TRUE(buildArchive({ArchiveMember{std::string(259, 'a'), false, {1, 2, 3}}}, archive, error));
    ScopedFileBuffer read(
        extractMember(MemoryArchive{archive.data(), static_cast<std::uint32_t>(archive.size())},
                      std::string(259, 'A').c_str()));
    EXPECT_EQ(read.size(), 3u);
}

}  // namespace
