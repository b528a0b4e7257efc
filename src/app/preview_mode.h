#pragma once
// Preview mode: the fixed preview picture, in the host's window or in a small window of its own.

#include <cstdint>

// Logs the parent window number, opens the preview window inside the window `parent` (0: a window
// of its own) with the preview picture, and runs its loop while the run mode is Preview, sleeping
// 1 ms per pass. Ends the process with exit code 0 when the window goes away (the host destroyed
// it, or the own window was closed). Returns only when the window could not be made ("Create Window
// failed!" in the log).
void runPreviewMode(std::uint32_t parent);
