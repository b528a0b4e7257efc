#pragma once
// XScreenSaver's preferences file, ~/.xscreensaver, edited the way a careful hand would: only the
// programs list and the "mode:" and "selected:" lines change, every other byte stays as it was, and
// a file that does not read as a preferences file is not touched at all.
//
//   XScreenSaverProgram, XScreenSaverPreferences   the file read: its programs and settings
//   readXScreenSaverPreferences     the parser (pure: text in, structure out)
//   XScreenSaverSelection           "mode:" and "selected:" as they were, to be put back
//   addToXScreenSaverPreferences    Glimmerdale listed (named, with "GL:"), enabled and selected
//   removeFromXScreenSaverPreferences   Glimmerdale no longer listed, the selection given back
//   selectsGlimmerdale              whether XScreenSaver would start Glimmerdale
//   xscreensaverPreferencesFromDefaults  a new file from XScreenSaver's app-defaults
//   xscreensaverSeconds             a time setting ("0:10:00", "10") in seconds

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The name XScreenSaver's settings list our entry under. Without a name in the line they make one
// from the program's file name, which for "glimmerdale" reads "GLImmerdale".
inline constexpr char kXScreenSaverEntryName[] = "Glimmerdale";

// One entry of the programs list: "[-] [visual:] [\"name\"] command", as XScreenSaver reads it:
// "\n" separates entries, a backslash makes the next character literal.
struct XScreenSaverProgram {
    std::size_t begin = 0, end = 0;  // the entry's text in the file, without the blanks around it
    bool enabled = true;             // no leading "-"
    std::string visual;              // "GL" for "GL:", "" for none
    std::string name;                // the name between double quotes, "" for none
    std::string command;             // the command with its arguments, escapes undone
    std::string program;             // the command's first word as /bin/sh reads it ("" when unreadable)
    std::string arguments;           // the command after that word, blanks before it dropped
    bool isGlimmerdale = false;      // the program's file name is glimmerdale (or Glimmerdale.scr)
    // The whole line the entry stands alone on (blanks, the entry, "\n", a continuation), or npos.
    std::size_t lineBegin = std::string::npos, lineEnd = 0;
    bool lastLine = false;         // that line ends the list (it has no continuation)
    std::size_t separatorEnd = 0;  // end of the "\n" after the entry (= end when there is none)
};

// A one-line setting ("name: value") and where it lies.
struct XScreenSaverSetting {
    std::string value;
    std::size_t valueBegin = 0, valueEnd = 0;  // the value, blanks around it excluded
    std::size_t lineBegin = 0, lineEnd = 0;    // the whole line, its line end included
};

struct XScreenSaverPreferences {
    bool parsed = false;
    std::string error;  // why not, with the line number
    bool hasPrograms = false;
    std::vector<XScreenSaverProgram> programs;
    // Where a new entry can go as a line of its own (after this offset), or npos when the list
    // has no such place (see addToXScreenSaverPreferences).
    std::size_t insertAt = std::string::npos;
    std::size_t programsNameBegin = 0;  // where the name "programs" starts
    std::size_t programsEnd = 0;        // end of the programs resource's last line (before its line end)
    std::string lineEnd = "\n";         // "\r\n" when the file's first line ends so
    // Every one-line setting by its name (without an app-defaults "*"), the last of a name standing.
    std::map<std::string, XScreenSaverSetting> settings;
    std::string mode;   // "mode:" value, "" when absent
    int selected = -1;  // "selected:" value, -1 when absent or not a number

    // The setting's value, or nullptr when the file has none.
    const XScreenSaverSetting* setting(const std::string& name) const;
};

// Parses the text of a preferences file (or of an app-defaults file, whose names start with "*").
// Lines are blank, comments ("#" or "!"), or "name: value" resources continued by a "\" at the end
// of a line. Anything else makes the file unparsable.
XScreenSaverPreferences readXScreenSaverPreferences(const std::string& text);

// "mode:" and "selected:" as a file has them (nullopt: the file has no such line).
struct XScreenSaverSelection {
    std::optional<std::string> mode;
    std::optional<std::string> selected;
};
XScreenSaverSelection xscreensaverSelection(const XScreenSaverPreferences& preferences);

struct XScreenSaverEdit {
    enum class Result { Changed, Unchanged, Unparsable };
    Result result = Result::Unparsable;
    std::string text;     // the new file when Changed
    std::string message;  // why, when Unparsable
};

// Glimmerdale in the programs list as `GL: "Glimmerdale" <program> --root`, enabled, with
// "mode: one" and "selected:" its place in the list. `programPath` is quoted for /bin/sh as needed
// (it must hold no control character). An entry of ours already there (any entry whose program is
// named glimmerdale, wherever it lies) keeps its name and its arguments, which are the options the
// user chose in XScreenSaver's settings; its program becomes `programPath`, and "--root" is added
// when it lacks one. Further entries of ours go. Without one, a line of its own is added at the head
// of the list. A file without a programs list gets `defaultPrograms` (a "programs:" resource, as
// xscreensaverPreferencesFromDefaults makes it) appended first, so the user keeps XScreenSaver's
// other programs. Unchanged when all of that holds already.
XScreenSaverEdit addToXScreenSaverPreferences(const std::string& text, const std::string& programPath,
                                              const std::string& defaultPrograms);
// Every entry of ours taken out. When one of ours was selected, "mode:" and "selected:" become
// `before` (a line that was not there goes again); without `before`, nothing is selected and
// XScreenSaver picks at random. Otherwise a "selected:" after our entries moves down with the list.
// Unchanged when no entry of ours is listed.
XScreenSaverEdit removeFromXScreenSaverPreferences(const std::string& text,
                                                   const XScreenSaverSelection* before = nullptr);

// Whether XScreenSaver runs one of our entries: "mode: one" with an enabled entry of ours selected.
bool selectsGlimmerdale(const XScreenSaverPreferences& preferences);

// The preferences file for a user who has none: XScreenSaver's default programs list from the text
// of its app-defaults file (XScreenSaver takes every other setting from there). False, with
// `message`, when the app-defaults text holds no programs list.
bool xscreensaverPreferencesFromDefaults(const std::string& appDefaults, std::string& text,
                                         std::string& message);

// A time setting as XScreenSaver reads it ("H:MM:SS", "MM:SS" or a number of minutes) in seconds.
// False when it is none of these.
bool xscreensaverSeconds(const std::string& value, unsigned& seconds);
