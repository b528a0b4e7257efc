#pragma once
// The user's options, the resolution table they index, and their persistent store.
// (Interface sketch; the settings subsystem owns and completes this header.)

#include <cstdint>

struct Resolution {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t colorBits = 0;
};

// Fills the process-wide Settings from the store, writing the defaults on first start.
void loadSettings();
// Writes all eleven values in their stored forms.
void saveSettings();
// Puts the defaults into the process-wide Settings (not into the resolution table).
void resetSettings();
