#pragma once
// Configure mode: the options dialog over the settings store, its texts from the media pack.

#include <cstdint>

class MediaPack;
class SettingsStore;

// Builds the dialog over `store`'s settings, with the string table from `media`, shows it and
// returns when the run mode is no longer Configure (OK stores the settings). `hostWindow` is the
// window number the configure switch named (0 for none); on Windows that window owns the dialog.
// Without a display it says so on stderr and in the log, sets the run mode to Quit and returns.
void runOptionsDialog(SettingsStore& store, const MediaPack& media, std::uint32_t hostWindow);
