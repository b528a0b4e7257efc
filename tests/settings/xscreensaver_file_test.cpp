// ~/.xscreensaver edited on copies of the files people have: XScreenSaver's own defaults, a file in
// the layout its settings program writes, one already listing Glimmerdale, unusual formatting, and
// files that do not read as preferences (left alone).

#include "settings/xscreensaver_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const std::string kProgram = "/usr/libexec/xscreensaver/glimmerdale";
const std::string kCommand = kProgram + " --root";
using Result = XScreenSaverEdit::Result;

// What xscreensaver-settings writes, shortened: settings, the list, settings after it.
const std::string kSettingsFile =
    "# XScreenSaver Preferences File\n"
    "# Written by xscreensaver-settings 6.06 for jo on Sun Dec  6 10:00:00 2026.\n"
    "# https://www.jwz.org/xscreensaver/\n"
    "\n"
    "timeout:\t0:10:00\n"
    "cycle:\t\t0:10:00\n"
    "lock:\t\tFalse\n"
    "mode:\t\trandom\n"
    "selected:\t-1\n"
    "\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tgears --root\t\t\t\t    \\n\\\n"
    "\n"
    "\n"
    "pointerHysteresis: 10\n";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The list's entries as (enabled, visual, command) and the selection, after a successful edit.
struct Listed {
    std::vector<std::string> entries;
    std::string mode;
    int selected;
};
Listed listed(const std::string& text) {
    const XScreenSaverPreferences p = readXScreenSaverPreferences(text);
    EXPECT_TRUE(p.parsed) << p.error;
    Listed result{{}, p.mode, p.selected};
    for (const XScreenSaverProgram& program : p.programs)
        result.entries.push_back((program.enabled ? "" : "-") + program.visual + "|" + program.command);
    return result;
}

