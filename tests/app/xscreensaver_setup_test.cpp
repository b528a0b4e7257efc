// ~/.xscreensaver as people keep it, set up and undone through the real files: a link into a
// dotfiles folder, a read-only file, none at all, one that is no preferences file, a backup kept
// from before; the selection given back, the backup never overwritten.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/screensaver_setup.h"
#include "settings/xscreensaver_file.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readTextFile;

const std::string kProgram = "/opt/my saver/$x %p/glimmerdale";
const std::string kFile =
    "timeout: 0:05:00\nmode:\t\tblank\nselected:\t1\nprograms: \\\n  maze --root \\n\\\n"
    "  GL: gears --root \\n\\\n\n";

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A home and a state folder of their own, and no display (no XScreenSaver to restart).
class XScreenSaverSetup : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home());
        for (const char* name : {"XDG_STATE_HOME", "DISPLAY"}) {
            const char* value = getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("XDG_STATE_HOME", dir_.file("state").c_str(), 1);
        unsetenv("DISPLAY");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    std::string home() const { return dir_.file("home"); }
    std::string file() const { return home() + "/.xscreensaver"; }
    std::string backup() const { return file() + ".glimmerdale-backup"; }
    std::string record() const { return dir_.file("state/glimmerdale/screensaver-setup.txt"); }
    DesktopSetupResult set(bool use) const { return setUpXScreenSaverFile(use, home(), kProgram); }
    bool selectsUs(const std::string& path) const {
        const XScreenSaverPreferences preferences = readXScreenSaverPreferences(readTextFile(path));
        return selectsGlimmerdale(preferences) &&
               preferences.programs[std::size_t(preferences.selected)].program == kProgram;
    }

    testsupport::TempDir dir_{"gdxss-setup"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(XScreenSaverSetup, AFileOfTheUsersIsEditedInPlaceAndGivenBackWhole) {
    write(file(), kFile);
    ASSERT_TRUE(set(true).done);
    EXPECT_TRUE(selectsUs(file()));
    EXPECT_EQ(readTextFile(backup()), kFile);
    EXPECT_TRUE(fs::exists(record()));
    // A second set changes nothing and keeps the first backup.
    const DesktopSetupResult again = set(true);
    EXPECT_TRUE(again.done);
    EXPECT_NE(again.message.find("already"), std::string::npos) << again.message;
    // The user changes something else meanwhile; unset keeps that and gives back the selection.
    std::string changed = readTextFile(file());
    changed.replace(changed.find("0:05:00"), 7, "0:07:00");
    write(file(), changed);
    const DesktopSetupResult unset = set(false);
    ASSERT_TRUE(unset.done) << unset.message;
    std::string expected = kFile;
    expected.replace(expected.find("0:05:00"), 7, "0:07:00");
    EXPECT_EQ(readTextFile(file()), expected);
    EXPECT_EQ(readTextFile(backup()), kFile);
    EXPECT_FALSE(fs::exists(record()));
    EXPECT_TRUE(set(false).done);
}

TEST_F(XScreenSaverSetup, EachWayPeopleKeepTheFileIsHonoured) {
    const std::string dotfiles = dir_.file("dotfiles");
    fs::create_directories(dotfiles);
    const struct {
        const char* name;
        std::function<void()> prepare;
        bool done;
        const char* said;
        std::function<void()> check;  // after set, and (when done) after unset again
    } cases[] = {
        {"a link into a dotfiles folder",
         [&] {
             write(dotfiles + "/xscreensaver", kFile);
             fs::create_symlink(dotfiles + "/xscreensaver", file());
         },
         true, "lists and selects it",
         [&] {
             EXPECT_TRUE(fs::is_symlink(file()));
             EXPECT_EQ(fs::read_symlink(file()), dotfiles + "/xscreensaver");
         }},
        {"a read-only file",
         [&] {
             write(file(), kFile);
             fs::permissions(file(), fs::perms::owner_read | fs::perms::group_read);
         },
         false, "may not be written (it is read-only)",
         [&] {
             EXPECT_EQ(readTextFile(file()), kFile);
             EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::group_read);
         }},
        {"no file at all", [] {}, true, "lists and selects it", [] {}},
        {"no preferences file", [&] { write(file(), "<?xml version=\"1.0\"?>\n"); }, false,
         "does not read as XScreenSaver's preferences",
         [&] { EXPECT_EQ(readTextFile(file()), "<?xml version=\"1.0\"?>\n"); }},
        {"a backup from before",
         [&] {
             write(file(), kFile);
             write(backup(), "the oldest\n");
         },
         true, "stays in", [&] { EXPECT_EQ(readTextFile(backup()), "the oldest\n"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(home());
        fs::remove_all(dir_.file("state"));
        fs::create_directories(home());
        c.prepare();
        const std::string before = fs::exists(file()) ? readTextFile(file()) : "";
        const DesktopSetupResult set = this->set(true);
        EXPECT_EQ(set.done, c.done) << set.message;
        EXPECT_NE(set.message.find(c.said), std::string::npos) << set.message;
        EXPECT_NE(set.message.find(file()), std::string::npos) << "the file is not named: " << set.message;
        c.check();
        if (!c.done) continue;
        EXPECT_TRUE(selectsUs(file()));
        EXPECT_TRUE(this->set(false).done);
        c.check();
        // Every byte back; a file the set-up made goes again.
        EXPECT_EQ(fs::exists(file()), !before.empty());
        if (!before.empty()) {
            EXPECT_EQ(readTextFile(file()), before);
        }
    }
}

}  // namespace
