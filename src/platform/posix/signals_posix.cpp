// SIGINT / SIGTERM and exit(): the display gets its state back on every way out.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "platform/signals.h"

namespace platform {
namespace {

std::atomic<QuitRequest> g_quitRequest{nullptr};
std::atomic<RestoreHook> g_restoreHook{nullptr};
volatile sig_atomic_t g_signalsSeen = 0;
bool g_atExitInstalled = false;

void runRestoreHook() {
    RestoreHook hook = g_restoreHook.load();
    if (hook) hook();
}

void onTerminationSignal(int signalNumber) {
    g_signalsSeen = g_signalsSeen + 1;
    if (g_signalsSeen == 1) {
        // The frame loop sees the request at its next pass and shuts down in the normal order.
        QuitRequest quit = g_quitRequest.load();
        if (quit) quit();
        return;
    }
    // Asked twice: the loop is not getting there, so put the display back now and leave.
    runRestoreHook();
    _exit(128 + signalNumber);
}

}  // namespace

void installExitHandlers(QuitRequest requestQuit, RestoreHook restore) {
    g_quitRequest.store(requestQuit);
    g_restoreHook.store(restore);
    g_signalsSeen = 0;
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    if (!g_atExitInstalled) {
        g_atExitInstalled = true;
        std::atexit(runRestoreHook);
    }
}

void clearExitHook() { g_restoreHook.store(nullptr); }

}  // namespace platform
