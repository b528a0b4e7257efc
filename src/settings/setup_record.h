#pragma once
// What the desktop set-up changed in settings that are not Glimmerdale's own (XScreenSaver's
// selection, MATE's and Xfce's screensaver theme), and what they held before, kept in a file of
// Glimmerdale's so that undoing the set-up, from whichever session, puts that back.
//
//   SetupRecord                          the values before, by key ("xscreensaver.mode", ...)
//   readSetupRecord, setupRecordText     the file's text: "key=value" lines (pure)

#include <map>
#include <optional>
#include <string>

struct SetupRecord {
    // Every key the set-up wrote, with the value it found there before.
    std::map<std::string, std::string> values;

    std::optional<std::string> get(const std::string& key) const;
    bool has(const std::string& key) const { return values.count(key) != 0; }
    // Takes out every key that starts with `prefix`.
    void eraseAll(const std::string& prefix);
};

// The record in `text`; lines that are blank, comments ("#") or not "key=value" are passed over.
SetupRecord readSetupRecord(const std::string& text);
// The file's text: a comment saying what it is, then one "key=value" line per key in key order. A
// backslash in a value is written "\\" and a line end "\n", so every value stays on its line.
std::string setupRecordText(const SetupRecord& record);