TEST(XScreenSaverFile, AddingThenRemovingGivesBackEveryByteAndAddingTwiceChangesNothing) {
    const struct {
        const char* name;
        std::string text;
    } files[] = {
        {"settings program's layout", kSettingsFile},
        {"CRLF line ends, an entry on the name's line, the list last without continuation",
         "mode:   random\r\nselected: -1\r\nprograms:  maze --root \\n\\\r\n   gears --root \\n\\\r\n"
         "   rocks --root\r\nlock: False\r\n"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const XScreenSaverEdit added = addToXScreenSaverPreferences(file.text, kProgram, "");
        ASSERT_EQ(added.result, Result::Changed) << added.message;
        const Listed after = listed(added.text);
        const Listed before = listed(file.text);
        ASSERT_EQ(after.entries.size(), before.entries.size() + 1);
        EXPECT_EQ(after.mode, "one");
        ASSERT_GE(after.selected, 0);
        EXPECT_EQ(after.entries[std::size_t(after.selected)], "GL|" + kCommand);
        std::vector<std::string> others = after.entries;
        others.erase(others.begin() + after.selected);
        EXPECT_EQ(others, before.entries);

        EXPECT_EQ(addToXScreenSaverPreferences(added.text, kProgram, "").result, Result::Unchanged);
        const XScreenSaverEdit removed = removeFromXScreenSaverPreferences(added.text);
        ASSERT_EQ(removed.result, Result::Changed);
        EXPECT_EQ(removed.text, file.text);
        EXPECT_EQ(removeFromXScreenSaverPreferences(file.text).result, Result::Unchanged);
    }
}

TEST(XScreenSaverFile, AnEntryOfOursIsCorrectedInPlaceAndRemovalMovesTheSelection) {
    const std::string listing =
        "selected: 3\nmode: one\nprograms: \\\n  maze --root \\n\\\n"
        "- /opt/old/glimmerdale -root \\n\\\n  gears --root \\n\\\n  rocks --root \\n\\\n\n";
    const XScreenSaverEdit added = addToXScreenSaverPreferences(listing, kProgram, "");
    ASSERT_EQ(added.result, Result::Changed);
    const Listed after = listed(added.text);
    // Enabled, with "GL:", its program now this one; its own "-root" is kept.
    EXPECT_EQ(after.entries, (std::vector<std::string>{"|maze --root", "GL|" + kProgram + " -root",
                                                       "|gears --root", "|rocks --root"}));
    EXPECT_EQ(after.selected, 1);

    // rocks was selected (3); with our entry gone it is entry 2, and mode one stays.
    const XScreenSaverEdit removed = removeFromXScreenSaverPreferences(listing);
    ASSERT_EQ(removed.result, Result::Changed);
    const Listed left = listed(removed.text);
    EXPECT_EQ(left.entries, (std::vector<std::string>{"|maze --root", "|gears --root", "|rocks --root"}));
    EXPECT_EQ(left.selected, 2);
    EXPECT_EQ(left.mode, "one");
    // Ours selected: nothing is, and XScreenSaver goes back to picking at random.
    const Listed none = listed(removeFromXScreenSaverPreferences(added.text).text);
    EXPECT_EQ(none.selected, -1);
    EXPECT_EQ(none.mode, "random");
}

TEST(XScreenSaverFile, AListOnOneLineAndAFileWithoutAListGetOurEntry) {
    const Listed oneLine =
        listed(addToXScreenSaverPreferences("programs: maze --root\nlock: False\n", kProgram, "").text);
    EXPECT_EQ(oneLine.entries, (std::vector<std::string>{"|maze --root", "GL|" + kCommand}));
    EXPECT_EQ(oneLine.selected, 1);
    // Lists that end the file without a line end, or going on (a backslash at the end): the settings
    // added come on lines of their own after them.
    for (const char* text : {"lock: False\nprograms: maze --root", "programs: \\\n  maze --root \\\n",
                             "programs: maze --root \\n\\\n", "programs: maze --root \\n\\"}) {
        const Listed last = listed(addToXScreenSaverPreferences(text, kProgram, "").text);
        std::vector<std::string> entries = last.entries;
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"GL|" + kCommand, "|maze --root"})) << text;
        EXPECT_EQ(last.mode, "one") << text;
        EXPECT_EQ(last.entries.at(std::size_t(last.selected)), "GL|" + kCommand) << text;
    }

    const std::string defaults = "programs: \\\n  maze --root \\n\\\n  GL: gears --root \\n\\\n\n";
    const XScreenSaverEdit noList = addToXScreenSaverPreferences("lock: True", kProgram, defaults);
    ASSERT_EQ(noList.result, Result::Changed);
    EXPECT_EQ(noList.text.rfind("lock: True\n", 0), 0u);
    EXPECT_EQ(listed(noList.text).entries,
              (std::vector<std::string>{"GL|" + kCommand, "|maze --root", "GL|gears --root"}));
    // Its last line goes on (a backslash at the end): the list still comes as a setting of its own.
    const XScreenSaverEdit afterContinued = addToXScreenSaverPreferences("lock: True \\", kProgram, defaults);
    ASSERT_EQ(afterContinued.result, Result::Changed) << afterContinued.message;
    EXPECT_EQ(listed(afterContinued.text).entries, listed(noList.text).entries);
}

TEST(XScreenSaverFile, XScreenSaversOwnDefaultsMakeAFileItCanRead) {
    const std::string appDefaults = readFile("/etc/X11/app-defaults/XScreenSaver");
    if (appDefaults.empty()) GTEST_SKIP() << "XScreenSaver is not installed";
    std::string text, message;
    ASSERT_TRUE(xscreensaverPreferencesFromDefaults(appDefaults, text, message)) << message;
    EXPECT_EQ(text.rfind("programs:", 0), 0u);
    const Listed defaults = listed(text);
    const XScreenSaverPreferences all = readXScreenSaverPreferences(appDefaults);
    EXPECT_EQ(defaults.entries.size(), all.programs.size());
    EXPECT_GT(defaults.entries.size(), 100u);

    const XScreenSaverEdit added = addToXScreenSaverPreferences("", kProgram, text);
    ASSERT_EQ(added.result, Result::Changed);
    const Listed after = listed(added.text);
    EXPECT_EQ(after.entries.size(), defaults.entries.size() + 1);
    EXPECT_EQ(after.entries[std::size_t(after.selected)], "GL|" + kCommand);
}

