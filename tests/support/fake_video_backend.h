#pragma once
// A video backend with no display behind it, for tests: it keeps the state a real display would
// (mode, gamma ramp, cursor, an event queue), records every call in order, and can be told to fail
// any step. It never touches GL: a test that needs GL makes its own context current.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform {

class FakeVideoBackend : public VideoBackend {
public:
    FakeVideoBackend();

    // --- what the fake display is like (set by the test before use) ---
    DisplayMode desktopMode{1280, 1024, 60};
    std::vector<DisplayMode> availableModes;  // default: 640x480, 800x600, 1024x768, 1280x1024
    bool canReadMode = true;
    bool hasGammaRamp = true;
    bool keepsGammaRamp = false;  // keeps the ramp found before its first write and restores it itself
    bool canOpenWindow = true;
    ContextResult contextResult = ContextResult::Created;
    GammaRamp deviceRamp;  // what the display shows now (starts as a calibrated, non-power ramp)
    CursorPosition cursor;
    bool leftButton = false;
    std::deque<WindowEvent> queue;  // events the test lets arrive
    std::vector<Surface> surfaces;  // the monitors' parts of the window; empty: the window is one
    // Called after each swap and each wait that found the queue empty (a wait never sleeps unless
    // this does): the test lets events arrive at its moment.
    std::function<void()> afterSwap, afterEmptyWait;

    // --- what happened ---
    DisplayMode currentMode;  // the mode the display runs at now
    bool windowOpen = false;
    bool contextExists = false;
    bool cursorVisible = true;
    int swapInterval = -1;
    int swaps = 0;
    int gammaWrites = 0;
    GammaRamp keptRamp;  // with keepsGammaRamp: the ramp found before the first write
    bool rampKept = false;
    std::vector<std::string> calls;  // one name per call, in order
    int waits = 0;
    int shortestWaitTimeout = -1;  // of all waitEvent calls
    WindowRequest lastRequest;
    int clientWidth = -1, clientHeight = -1;  // the drawable size when set; else the requested size

    bool readCurrentDisplayMode(DisplayMode& mode) override;
    bool changeDisplayMode(const DisplayMode& mode) override;
    void restoreDisplayMode() override;
    bool openWindow(const WindowRequest& request) override;
    void closeWindow() override;
    void clientSize(int& width, int& height) override;
    int surfaceCount() override;
    Surface surface(int index) override;
    ContextResult createContext() override;
    void destroyContext() override;
    bool setSwapInterval(int interval) override;
    void swapBuffers() override;
    WindowEvent pollEvent() override;
    WindowEvent waitEvent(int timeoutMilliseconds) override;
    void postQuit() override;
    void showCursor(bool visible) override;
    CursorPosition cursorPosition() override;
    bool leftButtonDown() override;
    bool readGammaRamp(GammaRamp& ramp) override;
    bool writeGammaRamp(const GammaRamp& ramp) override;
    bool restoreGammaRamp() override;

    // How many times the named call was made.
    int count(const std::string& call) const;
};

}  // namespace platform
