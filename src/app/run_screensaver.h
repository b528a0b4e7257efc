#pragma once
// Run mode: the full-screen screensaver from window creation to shutdown.

// Runs the screensaver while the run mode is Run and returns when it has ended (the mode is then
// Quit, or a start-up failure was shown and logged). Everything it opened is released on return.
void runScreensaver();
