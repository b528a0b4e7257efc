// Ways out that skip the normal shutdown on Windows: Ctrl+C or Ctrl+Break in the console the program
// was started from and SIGTERM (all reach us as C signals), the console closing or the session
// ending, and a crash.

#include <windows.h>

#include <csignal>

#include "platform/signals.h"

namespace platform {
namespace {

void onSignal(int signalNumber) {
    // The C runtime puts the default action back before it calls a handler.
    std::signal(signalNumber, onSignal);
    terminationSignal(signalNumber);
}

// Runs on a thread the system starts for the event. Ctrl+C and Ctrl+Break are left to the C
// runtime, which turns them into SIGINT; when the console closes or the session ends, the process
// ends as soon as this returns.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return FALSE;
    runRestoreHook();
    return FALSE;
}

LONG WINAPI onCrash(EXCEPTION_POINTERS*) {
    runRestoreHook();
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void catchTerminationSignals() {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGBREAK, onSignal);
    static bool systemHandlersInstalled = false;
    if (systemHandlersInstalled) return;
    systemHandlersInstalled = true;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    SetUnhandledExceptionFilter(onCrash);
}

}  // namespace platform
