#include "app/run_screensaver.h"

#include "app/log.h"
#include "app/run_mode.h"

// The window and the frame loop are not built yet: Run mode leaves a line and ends at once.
void runScreensaver() {
    logLine("Run mode: no window yet, ending");
    requestQuit();
}
