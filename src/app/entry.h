#pragma once
// The entry sequence of Glimmerdale.scr.

// Runs the program on argv as main() receives it and returns the process exit code:
//   2  a long option was wrong (the reason goes to stderr; nothing else ran, no log written)
//   0  --help (the help text goes to stdout), a second copy found, or the preview ended
//   1  every other end, as the entry sequence always returns 1
// In order: long options off the command line, Log.txt opened (truncated) in the working folder,
// the single-instance check, the settings (defaults, then the stored values), the media pack, the
// run mode from the remaining command line, then the options dialog, Run mode or the preview, each
// started only if the mode (read again each time) asks for it.
// Inside a framework's window (--root, --window-id, $XSCREENSAVER_WINDOW) the mode is Run, the log is
// the shared one in the user's state folder, and there is no single-instance check: the framework
// starts one copy per monitor. The options for one run (--fps, --music, ...) apply in Run mode.
int runGlimmerdale(int argc, char** argv);
