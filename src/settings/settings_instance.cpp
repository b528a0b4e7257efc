// The process-wide settings store and the free functions over it.

#include "app/launch_options.h"
#include "settings/settings.h"

SettingsStore& theSettingsStore() {
    // Created on first use, after the entry point has taken --config-dir off the command line.
    static SettingsStore store(platform::settingsFolder(launchOptions().configDir));
    return store;
}

Settings& theSettings() { return theSettingsStore().settings(); }
ResolutionTable& theResolutionTable() { return theSettingsStore().resolutions(); }

void loadSettings() { theSettingsStore().load(); }
bool saveSettings() { return theSettingsStore().save(); }
void resetSettings() { theSettingsStore().reset(); }
std::int32_t readDword(const char* name) { return theSettingsStore().readDword(name); }
bool writeDword(const char* name, std::int32_t value) { return theSettingsStore().writeDword(name, value); }
