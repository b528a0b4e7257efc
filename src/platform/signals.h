#pragma once
// Ways out of the process that skip the normal shutdown: an interrupt or termination signal, and
// exit() called from deep inside (a start-up failure). The display must still get its mode, cursor
// and gamma ramp back. What each way out does is decided here (signals.cpp); the backends (posix/,
// win32/) only catch the signals and tell which one came.

namespace platform {

// Asks the frame loop to end. Runs inside a signal handler, so it may only store to an atomic.
using QuitRequest = void (*)();
// Puts the display state back. Must be safe to call more than once.
using RestoreHook = void (*)();

// Installs handlers for SIGINT and SIGTERM and an exit hook. The first signal calls `requestQuit`, so
// the normal shutdown runs; a second signal runs the restore hook and ends the process at once with
// 128 + the signal number. exit() runs the restore hook too. Calling it again replaces both.
void installExitHandlers(QuitRequest requestQuit, RestoreHook restore);

// Removes the restore hook (the handlers stay and only ask for the quit).
void clearExitHook();

// --- The backend's part ---

// Routes the termination signals to terminationSignal from now on (SIGINT and SIGTERM; on Windows
// also SIGBREAK, and the console closing, the session ending and a crash to runRestoreHook). Called
// by every installExitHandlers; must be safe to call again.
void catchTerminationSignals();

// What the backends' handlers call; both are safe inside a signal handler. A termination signal
// arrived (the rule above decides what follows):
void terminationSignal(int signalNumber);
// The process is ending another way (the console closed, the session ended, a crash): the display
// gets its state back now.
void runRestoreHook();

}  // namespace platform
