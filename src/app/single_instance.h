#pragma once
// Only one copy of the screensaver runs at a time.

#include <string>
#include <vector>

// The executable file name every copy carries; the check looks for exactly this name, letter case
// included. (Exactly 15 bytes, so the kernel's process name holds it whole.)
inline constexpr char kScreensaverFileName[] = "Glimmerdale.scr";

// The name the installed program carries (as XScreenSaver's hacks are named), also behind the
// glimmerdale command. Started by hand under it, the program takes the screensaver's file name for
// its process, so that its copies find each other; inside a framework's window it keeps this name
// and no copy started by hand counts it.
inline constexpr char kInstalledName[] = "glimmerdale";

// Walks the process names in order; for each one equal to `fileName` it counts and writes "gi gi"
// to the log. Returns true as soon as the count passes 1 (the rest of the list is not walked).
bool findsSecondInstance(const std::vector<std::string>& processNames,
                         const char* fileName = kScreensaverFileName);

// Whether this process runs the installed program (named kInstalledName), as opposed to the build
// tree's Glimmerdale.scr or the Windows screensaver.
bool runsInstalledProgram();

// Started by hand, the installed program takes the name kScreensaverFileName for its process, so
// that the single-instance check of every copy counts it. Nothing for any other name.
void takeScreensaverProcessName();

// Ends the process with exit code 0 (normal termination: the log is flushed and closed) when another
// copy named kScreensaverFileName is running. Returns when there is none, or when the process list
// cannot be taken.
void exitWhenAnotherCopyRuns();
