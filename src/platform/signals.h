#pragma once
// Ways out of the process that skip the normal shutdown: an interrupt or termination signal, and
// exit() called from deep inside (a start-up failure). The display must still get its mode, cursor
// and gamma ramp back.

namespace platform {

// Called with the display state to put back. Must be safe to call more than once.
using RestoreHook = void (*)();

// Installs handlers for SIGINT and SIGTERM and an exit hook. The first signal asks the frame loop to
// end (the run mode becomes Quit), so the normal shutdown runs; a second signal runs the restore
// hook and ends the process at once with 128 + the signal number. exit() runs the restore hook too.
// Calling it again replaces the hook.
void installExitHandlers(RestoreHook restore);

// Removes the hook (the handlers stay and only ask for Quit).
void clearExitHook();

}  // namespace platform
