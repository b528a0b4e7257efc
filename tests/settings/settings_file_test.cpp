// The settings file: the text parser, the rewrite around new values, and the file on disk.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/settings_storage.h"
#include "settings/settings_file.h"
#include "settings/settings_test_support.h"

using platform::DwordValue;
using settings_test::readText;
using settings_test::TempFolder;
using settings_test::writeText;

namespace {

bool find(const std::string& text, const std::string& name, std::uint32_t& value) {
    return findDwordInSettingsText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), name,
                                   value);
}

std::string update(const std::string& text, const std::vector<DwordValue>& values) {
    return updateSettingsText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), values);
}

const char* const kKeyLine = "[HKEY_CURRENT_USER\\Software\\Vantorel\\Glimmerdale]";

}  // namespace

TEST(SettingsText, ReadsDwordLinesWithTheirCaseAndSpacingVariants) {
    const std::string text = std::string("Windows Registry Editor Version 5.00\r\n\r\n") + kKeyLine +
                             "\r\n"
                             "\"Resolution:\"=dword:0000000a\r\n"
                             "  \"gamma:\" = DWORD:0000000F  \r\n"
                             "\"Fps:\"=dword:1\n"
                             "\"Usemon:\"=dword:ffffffff";  // no line end at the end of the file
    std::uint32_t value = 0;
    ASSERT_TRUE(find(text, "Resolution:", value));
    EXPECT_EQ(value, 10u);
    ASSERT_TRUE(find(text, "Gamma:", value));  // names ignore letter case, as registry names do
    EXPECT_EQ(value, 15u);
    ASSERT_TRUE(find(text, "FPS:", value));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(find(text, "Usemon:", value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_FALSE(find(text, "Clock:", value));
    EXPECT_FALSE(find(text, "Usemon", value));  // the colon is part of the name
}

TEST(SettingsText, ValuesThatAreNotDwordsReadAsMissing) {
    const char* const damaged[] = {
        "\"Gamma:\"=\"3\"",           "\"Gamma:\"=hex:03,00,00,00", "\"Gamma:\"=dword:",
        "\"Gamma:\"=dword:123456789", "\"Gamma:\"=dword:12x4",      "\"Gamma:\"=dword:-1",
        "\"Gamma:\"dword:00000003",   "\"Gamma:=dword:00000003",    "Gamma:=dword:00000003",
    };
    for (const char* line : damaged) {
        std::uint32_t value = 77;
        EXPECT_FALSE(find(std::string(kKeyLine) + "\n" + line + "\n", "Gamma:", value)) << line;
        EXPECT_EQ(value, 77u) << line;
    }
    // A damaged line after a good one replaces it, as a later line does in a registry import.
    std::uint32_t value = 0;
    EXPECT_FALSE(find("\"Gamma:\"=dword:00000002\n\"Gamma:\"=\"x\"\n", "Gamma:", value));
    ASSERT_TRUE(find("\"Gamma:\"=\"x\"\n\"Gamma:\"=dword:00000002\n", "Gamma:", value));
    EXPECT_EQ(value, 2u);
}

TEST(SettingsText, OnlyOurKeyCountsAndGarbageIsSkipped) {
    const std::string text = std::string("garbage \x01\x02 line\n\"Fps:\"=dword:00000004\n") +
                             "[HKEY_CURRENT_USER\\Software\\Other]\n\"Clock:\"=dword:00000001\n" +
                             "[broken section\n" + std::string("\0\0\0", 3) + "\n" +
                             "[hkey_current_user\\software\\vantorel\\glimmerdale]\n;comment\n@=dword:1\n"
                             "\"Style24h:\"=dword:00000001\n";
    std::uint32_t value = 0;
    ASSERT_TRUE(find(text, "Fps:", value));  // before any section line
    EXPECT_EQ(value, 4u);
    EXPECT_FALSE(find(text, "Clock:", value));  // in another key
    ASSERT_TRUE(find(text, "Style24h:", value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(find("", "Fps:", value));
    EXPECT_FALSE(findDwordInSettingsText(nullptr, 0, "Fps:", value));
}

// The rewrite around new values: the whole text it gives, and every value written reading back.
TEST(SettingsText, UpdateWritesTheValuesAndKeepsEverythingElse) {
    const std::string header = "Windows Registry Editor Version 5.00";
    struct Case {
        const char* what;
        std::string before;
        std::vector<DwordValue> values;
        std::string after;
    };
    const Case cases[] = {
        {"an empty file gets the key and the values in order",
         "",
         {{"Resolution:", 1}, {"Gamma:", 3}, {"Sound volume:", 40}},
         header + "\n\n" + kKeyLine + "\n" +
             "\"Resolution:\"=dword:00000001\n"
             "\"Gamma:\"=dword:00000003\n"
             "\"Sound volume:\"=dword:00000028\n"},
        {"all eight hex digits",
         "",
         {{"Resolution:", 0xFFFFFFFFu}},
         header + "\n\n" + kKeyLine + "\n\"Resolution:\"=dword:ffffffff\n"},
        {"a line is replaced in place, later duplicates dropped, other keys and lines kept",
         header + "\r\n\r\n" + kKeyLine + "\r\n" +
             "\"gamma:\"=dword:00000001\r\n"
             "not a value line\r\n"
             "\"Extra:\"=dword:00000009\r\n"
             "\"GAMMA:\"=dword:00000004\r\n"
             "\r\n"
             "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
             "\"Fps:\"=dword:00000007\r\n",
         {{"Gamma:", 2}, {"Fps:", 1}},
         header + "\n\n" + kKeyLine + "\n" +
             "\"Gamma:\"=dword:00000002\n"
             "not a value line\n"
             "\"Extra:\"=dword:00000009\n"
             "\"Fps:\"=dword:00000001\n"
             "\n"
             "[HKEY_CURRENT_USER\\Software\\Other]\n"
             "\"Fps:\"=dword:00000007\n"},
        {"our key is added after foreign content",
         "[Other]\n\"Fps:\"=dword:00000005",
         {{"Fps:", 0}},
         std::string("[Other]\n\"Fps:\"=dword:00000005\n\n") + kKeyLine + "\n\"Fps:\"=dword:00000000\n"},
    };
    for (const Case& c : cases) {
        const std::string after = update(c.before, c.values);
        EXPECT_EQ(after, c.after) << c.what;
        for (const DwordValue& written : c.values) {
            std::uint32_t value = ~written.value;
            EXPECT_TRUE(find(after, written.name, value)) << c.what << ": " << written.name;
            EXPECT_EQ(value, written.value) << c.what << ": " << written.name;
        }
    }
}

TEST(SettingsStorage, KeyExistsReadAndAtomicWrite) {
    TempFolder temp;
    platform::SettingsStorage storage(temp.path() + "/nested/glimmerdale", settingsFileFormat());
    EXPECT_FALSE(storage.keyExists());
    std::uint32_t value = 5;
    EXPECT_FALSE(storage.readDword("Gamma:", value));
    ASSERT_TRUE(storage.writeDwords({{"Gamma:", 3}}));  // creates the folders
    EXPECT_TRUE(storage.keyExists());
    ASSERT_TRUE(storage.readDword("Gamma:", value));
    EXPECT_EQ(value, 3u);
    ASSERT_TRUE(storage.writeDwords({{"Clock:", 1}}));
    ASSERT_TRUE(storage.readDword("Gamma:", value));  // other values survive a write
    EXPECT_EQ(value, 3u);
    // No temporary file is left next to the settings file.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(storage.folder())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(storage.filePath(), temp.path() + "/nested/glimmerdale/settings.reg");
}

TEST(SettingsStorage, FailedWritesLeaveTheOldFileAlone) {
    TempFolder temp;
    // A folder path that is a file: the folder cannot be made, nothing is written.
    writeText(temp.file("blocker"), "keep me");
    platform::SettingsStorage blocked(temp.file("blocker"), settingsFileFormat());
    EXPECT_FALSE(blocked.writeDwords({{"Gamma:", 1}}));
    EXPECT_EQ(readText(temp.file("blocker")), "keep me");

    // A settings "file" that cannot be read (a folder) is never replaced.
    std::filesystem::create_directories(temp.file("unreadable/settings.reg"));
    platform::SettingsStorage unreadable(temp.file("unreadable"), settingsFileFormat());
    EXPECT_FALSE(unreadable.keyExists());
    EXPECT_FALSE(unreadable.writeDwords({{"Gamma:", 1}}));
    EXPECT_TRUE(std::filesystem::is_directory(temp.file("unreadable/settings.reg")));

    // A store without a folder has no key and refuses writes.
    platform::SettingsStorage nowhere("", settingsFileFormat());
    EXPECT_FALSE(nowhere.keyExists());
    EXPECT_FALSE(nowhere.writeDwords({{"Gamma:", 1}}));
}

// Permissions do not bind root: run as root (as in CI), a test takes the rights of user nobody for
// its lifetime.
class OrdinaryUserRights {
public:
    OrdinaryUserRights() {
        if (!asRoot_) return;
        dropped_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
    }
    ~OrdinaryUserRights() {
        if (!asRoot_) return;
        if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
    }
    bool held() const { return !asRoot_ || dropped_; }

private:
    static constexpr unsigned kNobody = 65534;
    const bool asRoot_ = ::geteuid() == 0;
    bool dropped_ = false;
};

TEST(SettingsStorage, ReadOnlyFolderAndUnreadableFileAsOrdinaryUser) {
    const OrdinaryUserRights user;
    ASSERT_TRUE(user.held());
    TempFolder temp;
    ASSERT_FALSE(temp.path().empty());
    platform::SettingsStorage storage(temp.path(), settingsFileFormat());
    ASSERT_TRUE(storage.writeDwords({{"Gamma:", 3}}));
    ::chmod(temp.path().c_str(), 0500);
    EXPECT_FALSE(storage.writeDwords({{"Gamma:", 1}}));
    std::uint32_t value = 0;
    ASSERT_TRUE(storage.readDword("Gamma:", value));
    EXPECT_EQ(value, 3u);
    ::chmod(temp.path().c_str(), 0700);
    ::chmod(storage.filePath().c_str(), 0000);
    EXPECT_TRUE(storage.keyExists());
    EXPECT_FALSE(storage.readDword("Gamma:", value));
    EXPECT_FALSE(storage.writeDwords({{"Gamma:", 1}}));
    ::chmod(storage.filePath().c_str(), 0600);
    ASSERT_TRUE(storage.readDword("Gamma:", value));
    EXPECT_EQ(value, 3u);
}

TEST(SettingsStorage, FolderChoice) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    EXPECT_EQ(platform::settingsFolder("/given"), "/given");
    ::setenv("GLIMMERDALE_CONFIG_DIR", "/from/env", 1);
    EXPECT_EQ(platform::settingsFolder(""), "/from/env");
    ::unsetenv("GLIMMERDALE_CONFIG_DIR");
    ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(platform::settingsFolder(""), "/xdg/glimmerdale");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(platform::settingsFolder(""), "/home/someone/.config/glimmerdale");
    ::unsetenv("XDG_CONFIG_HOME");
    if (home) ::setenv("HOME", savedHome.c_str(), 1);
}
