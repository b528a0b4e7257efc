// Ways out that skip the normal shutdown on Windows: a console's Ctrl+C, Ctrl+Break or close (when
// the program was started from a console), a crash, and exit() from deep inside. The display gets
// its mode and gamma ramp back on each of them.

#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "app/run_mode.h"
#include "platform/signals.h"

namespace platform {
namespace {

std::atomic<RestoreHook> g_restoreHook{nullptr};
std::atomic<int> g_interruptsSeen{0};
bool g_installed = false;

void runRestoreHook() {
    RestoreHook hook = g_restoreHook.load();
    if (hook) hook();
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        if (g_interruptsSeen.fetch_add(1) == 0) {
            // The frame loop sees Quit at its next pass and shuts down in the normal order.
            requestQuit();
            return TRUE;
        }
        // Asked twice: the loop is not getting there, so put the display back now and leave.
        runRestoreHook();
        ExitProcess(128 + 2);
    }
    // The console is going away: the process ends when this returns, so restore first.
    runRestoreHook();
    return FALSE;
}

LONG WINAPI onCrash(EXCEPTION_POINTERS*) {
    runRestoreHook();
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void installExitHandlers(RestoreHook restore) {
    g_restoreHook.store(restore);
    g_interruptsSeen = 0;
    if (g_installed) return;
    g_installed = true;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    SetUnhandledExceptionFilter(onCrash);
    std::atexit(runRestoreHook);
}

void clearExitHook() { g_restoreHook.store(nullptr); }

}  // namespace platform