TEST(XScreenSaverFile, AFileThatIsNoPreferencesFileIsNeverChanged) {
    const struct {
        const char* text;
        const char* lineNamed;
    } broken[] = {
        {"timeout: 0:10:00\nthis is not a setting\nprograms: maze\n", "line 2"},
        {"programs: maze \\n\\\n  gears\nprograms: rocks\n", "line 3"},
        {"mode: \\\none\nprograms: maze\n", "line 1"},
        {"<?xml version=\"1.0\"?>\n", "line 1"},
    };
    for (const auto& file : broken) {
        const XScreenSaverEdit add = addToXScreenSaverPreferences(file.text, kProgram, "");
        EXPECT_EQ(add.result, Result::Unparsable) << file.text;
        EXPECT_NE(add.message.find(file.lineNamed), std::string::npos) << add.message;
        EXPECT_TRUE(add.text.empty());
        EXPECT_EQ(removeFromXScreenSaverPreferences(file.text).result, Result::Unparsable);
    }
}

// The first word of `command` as /bin/sh itself reads it (sh sets it as $1 and prints it; nothing
// is run).
std::string firstWordAsShellReadsIt(const std::string& command) {
    const std::string script = "set -- " + command + "; printf '%s' \"$1\"";
    std::string quoted = "'";
    for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    std::unique_ptr<FILE, int (*)(FILE*)> shell(popen(("/bin/sh -c " + quoted).c_str(), "r"), &pclose);
    std::string word;
    char buffer[256];
    while (shell && std::fgets(buffer, sizeof buffer, shell.get())) word += buffer;
    return word;
}

const XScreenSaverProgram* ours(const XScreenSaverPreferences& preferences) {
    for (const XScreenSaverProgram& program : preferences.programs)
        if (program.isGlimmerdale) return &program;
    return nullptr;
}

TEST(XScreenSaverFile, AnyProgramPathComesBackWholeAsShellReadsItAndStaysOneEntry) {
    const std::string paths[] = {
        "/opt/my saver/glimmerdale",
        "/opt/it's \"here\"/glimmerdale",
        "/opt/$HOME/`id`/%s/glimmerdale",
        "/opt/back\\slash\\n/glimmerdale",
        "/opt/gl\u00fchwein \u2603/glimmerdale",
        "/opt/tab\there;&|<>*?#()~/glimmerdale",
        "/usr/libexec/xscreensaver/glimmerdale",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const XScreenSaverEdit added = addToXScreenSaverPreferences(kSettingsFile, path, "");
        ASSERT_EQ(added.result, Result::Changed);
        const XScreenSaverPreferences read = readXScreenSaverPreferences(added.text);
        ASSERT_TRUE(read.parsed) << read.error;
        ASSERT_EQ(read.programs.size(), 4u) << "a backslash or quote split the entry";
        const XScreenSaverProgram* entry = ours(read);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->program, path);
        EXPECT_EQ(firstWordAsShellReadsIt(entry->command), path) << entry->command;
        EXPECT_EQ(entry->name, kXScreenSaverEntryName);
        EXPECT_TRUE(selectsGlimmerdale(read));
        // Set twice changes nothing; set from another install path replaces it, never adds one.
        EXPECT_EQ(addToXScreenSaverPreferences(added.text, path, "").result, Result::Unchanged);
        const std::string elsewhere =
            path == kProgram ? "/usr/local/libexec/xscreensaver/glimmerdale" : kProgram;
        const XScreenSaverEdit moved = addToXScreenSaverPreferences(added.text, elsewhere, "");
        ASSERT_EQ(moved.result, Result::Changed);
        EXPECT_EQ(listed(moved.text).entries.size(), 4u);
        EXPECT_EQ(ours(readXScreenSaverPreferences(moved.text))->program, elsewhere);
        // Unset from any install path gives back every byte.
        EXPECT_EQ(removeFromXScreenSaverPreferences(added.text).text, kSettingsFile);
    }
}

