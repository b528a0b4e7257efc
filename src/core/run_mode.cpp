#include "core/run_mode.h"

#include <atomic>

namespace {
// Atomic so that a signal handler may request the quit.
std::atomic<int> g_runMode{static_cast<int>(RunMode::Configure)};
}  // namespace

RunMode currentRunMode() { return static_cast<RunMode>(g_runMode.load()); }
void setRunMode(RunMode mode) { g_runMode.store(static_cast<int>(mode)); }
void requestQuit() { setRunMode(RunMode::Quit); }
