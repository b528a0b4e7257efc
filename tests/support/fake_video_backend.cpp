#include "support/fake_video_backend.h"

#include <algorithm>

namespace platform {

FakeVideoBackend::FakeVideoBackend() {
    availableModes = {{640, 480, 60}, {800, 600, 60}, {1024, 768, 60}, {1280, 1024, 60}};
    currentMode = desktopMode;
    // A calibrated ramp that no single exponent describes: a power law would not give it back.
    for (int i = 0; i < 256; ++i) {
        deviceRamp.red[i] = static_cast<std::uint16_t>(std::min(65535, i * 256 + 40));
        deviceRamp.green[i] = static_cast<std::uint16_t>(i * 250);
        deviceRamp.blue[i] = static_cast<std::uint16_t>(std::min(65535, i * 258));
    }
}

bool FakeVideoBackend::readCurrentDisplayMode(DisplayMode& mode) {
    calls.push_back("readCurrentDisplayMode");
    if (!canReadMode) return false;
    mode = currentMode;
    return true;
}

bool FakeVideoBackend::changeDisplayMode(const DisplayMode& mode) {
    calls.push_back("changeDisplayMode");
    for (const DisplayMode& candidate : availableModes) {
        if (candidate.width == mode.width && candidate.height == mode.height) {
            currentMode = candidate;
            return true;
        }
    }
    return false;
}

void FakeVideoBackend::restoreDisplayMode() {
    calls.push_back("restoreDisplayMode");
    currentMode = desktopMode;
}

bool FakeVideoBackend::openWindow(const WindowRequest& request) {
    calls.push_back("openWindow");
    lastRequest = request;
    windowOpen = canOpenWindow;
    return windowOpen;
}

void FakeVideoBackend::closeWindow() {
    calls.push_back("closeWindow");
    contextExists = false;
    windowOpen = false;
}

void FakeVideoBackend::clientSize(int& width, int& height) {
    width = !windowOpen ? 0 : clientWidth >= 0 ? clientWidth : lastRequest.width;
    height = !windowOpen ? 0 : clientHeight >= 0 ? clientHeight : lastRequest.height;
}

int FakeVideoBackend::surfaceCount() {
    return surfaces.empty() ? VideoBackend::surfaceCount() : int(surfaces.size());
}

Surface FakeVideoBackend::surface(int index) {
    return surfaces.empty() ? VideoBackend::surface(index) : surfaces.at(std::size_t(index));
}

ContextResult FakeVideoBackend::createContext() {
    calls.push_back("createContext");
    if (!windowOpen) return ContextResult::NoPixelFormat;
    contextExists = contextResult == ContextResult::Created;
    return contextResult;
}

void FakeVideoBackend::destroyContext() {
    calls.push_back("destroyContext");
    contextExists = false;
}

bool FakeVideoBackend::setSwapInterval(int interval) {
    calls.push_back("setSwapInterval");
    if (!contextExists) return false;
    swapInterval = interval;
    return true;
}

void FakeVideoBackend::swapBuffers() {
    calls.push_back("swapBuffers");
    ++swaps;
    if (afterSwap) afterSwap();
}

WindowEvent FakeVideoBackend::pollEvent() {
    if (queue.empty()) return WindowEvent::None;
    const WindowEvent event = queue.front();
    queue.pop_front();
    return event;
}

WindowEvent FakeVideoBackend::waitEvent(int timeoutMilliseconds) {
    calls.push_back("waitEvent");
    ++waits;
    if (shortestWaitTimeout < 0 || timeoutMilliseconds < shortestWaitTimeout)
        shortestWaitTimeout = timeoutMilliseconds;
    const WindowEvent event = pollEvent();
    if (event == WindowEvent::None && afterEmptyWait) afterEmptyWait();
    return event;
}

void FakeVideoBackend::postQuit() {
    calls.push_back("postQuit");
    queue.push_back(WindowEvent::QuitRequest);
}

void FakeVideoBackend::showCursor(bool visible) {
    calls.push_back(visible ? "showCursor" : "hideCursor");
    cursorVisible = visible;
}

CursorPosition FakeVideoBackend::cursorPosition() { return cursor; }

bool FakeVideoBackend::leftButtonDown() { return leftButton; }

bool FakeVideoBackend::readGammaRamp(GammaRamp& ramp) {
    calls.push_back("readGammaRamp");
    if (!hasGammaRamp || !windowOpen) return false;
    ramp = deviceRamp;
    return true;
}

bool FakeVideoBackend::writeGammaRamp(const GammaRamp& ramp) {
    calls.push_back("writeGammaRamp");
    ++gammaWrites;
    if (!hasGammaRamp || !windowOpen) return false;
    if (keepsGammaRamp && !rampKept) {
        keptRamp = deviceRamp;
        rampKept = true;
    }
    deviceRamp = ramp;
    return true;
}

bool FakeVideoBackend::restoreGammaRamp() {
    calls.push_back("restoreGammaRamp");
    if (!keepsGammaRamp) return false;
    if (rampKept) deviceRamp = keptRamp;
    rampKept = false;
    return true;
}

int FakeVideoBackend::count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

}  // namespace platform
