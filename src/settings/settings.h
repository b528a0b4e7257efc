#pragma once
// The user's options, the resolution table they index, and their persistent store.
//
//   Resolution, ResolutionTable    the 11 screen modes the resolution option picks from
//   Settings                       the options record with its defaults
//   SettingsStore                  record + table + the key they persist in; the entry point owns the
//                                  process's one, tests build their own
//
// Every option is stored as one 32-bit value: gamma and the volumes truncated toward zero, switches
// as 0 or 1 (any non-zero value reads as on). A value that is missing or unreadable reads as 0.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/screen.h"
#include "platform/settings_storage.h"

struct Resolution {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t colorBits = 0;
};

constexpr int kResolutionCount = 11;
// The entry "Use Desktop Settings" fills with the desktop size at 16 colour bits.
constexpr int kDesktopResolutionIndex = 10;
// What an index without a usable entry falls back to: 800 x 600 x 32.
constexpr int kFallbackResolutionIndex = 1;

// Entries 0 to 9 are fixed screen modes; entry 10 is all zero until the desktop size is put in.
class ResolutionTable {
public:
    ResolutionTable();
    // True for 0 .. kResolutionCount - 1.
    static bool isValidIndex(std::int32_t index) { return index >= 0 && index < kResolutionCount; }
    // The entry at `index`; an index outside the table gives the fallback entry.
    const Resolution& at(std::int32_t index) const;
    // Entry 10 = (width, height, 16).
    void setDesktop(int width, int height);

private:
    Resolution entries_[kResolutionCount];
};

// The registry value names, in the order the values are read and written.
extern const char* const kValueResolution;   // "Resolution:"
extern const char* const kValueGamma;        // "Gamma:"
extern const char* const kValueFps;          // "Fps:"
extern const char* const kValueClock;        // "Clock:"
extern const char* const kValueExitMM;       // "ExitMM:"
extern const char* const kValueEnableSound;  // "Enable sound:"
extern const char* const kValueEnableMusic;  // "Enable music:"
extern const char* const kValueMusicVolume;  // "Music volume:"
extern const char* const kValueSoundVolume;  // "Sound volume:"
extern const char* const kValueUsemon;       // "Usemon:"
extern const char* const kValueStyle24h;     // "Style24h:"
// Linux only, beside the eleven: the idle launcher's delay in minutes, written by saveIdleDelay,
// and the minutes of Run mode after which it has the session locked, written by saveLockAfter.
extern const char* const kValueIdleDelay;  // "Idle delay:"
extern const char* const kValueLockAfter;  // "Lock after:"

// The idle delay a missing or damaged "Idle delay:" gives, and the longest one kept.
constexpr std::int32_t kDefaultIdleDelayMinutes = 10;
constexpr std::int32_t kMaxIdleDelayMinutes = 24 * 60;
// The longest lock-after kept; 0 is never.
constexpr std::int32_t kMaxLockAfterMinutes = 24 * 60;

// The options record, with the stored value each member lives in. The member initialisers are the
// defaults.
struct Settings {
    std::int32_t resolutionIndex = 1;  // "Resolution:" entry of the ResolutionTable for the window
    float gamma = 3.0f;                // "Gamma:" 0.0 .. 4.0; the gamma ramp uses the exponent 4.0 - gamma
    bool showFrameRate = false;        // "Fps:"
    bool showClock = true;             // "Clock:"
    bool exitOnMouseMove = true;       // "ExitMM:" a mouse jump of more than 30 pixels ends Run mode
    bool unusedEnableSound = false;    // "Enable sound:" stored and shown in the dialog; nothing reads it
    bool enableMusic = true;           // "Enable music:" start the sound system and play the music
    float unusedMusicVolume = 40.0f;   // "Music volume:" stored; nothing reads it
    float masterVolume = 40.0f;        // "Sound volume:" 0 .. 100, the volume the music plays at
    bool useDesktopSize = true;        // "Usemon:" the desktop's own size (entry 10) instead of the index
    bool clock24Hour = false;          // "Style24h:" off means 12-hour with a.m./p.m.
    // "Idle delay:" minutes without input before the idle launcher starts Run mode, 1 .. 24 hours.
    std::int32_t idleDelayMinutes = kDefaultIdleDelayMinutes;
    // "Lock after:" minutes of Run mode started by the idle launcher before it asks for the session
    // to be locked, 0 (never, also for a value out of range) .. 24 hours.
    std::int32_t lockAfterMinutes = 0;
};

// The record, the table and the key they live in. The entry point makes the process's store over
// platform::settingsFolder(--config-dir); tests build their own over a temporary folder.
class SettingsStore {
public:
    using ScreenSizeSource = std::function<platform::ScreenSize()>;

    // A store over the settings file in `folder` ("" : a store without a key, which reads defaults
    // and drops writes). `screenSize` reports the desktop size for "Use Desktop Settings";
    // without one, platform::primaryScreenSize.
    explicit SettingsStore(const std::string& folder, ScreenSizeSource screenSize = nullptr);

    // Fills the record from the key; when the key does not exist, puts in the defaults and writes
    // them. With useDesktopSize on, entry 10 becomes the desktop size and the index 10 (not written
    // back). "Idle delay:" outside 1 .. 24 hours, or missing, gives the default delay; "Lock after:"
    // outside 0 .. 24 hours, or missing, gives 0. A stored
    // index without a usable entry (outside 0 .. 10, or 10 with useDesktopSize off)
    // becomes 1, with the log line "Resolution index <n> has no screen mode, using 800x600x32".
    // Never fails: unreadable values read as 0.
    void load();
    // Writes all eleven values in their stored forms, in one replacement of the file. Returns false
    // when the write failed (the file then holds what it held before); the record is unchanged.
    bool save();
    // Writes "Idle delay:" alone (the options dialog of a desktop with the idle launcher).
    bool saveIdleDelay();
    // Writes "Lock after:" alone (the same dialog).
    bool saveLockAfter();
    // Puts the defaults into the record (the table is left alone).
    void reset();
    // Entry 10 = the desktop size at 16 bits, and the index = 10.
    void useDesktopResolution();

    // One value of the key; 0 when the key, the value or its data is missing or unreadable.
    std::int32_t readDword(const char* name) const;
    // Writes one value; a failure is dropped (the file keeps what it held). Returns whether it was stored.
    bool writeDword(const char* name, std::int32_t value);

    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    ResolutionTable& resolutions() { return table_; }
    const ResolutionTable& resolutions() const { return table_; }
    // The table entry the resolution index picks (the fallback entry for an index outside the table).
    const Resolution& chosenResolution() const { return table_.at(settings_.resolutionIndex); }
    const platform::SettingsStorage& storage() const { return storage_; }

private:
    platform::SettingsStorage storage_;
    ScreenSizeSource screenSize_;
    Settings settings_;
    ResolutionTable table_;
};
