#pragma once
// Run mode: the full-screen screensaver from window creation to shutdown.

struct LaunchOptions;
class MediaPack;
class RunSession;
class SettingsStore;

// Runs the screensaver while the run mode is Run and returns when it has ended (the mode is then
// Quit, or a start-up failure was shown and logged). Everything it opened is released on return,
// and the display's mode, cursor and gamma ramp are back as they were. The window size comes from
// the resolution option (or --size), full screen unless --windowed. Inside a framework's window
// (options.embedded) the picture fills that window and follows its size; the display, the cursor,
// the gamma ramp and the input are left to the framework.
void runScreensaver(const SettingsStore& settings, const LaunchOptions& options, MediaPack& media);

// What Run mode loads on its new window before the first frame: GL (capabilities and gamma in the
// log), the font, the loading picture, the countdown glyphs, the room with everything it names, and
// the vertex pool's upload.
void loadRunMode(RunSession& session);
