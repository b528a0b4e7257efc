#pragma once
// XScreenSaver's preferences file, ~/.xscreensaver, edited the way a careful hand would: only the
// programs list and the "mode:" and "selected:" lines change, every other byte stays as it was, and
// a file that does not read as a preferences file is not touched at all.
//
//   XScreenSaverPrograms            the entries of a programs list and where each lies in the file
//   readXScreenSaverPreferences     the parser (pure: text in, structure out)
//   addToXScreenSaverPreferences    Glimmerdale listed (with "GL:"), enabled and selected
//   removeFromXScreenSaverPreferences   Glimmerdale no longer listed
//   xscreensaverPreferencesFromDefaults  a new file from XScreenSaver's app-defaults

#include <cstddef>
#include <string>
#include <vector>

// One entry of the programs list: "[-] [visual:] [\"name\"] command", as XScreenSaver writes them.
struct XScreenSaverProgram {
    std::size_t begin = 0, end = 0;  // the entry's text in the file, without the blanks around it
    bool enabled = true;             // no leading "-"
    std::string visual;              // "GL" for "GL:", "" for none
    std::string command;             // the command with its arguments, blanks between words as written
    bool isGlimmerdale = false;      // the command's program file is named glimmerdale
    // The whole line the entry stands alone on (blanks, the entry, "\n", a continuation), or npos.
    std::size_t lineBegin = std::string::npos, lineEnd = 0;
    bool lastLine = false;         // that line ends the list (it has no continuation)
    std::size_t separatorEnd = 0;  // end of the "\n" after the entry (= end when there is none)
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
    std::string mode;                   // "mode:" value, "" when absent
    std::size_t modeBegin = std::string::npos, modeEnd = 0;  // where that value lies
    int selected = -1;  // "selected:" value, -1 when absent or not a number
    std::size_t selectedBegin = std::string::npos, selectedEnd = 0;
};

// Parses the text of a preferences file (or of an app-defaults file, whose names start with "*").
// Lines are blank, comments ("#" or "!"), or "name: value" resources continued by a "\" at the end
// of a line. Anything else makes the file unparsable.
XScreenSaverPreferences readXScreenSaverPreferences(const std::string& text);

struct XScreenSaverEdit {
    enum class Result { Changed, Unchanged, Unparsable };
    Result result = Result::Unparsable;
    std::string text;     // the new file when Changed
    std::string message;  // why, when Unparsable
};

// Glimmerdale in the programs list as "GL: <command>", enabled, with "mode: one" and "selected:" its
// place in the list. An entry of ours already there is corrected in place; without one, a line of
// its own is added at the head of the list. A file without a programs list gets `defaultPrograms`
// (a "programs:" resource, as xscreensaverPreferencesFromDefaults makes it) appended first, so the
// user keeps XScreenSaver's other programs. Unchanged when all of that holds already.
XScreenSaverEdit addToXScreenSaverPreferences(const std::string& text, const std::string& command,
                                              const std::string& defaultPrograms);
// Every entry of ours taken out; a "selected:" after it moves down by one, and a "selected:" of ours
// becomes -1 with "mode: random". Unchanged when no entry of ours is listed.
XScreenSaverEdit removeFromXScreenSaverPreferences(const std::string& text);

// The preferences file for a user who has none: a header comment and XScreenSaver's default programs
// list from the text of its app-defaults file (XScreenSaver takes every other setting from there).
// False, with `message`, when the app-defaults text holds no programs list.
bool xscreensaverPreferencesFromDefaults(const std::string& appDefaults, std::string& text,
                                         std::string& message);
