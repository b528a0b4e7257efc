#include "platform/x11/x_errors_x11.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace platform::x11 {
namespace {

int g_errorCount = 0;
int countError(Display*, XErrorEvent*) {
    ++g_errorCount;
    return 0;
}

int endOnConnectionLoss(Display*) { std::exit(0); }

int g_holders = 0;
int (*g_previousErrorHandler)(Display*, XErrorEvent*) = nullptr;
int (*g_previousIoErrorHandler)(Display*) = nullptr;

}  // namespace

void holdErrorHandlers() {
    if (g_holders++ == 0) {
        g_previousErrorHandler = XSetErrorHandler(countError);
        g_previousIoErrorHandler = XSetIOErrorHandler(endOnConnectionLoss);
    }
}

void releaseErrorHandlers() {
    if (g_holders > 0 && --g_holders == 0) {
        XSetErrorHandler(g_previousErrorHandler);
        XSetIOErrorHandler(g_previousIoErrorHandler);
    }
}

int errorCount() { return g_errorCount; }
void resetErrorCount() { g_errorCount = 0; }

}  // namespace platform::x11
