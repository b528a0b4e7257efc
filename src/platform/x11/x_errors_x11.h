#pragma once
// X errors arrive asynchronously and, by default, end the process. Our connections expect some: a
// host window destroyed under us, a monitor unplugged between two requests. While any user holds
// them, Xlib's process-wide handlers count errors instead, and a lost connection ends the process
// with exit(0), so that the exit hooks still run.

namespace platform::x11 {

// Installs the handlers for the first holder; release puts the previous ones back after the last.
void holdErrorHandlers();
void releaseErrorHandlers();

// Errors seen since the last reset. Call XSync first to hear of everything sent so far.
int errorCount();
void resetErrorCount();

}  // namespace platform::x11
