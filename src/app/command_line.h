#pragma once
// The screensaver switches on the process command line.
//
//   parseCommandLine          the run mode (and preview parent) from a whole command line
//   commandLineFromArguments  the command line rebuilt from argv
//
// Switches: "/" or "-" followed by c (configure), p (preview, with the parent window number), t
// (preview in a window of its own) or anything else (run); no switch at all means configure.

#include <cstdint>
#include <string>
#include <vector>

#include "core/run_mode.h"

// The run mode a command line asks for. The line starts with the program name: up to and including
// the closing double quote when it starts with one, else up to and including the first space.
// Then everything up to the first "/" or "-" is skipped, and the letter after it decides:
//   c, C  Configure; `parentHandle` = the first decimal number after the letter, or 0 without one
//   p, P  Preview;   `parentHandle` = the first decimal number after the letter, untouched without one
//   t, T  Preview;   `parentHandle` untouched
//   else  Run (also for a "/" or "-" at the very end)
// No program-name end, or no "/" or "-" after the name: Configure. Numbers beyond 32 bits read as
// 4294967295 (no window has that number). Never fails.
RunMode parseCommandLine(const std::wstring& commandLine, std::uint32_t& parentHandle);

// The command line as Windows would hand it over, rebuilt from argv (UTF-8; invalid bytes become
// U+FFFD). The program path (arguments[0]) is wrapped in double quotes when it holds a space or a tab,
// as programs starting a screensaver do, so the parser skips it whole; any double quote inside the
// path is dropped, since no path can hold one on Windows. The other arguments follow, each after one
// space, quoted only when they hold a space or a tab or are empty (inner quotes as \"). An empty
// `arguments` gives an empty line.
std::wstring commandLineFromArguments(const std::vector<std::string>& arguments);
