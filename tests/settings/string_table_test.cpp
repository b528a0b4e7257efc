// The dialog string table reader.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_test_support.h"
#include "settings/string_table.h"

namespace {

std::vector<std::string> allTexts(const std::string& file, int count) {
    StringTable table;
    table.open(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(table.readNextText());
    return texts;
}

}  // namespace

TEST(StringTable, ShippedFileGivesThe32EntriesWithALeadingSpace) {
    const std::string file = settings_test::readText(GLIMMERDALE_SOURCE_DIR "/tests/settings/data/text.txt");
    ASSERT_FALSE(file.empty());
    StringTable table;
    table.open(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    std::vector<std::string> texts;
    for (int i = 0; i < 32; ++i) texts.push_back(table.readNextText());
    EXPECT_TRUE(table.atEnd());
    EXPECT_EQ(texts[0], " Options");  // the byte-order mark and the first key are skipped
    EXPECT_EQ(texts[1], " Video Mode Selection");
    EXPECT_EQ(texts[10], " Visit our official web-site for more great 3D screensavers");
    EXPECT_EQ(texts[19], " 24h style");
    EXPECT_EQ(texts[20], " 12h style");
    EXPECT_EQ(texts[21], " OK");
    EXPECT_EQ(texts[25], "");  // "Music by" has no words
    EXPECT_EQ(texts[26], " Copyright 2026 Vantorel");
    EXPECT_EQ(texts[30], "");
    EXPECT_EQ(texts[31], " About");
    EXPECT_EQ(table.readNextText(), "");  // past the end
}

TEST(StringTable, WhiteSpaceCollapsesAndLinesDoNotMatter) {
    EXPECT_EQ(allTexts("#first\n  Two\r\n\tlines   of\n\nwords \n#next# x", 2),
              (std::vector<std::string>{" Two lines of words", " x"}));
    // Keys are never compared: any word starting with "#" ends an entry, even inside a line.
    EXPECT_EQ(allTexts("#k a #b c#d #", 3), (std::vector<std::string>{" a", " c#d", ""}));
    // Two keys in a row give an empty entry.
    EXPECT_EQ(allTexts("#k #a #b word", 3), (std::vector<std::string>{"", "", " word"}));
}

TEST(StringTable, EmptyMissingAndDamagedInput) {
    EXPECT_EQ(allTexts("", 2), (std::vector<std::string>{"", ""}));
    StringTable table;
    table.open(nullptr, 0);
    EXPECT_EQ(table.readNextText(), "");
    EXPECT_TRUE(table.atEnd());
    EXPECT_EQ(allTexts("\xEF\xBB\xBF", 1), (std::vector<std::string>{""}));
    // Broken UTF-8 becomes U+FFFD; the U+0445 of the list items and other scripts pass unchanged.
    EXPECT_EQ(allTexts("#k \xC3 \xE2\x82 ok \xED\xA0\x80 \xC0\xAF", 1),
              (std::vector<std::string>{
                  " \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD ok \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD "
                  "\xEF\xBF\xBD\xEF\xBF\xBD"}));
    EXPECT_EQ(allTexts("#k 800\xD1\x85"
                       "600 \xF0\x9F\x8E\x84",
                       1),
              (std::vector<std::string>{" 800\xD1\x85"
                                        "600 \xF0\x9F\x8E\x84"}));
}

TEST(StringTable, TheMediaPipelinesTableHasExactly32Entries) {
    const std::string file = settings_test::readText(GLIMMERDALE_SOURCE_DIR "/content/interface/text.txt");
    if (file.empty()) GTEST_SKIP() << "content/interface/text.txt is not there";
    StringTable table;
    table.open(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    std::vector<std::string> texts;
    for (int i = 0; i < 32; ++i) texts.push_back(table.readNextText());
    EXPECT_TRUE(table.atEnd());
    EXPECT_EQ(texts[0], " Options");
    EXPECT_EQ(texts[1], " Video Mode Selection");
    EXPECT_EQ(texts[14], " OK");
    EXPECT_EQ(texts[15], " Cancel");
    EXPECT_EQ(texts[20], " 12h style");
    EXPECT_EQ(texts[25], "");
    EXPECT_EQ(texts[31], " About");
}
