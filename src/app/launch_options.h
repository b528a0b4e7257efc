#pragma once
// Options beyond the screensaver switches, for people (--windowed) and for tests and benchmarks.
// They are taken off the command line before the screensaver's own parser sees it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct LaunchOptions {
    bool windowed = false;       // --windowed: a normal window instead of full screen
    int width = 0, height = 0;   // --size WxH: window size (0: the resolution option decides)
    long frames = -1;            // --frames N: quit after N frames (-1: run until an exit event)
    std::string screenshotPath;  // --screenshot FILE.png: written after the last frame
    bool fixedTime = false;      // --time "YYYY-MM-DD HH:MM:SS": the local clock starts there and runs on
    std::string timeText;
    double fixedDt = 0.0;  // --fixed-dt X: a fixed frame step in frame units (0: measured); the local
                           // clock then advances by the steps
    bool seeded = false;   // --seed N: seed of the camera order
    std::uint32_t seed = 0;
    bool noVsync = false;     // --no-vsync
    int maxFps = -1;          // --max-fps N: frame-rate cap without vsync (-1: the display's rate, 0: none)
    bool soakReport = false;  // --soak-report: memory, particles and GL errors in the log
    bool layeredDrawing = false;     // --layered-drawing: each layer in a pass of its own, as before
    bool roomOnPrimaryOnly = false;  // --monitors primary: the other monitors covered in black
    int camera = -1;                 // --camera N: start on camera N (-1: chosen as usual)
    int cameraKey = -1;              // --camera-key K: with --camera, start the path at key K (-1: key 0)
    bool fixedView = false;          // --look-from X,Y,Z --look-at X,Y,Z: a still camera (z up)
    std::array<float, 3> lookFrom{}, lookAt{};
    double fieldOfView = 45.0;  // --fov DEG: vertical field of view of the still camera
    std::string viewModel;      // --view-model NAME: show one model turning (media review)
    std::string configDir;      // --config-dir DIR: where the settings file lives
    bool help = false;          // --help

    // The Linux desktop's screensaver: XScreenSaver's programs list, or the idle launcher.
    bool setAsScreensaver = false;    // --set-as-screensaver
    bool unsetAsScreensaver = false;  // --unset-as-screensaver
    bool screensaverStatus = false;   // --screensaver-status: how the set-up stands, exit 0 when working
    bool idleLauncher = false;        // --idle-launcher: start Run mode when the user goes idle
    int idleSeconds = 0;              // --idle-seconds N: the idle delay in seconds (0: the stored minutes)
    int lockAfterSeconds = -1;        // --lock-after-seconds N: lock the session after N s of Run mode
                                      // (0: never; -1: the stored minutes)

    // A screensaver framework's module (XScreenSaver's flags also come with one dash: -root,
    // -window-id, -fps): live Run mode inside a window the framework owns, until SIGTERM.
    bool root = false;           // --root: the root window (or $XSCREENSAVER_WINDOW)
    bool windowIdGiven = false;  // --window-id ID: this X11 window (decimal or 0x hex)
    std::uint32_t windowId = 0;
    bool embedded = false;         // set by resolveHostWindow
    std::uint32_t hostWindow = 0;  // the window to draw into; 0: the root window

    // The stored options for this run only, never written back (empty: the stored value stands).
    std::optional<bool> showFrameRate;  // --fps, --no-fps
    std::optional<bool> music;          // --music, --no-music
    std::optional<int> volume;          // --volume N: 0 to 100
    std::optional<bool> showClock;      // --clock, --no-clock
    std::optional<bool> clock24Hour;    // --clock-24h, --clock-12h
};

// Takes every argument that starts with "--" (and the value of an option that has one, given as the
// next argument or after "=") out of `arguments`, from index 1 on, into `options`; the program name
// and all other arguments stay, in their order, for the screensaver's own parser. With
// `frameworkFlags`, XScreenSaver's one-dash flags (-root, -window-id, -fps) are taken as their long
// options; without, they stay as screensaver switches, as Windows hands them. Returns false
// with a one-line `error` (and `arguments` and `options` in an unspecified state) for an unknown
// option, a missing value, a value out of range or options that do not go together (--camera-key
// without --camera, only one of --look-from and --look-at, the two the same point, --fov without
// them, --look-from with --camera).
bool takeLongOptions(std::vector<std::string>& arguments, LaunchOptions& options, std::string& error,
                     bool frameworkFlags = true);

// The text --help prints: the screensaver switches and every long option, one per line.
std::string launchOptionsHelp();

// Whether this run draws into a host's window, and which: --window-id, else the window in
// `xscreensaverWindow` (the XSCREENSAVER_WINDOW variable, null when unset), else with --root the
// root window. Sets options.embedded and options.hostWindow. False with a one-line `error` when the
// variable holds no window id, or --view-model asks for the model viewer.
bool resolveHostWindow(LaunchOptions& options, const char* xscreensaverWindow, std::string& error);

// The X11 window id in `text`: decimal or 0x hexadecimal, 1 to 0xffffffff.
bool readWindowId(const std::string& text, std::uint32_t& id);

struct Settings;
// Puts the options given for this run (--fps, --music, --volume, --clock, --clock-24h and their
// opposites) into `settings`, for Run mode; nothing is written to the store.
void applySettingOverrides(const LaunchOptions& options, Settings& settings);
