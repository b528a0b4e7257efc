// Ways out that skip the normal shutdown on Windows: Ctrl+C or Ctrl+Break in the console the program
// was started from and SIGTERM (both reach us as C signals), the console closing or the session
// ending, a crash, and exit() from deep inside. The display gets its mode and gamma ramp back on
// each of them.

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "platform/signals.h"

namespace platform {
namespace {

std::atomic<QuitRequest> g_quitRequest{nullptr};
std::atomic<RestoreHook> g_restoreHook{nullptr};
std::atomic<int> g_signalsSeen{0};
bool g_installed = false;

void runRestoreHook() {
    RestoreHook hook = g_restoreHook.load();
    if (hook) hook();
}

void onTerminationSignal(int signalNumber) {
    // The C runtime puts the default action back before it calls a handler.
    std::signal(signalNumber, onTerminationSignal);
    if (g_signalsSeen.fetch_add(1) == 0) {
        // The frame loop sees the request at its next pass and shuts down in the normal order.
        QuitRequest quit = g_quitRequest.load();
        if (quit) quit();
        return;
    }
    // Asked twice: the loop is not getting there, so put the display back now and leave.
    runRestoreHook();
    _exit(128 + signalNumber);
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

void installExitHandlers(QuitRequest requestQuit, RestoreHook restore) {
    g_quitRequest.store(requestQuit);
    g_restoreHook.store(restore);
    g_signalsSeen = 0;
    std::signal(SIGINT, onTerminationSignal);
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGBREAK, onTerminationSignal);
    if (g_installed) return;
    g_installed = true;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    SetUnhandledExceptionFilter(onCrash);
    std::atexit(runRestoreHook);
}

void clearExitHook() { g_restoreHook.store(nullptr); }

}  // namespace platform
