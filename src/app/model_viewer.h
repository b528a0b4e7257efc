#pragma once
// The model viewer for reviewing the media: one static model, "Models/<name>.BSM", turning slowly in
// the Run-mode window under a plain white light, with the usual frame loop, exits and shutdown.

#include <string>

// Runs while the run mode is Run (a key, a click or --frames ends it) and returns after the normal
// shutdown. The window size and mode follow the same options as the screensaver (--size,
// --windowed). A missing model file loads as an empty model, so the window stays empty.
void runModelViewer(const std::string& name);
