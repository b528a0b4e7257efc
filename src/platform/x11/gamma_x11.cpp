#include "platform/x11/gamma_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <cstring>

#include "platform/x11/x_errors_x11.h"

namespace platform::x11 {
namespace {

// Every CRTC of the display's first screen with a ramp of its own, read whole.
std::vector<OutputRamp> readCrtcRamps(Display* display) {
    std::vector<OutputRamp> ramps;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!resources) return ramps;
    for (int i = 0; i < resources->ncrtc; ++i) {
        const RRCrtc crtc = resources->crtcs[i];
        const int size = XRRGetCrtcGammaSize(display, crtc);
        if (size <= 0) continue;
        XRRCrtcGamma* gamma = XRRGetCrtcGamma(display, crtc);
        if (!gamma) continue;
        if (gamma->size == size) {
            OutputRamp ramp;
            ramp.output = std::to_string(crtc);
            ramp.red.assign(gamma->red, gamma->red + size);
            ramp.green.assign(gamma->green, gamma->green + size);
            ramp.blue.assign(gamma->blue, gamma->blue + size);
            ramps.push_back(std::move(ramp));
        }
        XRRFreeGamma(gamma);
    }
    XRRFreeScreenResources(resources);
    return ramps;
}

bool setCrtcRamp(Display* display, const OutputRamp& ramp) {
    const RRCrtc crtc = std::strtoul(ramp.output.c_str(), nullptr, 10);
    const int size = static_cast<int>(ramp.red.size());
    if (size <= 0 || ramp.green.size() != ramp.red.size() || ramp.blue.size() != ramp.red.size() ||
        XRRGetCrtcGammaSize(display, crtc) != size)
        return false;
    XRRCrtcGamma* gamma = XRRAllocGamma(size);
    if (!gamma) return false;
    std::memcpy(gamma->red, ramp.red.data(), sizeof(std::uint16_t) * size);
    std::memcpy(gamma->green, ramp.green.data(), sizeof(std::uint16_t) * size);
    std::memcpy(gamma->blue, ramp.blue.data(), sizeof(std::uint16_t) * size);
    XRRSetCrtcGamma(display, crtc, gamma);
    XRRFreeGamma(gamma);
    return true;
}

bool hasRandrGamma(Display* display) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) return false;
    // CRTC gamma came with RandR 1.2.
    return XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 2));
}

}  // namespace

CrtcGamma::~CrtcGamma() {
    if (!display_) return;
    XCloseDisplay(display_);
    releaseErrorHandlers();
}

bool CrtcGamma::connect() {
    if (display_) return true;
    if (connectFailed_) return false;
    display_ = XOpenDisplay(nullptr);
    if (display_ && !hasRandrGamma(display_)) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    // A monitor unplugged between two requests gives an X error, which must not end the program.
    if (display_) holdErrorHandlers();
    connectFailed_ = display_ == nullptr;
    return display_ != nullptr;
}

std::vector<OutputRamp> CrtcGamma::readRamps() { return readCrtcRamps(display_); }

bool CrtcGamma::writeRamp(const OutputRamp& ramp) { return setCrtcRamp(display_, ramp); }

bool CrtcGamma::read(GammaRamp& ramp) {
    if (!connect()) return false;
    for (const OutputRamp& crtc : readRamps()) {
        if (isBlankRamp(crtc)) continue;
        const int size = static_cast<int>(crtc.red.size());
        ramp.red = rampOf(crtc.red.data(), size);
        ramp.green = rampOf(crtc.green.data(), size);
        ramp.blue = rampOf(crtc.blue.data(), size);
        return true;
    }
    return false;
}

bool CrtcGamma::write(const GammaRamp& ramp) {
    if (!connect()) return false;
    // Whatever happens to this process from here on, the guardian puts the kept ramps back.
    const std::string name = DisplayString(display_);
    const bool taken = keeper_.write(*this, ramp, [this, &name](const std::vector<OutputRamp>& kept) {
        return guardian_.start([name, kept] { putBackRamps(name, kept); });
    });
    XSync(display_, False);
    return taken;
}

bool CrtcGamma::restore() {
    if (!display_ || !keeper_.restore(*this)) return false;
    XSync(display_, False);
    guardian_.release();
    return true;
}

void putBackRamps(const std::string& displayName, const std::vector<OutputRamp>& ramps) {
    holdErrorHandlers();
    if (Display* display = XOpenDisplay(displayName.c_str())) {
        for (const OutputRamp& ramp : ramps) setCrtcRamp(display, ramp);
        XSync(display, False);
        XCloseDisplay(display);
    }
    releaseErrorHandlers();
}

}  // namespace platform::x11
