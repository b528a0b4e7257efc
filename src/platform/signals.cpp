#include "platform/signals.h"

#include <atomic>
#include <cstdlib>

namespace platform {
namespace {

// Read and written inside signal handlers: lock-free atomics only.
std::atomic<QuitRequest> g_quitRequest{nullptr};
std::atomic<RestoreHook> g_restoreHook{nullptr};
std::atomic<int> g_signalsSeen{0};
bool g_atExitInstalled = false;

}  // namespace

void runRestoreHook() {
    const RestoreHook hook = g_restoreHook.load();
    if (hook) hook();
}

void terminationSignal(int signalNumber) {
    if (g_signalsSeen.fetch_add(1) == 0) {
        // The frame loop sees the request at its next pass and shuts down in the normal order.
        const QuitRequest quit = g_quitRequest.load();
        if (quit) quit();
        return;
    }
    // Asked twice: the loop is not getting there, so put the display back now and leave.
    runRestoreHook();
    std::_Exit(128 + signalNumber);
}

void installExitHandlers(QuitRequest requestQuit, RestoreHook restore) {
    g_quitRequest.store(requestQuit);
    g_restoreHook.store(restore);
    g_signalsSeen = 0;
    catchTerminationSignals();
    if (!g_atExitInstalled) {
        g_atExitInstalled = true;
        std::atexit(runRestoreHook);
    }
}

void clearExitHook() { g_restoreHook.store(nullptr); }

}  // namespace platform
