#pragma once
// Where the user's options persist: one key of named 32-bit values.
//
// On Windows the key is the registry key HKEY_CURRENT_USER\<folder> (by default
// Software\Vantorel\Glimmerdale) with one REG_DWORD per value, each read or written on its own.
//
// On Linux the key is a small text file in the registry-export convention,
//   $XDG_CONFIG_HOME/glimmerdale/settings.reg   (default ~/.config/glimmerdale/settings.reg)
// holding a "[HKEY_CURRENT_USER\Software\Vantorel\Glimmerdale]" line and one
// "Name:"=dword:0000000a line per value. The key exists when the file exists. Every read opens the
// file afresh; every write replaces it atomically (temporary file, fsync, rename), so a crash never
// leaves half a file and a failed write leaves the old file as it was.
//
// The text functions below are pure (bytes in, result out) so that the parser can be fuzzed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The section line of our key, without the brackets.
extern const char* const kSettingsKeyName;
// The file name inside the settings folder.
extern const char* const kSettingsFileName;

struct DwordValue {
    std::string name;  // e.g. "Gamma:"; the colon is part of the name
    std::uint32_t value = 0;
};

// --- The file format ------------------------------------------------------------------------------

// Looks `name` up in the text of a settings file. Names compare without regard to ASCII letter
// case, as registry value names do. Only value lines in our key's section (or before any section
// line) count, and the last line for a name wins. Lines that cannot be parsed are skipped.
// Returns false (leaving `value` alone) when there is no line for the name or its data is not a
// well-formed DWORD ("dword:" and 1 to 8 hex digits).
bool findDwordInSettingsText(const std::uint8_t* data, std::size_t size, const std::string& name,
                             std::uint32_t& value);

// The text of a settings file after storing `values` into the file whose current text is
// (data, size): a line already holding one of the names is replaced in place (later duplicates
// are dropped), names without a line are appended to our key's section (which is added when
// missing), and every other line, understood or not, is kept. Line ends come out as "\n".
// The names in `values` are expected to be distinct.
std::string updateSettingsText(const std::uint8_t* data, std::size_t size,
                               const std::vector<DwordValue>& values);

// --- The file on disk ------------------------------------------------------------------------------

class SettingsStorage {
public:
    // A store whose file is kSettingsFileName inside `folder` (on Windows: the registry key of that
    // path below HKEY_CURRENT_USER). An empty folder gives a store that has no key, reads nothing and
    // refuses every write.
    explicit SettingsStorage(std::string folder);

    // True when the settings file exists (readable or not).
    bool keyExists() const;

    // Reads the named value. False, with `value` untouched, when the file is missing or unreadable
    // or holds no well-formed DWORD for the name.
    bool readDword(const std::string& name, std::uint32_t& value) const;

    // Stores the values in one atomic replacement of the file, creating the folder when needed and
    // keeping all other lines. False when anything fails; the file on disk is then unchanged. A file
    // that exists but cannot be read is never replaced, so nothing in it is lost. (The registry
    // takes each value on its own: a failure there may leave the values before it stored.)
    bool writeDwords(const std::vector<DwordValue>& values);

    const std::string& folder() const { return folder_; }
    // Full path of the settings file ("" for a store without a folder).
    const std::string& filePath() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

// The folder the settings live in: `overrideFolder` when it is not empty, else the environment
// variable GLIMMERDALE_CONFIG_DIR, else $XDG_CONFIG_HOME/glimmerdale, else ~/.config/glimmerdale.
// Empty when no home folder can be found. On Windows: `overrideFolder` when it is not empty, else
// the key Software\Vantorel\Glimmerdale.
std::string settingsFolder(const std::string& overrideFolder);

}  // namespace platform
