#pragma once
// Making Glimmerdale the screensaver of the Linux desktop at hand, and undoing it.
//
//   On X11 with XScreenSaver installed: Glimmerdale (with "GL:") goes into the programs list of
//   ~/.xscreensaver, which is made from XScreenSaver's defaults when there is none, and is selected;
//   a running XScreenSaver is asked to restart so that it reads the file again.
//   Anywhere else (Wayland, X11 without XScreenSaver): the idle launcher is started at each log-in
//   through an XDG autostart entry of the user's, and started now.

#include <string>

struct DesktopSetupResult {
    bool done = false;    // done, or nothing was left to do
    std::string message;  // what was done, or why nothing could be: a few sentences for the user
    std::string summary;  // the gist in one short line, for the options dialog
};

// Makes Glimmerdale the screensaver (`use`) or undoes that. `configDir` is handed on to the idle
// launcher ("" for the usual settings folder).
DesktopSetupResult setUpDesktopScreensaver(bool use, const std::string& configDir);

// --set-as-screensaver (`use`) and --unset-as-screensaver: prints the result's message (on stderr
// when not done) and returns the process exit code, 0 when done and 1 otherwise.
int runDesktopSetup(bool use, const std::string& configDir);
