// The resolution table and the settings store: the record, its stored forms and the key.

#include <cmath>
#include <vector>

#include "core/log.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

const char* const kValueResolution = "Resolution:";
const char* const kValueGamma = "Gamma:";
const char* const kValueFps = "Fps:";
const char* const kValueClock = "Clock:";
const char* const kValueExitMM = "ExitMM:";
const char* const kValueEnableSound = "Enable sound:";
const char* const kValueEnableMusic = "Enable music:";
const char* const kValueMusicVolume = "Music volume:";
const char* const kValueSoundVolume = "Sound volume:";
const char* const kValueUsemon = "Usemon:";
const char* const kValueStyle24h = "Style24h:";
const char* const kValueIdleDelay = "Idle delay:";
const char* const kValueLockAfter = "Lock after:";

namespace {

constexpr float kMaxGamma = 4.0f;
constexpr float kMaxSoundVolume = 100.0f;

// The stored form of a float: truncated toward zero to a whole number. Values beyond what a
// 32-bit integer holds (or not a number) are pinned first, so the conversion is always defined.
std::int32_t truncatedForm(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0f) return 2147483647;
    if (value <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<std::int32_t>(value);
}

float clamped(float value, float low, float high) {
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

ResolutionTable::ResolutionTable()
    : entries_{{800, 600, 16},   {800, 600, 32},   {1024, 768, 16}, {1024, 768, 32},
               {1280, 1024, 16}, {1280, 1024, 32}, {1152, 864, 16}, {1152, 864, 32},
               {1600, 1200, 16}, {1600, 1200, 32}, {0, 0, 0}} {}

const Resolution& ResolutionTable::at(std::int32_t index) const {
    return entries_[isValidIndex(index) ? index : kFallbackResolutionIndex];
}

void ResolutionTable::setDesktop(int width, int height) {
    entries_[kDesktopResolutionIndex] = Resolution{width, height, 16};
}

SettingsStore::SettingsStore(const std::string& folder, ScreenSizeSource screenSize)
    : storage_(folder, settingsFileFormat()), screenSize_(std::move(screenSize)) {
    if (!screenSize_) screenSize_ = platform::primaryScreenSize;
}

void SettingsStore::reset() { settings_ = Settings{}; }

std::int32_t SettingsStore::readDword(const char* name) const {
    std::uint32_t value = 0;
    if (!storage_.readDword(name, value)) return 0;
    return static_cast<std::int32_t>(value);
}

bool SettingsStore::writeDword(const char* name, std::int32_t value) {
    return storage_.writeDwords({platform::DwordValue{name, static_cast<std::uint32_t>(value)}});
}

void SettingsStore::useDesktopResolution() {
    platform::ScreenSize size = screenSize_();
    table_.setDesktop(size.width, size.height);
    settings_.resolutionIndex = kDesktopResolutionIndex;
}

void SettingsStore::load() {
    if (!storage_.keyExists()) {
        reset();
        save();
    } else {
        Settings& s = settings_;
        s.resolutionIndex = readDword(kValueResolution);
        // Outside 0 .. 4 the gamma ramp would invert or overflow; a damaged value is pinned to the range.
        s.gamma = clamped(static_cast<float>(readDword(kValueGamma)), 0.0f, kMaxGamma);
        s.showFrameRate = readDword(kValueFps) != 0;
        s.showClock = readDword(kValueClock) != 0;
        s.exitOnMouseMove = readDword(kValueExitMM) != 0;
        s.unusedEnableSound = readDword(kValueEnableSound) != 0;
        s.enableMusic = readDword(kValueEnableMusic) != 0;
        s.unusedMusicVolume = static_cast<float>(readDword(kValueMusicVolume));
        s.masterVolume = clamped(static_cast<float>(readDword(kValueSoundVolume)), 0.0f, kMaxSoundVolume);
        s.useDesktopSize = readDword(kValueUsemon) != 0;
        s.clock24Hour = readDword(kValueStyle24h) != 0;
        const std::int32_t idleDelay = readDword(kValueIdleDelay);
        s.idleDelayMinutes =
            idleDelay >= 1 && idleDelay <= kMaxIdleDelayMinutes ? idleDelay : kDefaultIdleDelayMinutes;
        const std::int32_t lockAfter = readDword(kValueLockAfter);
        s.lockAfterMinutes = lockAfter >= 0 && lockAfter <= kMaxLockAfterMinutes ? lockAfter : 0;
    }

    if (settings_.useDesktopSize) {
        useDesktopResolution();
        return;
    }
    // Entry 10 is only filled while useDesktopSize is on, so without it the index 10 has no screen mode
    // either.
    const std::int32_t index = settings_.resolutionIndex;
    if (!ResolutionTable::isValidIndex(index) || index == kDesktopResolutionIndex) {
        logLine("Resolution index ", index, " has no screen mode, using 800x600x32");
        settings_.resolutionIndex = kFallbackResolutionIndex;
    }
}

bool SettingsStore::save() {
    const Settings& s = settings_;
    auto flag = [](bool on) { return on ? 1u : 0u; };
    auto whole = [](float value) { return static_cast<std::uint32_t>(truncatedForm(value)); };
    const std::vector<platform::DwordValue> values = {
        {kValueResolution, static_cast<std::uint32_t>(s.resolutionIndex)},
        {kValueGamma, whole(s.gamma)},
        {kValueFps, flag(s.showFrameRate)},
        {kValueClock, flag(s.showClock)},
        {kValueExitMM, flag(s.exitOnMouseMove)},
        {kValueEnableSound, flag(s.unusedEnableSound)},
        {kValueEnableMusic, flag(s.enableMusic)},
        {kValueMusicVolume, whole(s.unusedMusicVolume)},
        {kValueSoundVolume, whole(s.masterVolume)},
        {kValueUsemon, flag(s.useDesktopSize)},
        {kValueStyle24h, flag(s.clock24Hour)},
    };
    return storage_.writeDwords(values);
}

bool SettingsStore::saveIdleDelay() { return writeDword(kValueIdleDelay, settings_.idleDelayMinutes); }

bool SettingsStore::saveLockAfter() { return writeDword(kValueLockAfter, settings_.lockAfterMinutes); }