TEST(XScreenSaverFile, ASecondSetKeepsTheUsersOptionsAndNameAndDropsDuplicates) {
    // As XScreenSaver's settings write an entry after the user turned the music off and the
    // 24-hour clock on, and a copy of it an older version added again.
    const std::string file =
        "mode: one\nselected: 2\nprograms: \\\n  maze --root \\n\\\n"
        "- \"My Christmas\" /opt/old/glimmerdale --no-music --clock-24h \\n\\\n"
        "  gears --root \\n\\\n  GL: /opt/old/glimmerdale --root \\n\\\n\n";
    const XScreenSaverEdit added = addToXScreenSaverPreferences(file, kProgram, "");
    ASSERT_EQ(added.result, Result::Changed);
    const XScreenSaverPreferences read = readXScreenSaverPreferences(added.text);
    ASSERT_EQ(read.programs.size(), 3u);
    const XScreenSaverProgram& entry = read.programs[1];
    EXPECT_TRUE(entry.enabled);
    EXPECT_EQ(entry.visual, "GL");
    EXPECT_EQ(entry.name, "My Christmas");
    EXPECT_EQ(entry.program, kProgram);
    EXPECT_EQ(entry.arguments, "--no-music --clock-24h --root");
    EXPECT_EQ(read.selected, 1);
    EXPECT_EQ(read.mode, "one");
    EXPECT_EQ(addToXScreenSaverPreferences(added.text, kProgram, "").result, Result::Unchanged);
}

TEST(XScreenSaverFile, UnsetGivesBackTheModeAndSelectionThereWereBeforeSet) {
    const std::string programs = "programs: \\\n  maze --root \\n\\\n  gears --root \\n\\\n\n";
    const struct {
        const char* name;
        std::string settings;
    } files[] = {
        {"both set", "mode:\t\tblank\nselected:\t1\n"},
        {"only mode", "mode: random\n"},
        {"neither", ""},
        {"selected only, CRLF", "selected: 0\r\n"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const std::string text = file.settings + programs;
        const XScreenSaverSelection before = xscreensaverSelection(readXScreenSaverPreferences(text));
        const XScreenSaverEdit added = addToXScreenSaverPreferences(text, kProgram, "");
        ASSERT_EQ(added.result, Result::Changed);
        ASSERT_TRUE(selectsGlimmerdale(readXScreenSaverPreferences(added.text)));
        const XScreenSaverEdit removed = removeFromXScreenSaverPreferences(added.text, &before);
        ASSERT_EQ(removed.result, Result::Changed);
        EXPECT_EQ(removed.text, text);
    }
    // The user chose another program since: that choice stands, moved down with the list.
    const std::string chosen =
        "mode: one\nselected: 2\nprograms: \\\n  maze --root \\n\\\n"
        "  GL: \"Glimmerdale\" /x/glimmerdale --root \\n\\\n  gears --root \\n\\\n\n";
    const XScreenSaverSelection old{std::string("random"), std::string("-1")};
    const Listed left = listed(removeFromXScreenSaverPreferences(chosen, &old).text);
    EXPECT_EQ(left.mode, "one");
    EXPECT_EQ(left.selected, 1);
}

TEST(XScreenSaverFile, TimesReadAsXScreenSaverReadsThem) {
    const struct {
        const char* text;
        bool valid;
        unsigned seconds;
    } times[] = {
        {"0:10:00", true, 600}, {"1:00:05", true, 3605}, {"10", true, 600},     {"2:30", true, 150},
        {"", false, 0},         {"ten", false, 0},       {"1:2:3:4", false, 0}, {"5:", false, 0},
        {"-1", false, 0},       {"0:10:00 ", false, 0},
    };
    for (const auto& time : times) {
        unsigned seconds = 12345;
        EXPECT_EQ(xscreensaverSeconds(time.text, seconds), time.valid) << time.text;
        if (time.valid) {
            EXPECT_EQ(seconds, time.seconds) << time.text;
        }
    }
}

}  // namespace
