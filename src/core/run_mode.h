#pragma once
// The process-wide run mode: set once from the command line, afterwards only ever set to Quit.
// Every loop of the program runs while the mode still equals its own.

enum class RunMode { Preview, Run, Configure, Quit };

RunMode currentRunMode();
void setRunMode(RunMode mode);
// Shorthand for setRunMode(RunMode::Quit); safe to call from a signal handler.
void requestQuit();
