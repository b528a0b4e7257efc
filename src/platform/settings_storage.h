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
// leaves half a file and a failed write leaves the old file as it was. The text itself is the settings
// layer's (settings/settings_file.h): the store only moves the file's bytes and hands them to the
// SettingsFileFormat it was given.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The file name inside the settings folder.
constexpr const char* kSettingsFileName = "settings.reg";

struct DwordValue {
    std::string name;  // e.g. "Gamma:"; the colon is part of the name
    std::uint32_t value = 0;
};

// How the values sit in the text of a settings file: the store that keeps the options in a file reads
// and rewrites its text only through this.
class SettingsFileFormat {
public:
    virtual ~SettingsFileFormat() = default;
    // The value of `name` in the text (data, size); false, with `value` untouched, when it has none.
    virtual bool findDword(const std::uint8_t* data, std::size_t size, const std::string& name,
                           std::uint32_t& value) const = 0;
    // The text (data, size) with `values` stored into it.
    virtual std::string update(const std::uint8_t* data, std::size_t size,
                               const std::vector<DwordValue>& values) const = 0;
};

class SettingsStorage {
public:
    // A store whose file is kSettingsFileName inside `folder`, its text read and written in `format`,
    // which must outlive the store (on Windows: the registry key of that path below
    // HKEY_CURRENT_USER, and `format` is not used). An empty folder gives a store that has no key,
    // reads nothing and refuses every write.
    SettingsStorage(std::string folder, const SettingsFileFormat& format);

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
    const SettingsFileFormat* format_;
};

// The folder the settings live in: `overrideFolder` when it is not empty, else the environment
// variable GLIMMERDALE_CONFIG_DIR, else $XDG_CONFIG_HOME/glimmerdale, else ~/.config/glimmerdale.
// Empty when no home folder can be found. On Windows: `overrideFolder` when it is not empty, else
// the key Software\Vantorel\Glimmerdale.
std::string settingsFolder(const std::string& overrideFolder);

}  // namespace platform
