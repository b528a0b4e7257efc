#include "platform/x11/gamma_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/x11/x_errors_x11.h"

namespace platform::x11 {
namespace {

std::uint16_t interpolate(const std::uint16_t* table, int size, double position) {
    const int below = std::clamp(static_cast<int>(std::floor(position)), 0, size - 1);
    const int above = std::min(below + 1, size - 1);
    const double share = position - below;
    const double value = table[below] + (table[above] - table[below]) * share;
    return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 65535L));
}

// Every CRTC of the display's first screen with a ramp of its own, read whole.
std::vector<CrtcRamp> readRamps(Display* display) {
    std::vector<CrtcRamp> ramps;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!resources) return ramps;
    for (int i = 0; i < resources->ncrtc; ++i) {
        const RRCrtc crtc = resources->crtcs[i];
        const int size = XRRGetCrtcGammaSize(display, crtc);
        if (size <= 0) continue;
        XRRCrtcGamma* gamma = XRRGetCrtcGamma(display, crtc);
        if (!gamma) continue;
        if (gamma->size == size) {
            CrtcRamp ramp;
            ramp.crtc = crtc;
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

bool setRamp(Display* display, unsigned long crtc, const std::vector<std::uint16_t>& red,
             const std::vector<std::uint16_t>& green, const std::vector<std::uint16_t>& blue) {
    const int size = static_cast<int>(red.size());
    if (size <= 0 || XRRGetCrtcGammaSize(display, crtc) != size) return false;
    XRRCrtcGamma* gamma = XRRAllocGamma(size);
    if (!gamma) return false;
    std::memcpy(gamma->red, red.data(), sizeof(std::uint16_t) * size);
    std::memcpy(gamma->green, green.data(), sizeof(std::uint16_t) * size);
    std::memcpy(gamma->blue, blue.data(), sizeof(std::uint16_t) * size);
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

std::vector<std::uint16_t> resampleRamp(const std::array<std::uint16_t, 256>& table, int size) {
    std::vector<std::uint16_t> out(static_cast<std::size_t>(std::max(size, 0)));
    for (int j = 0; j < size; ++j) {
        const double position = size == 1 ? 0.0 : j * 255.0 / (size - 1);
        out[static_cast<std::size_t>(j)] = interpolate(table.data(), 256, position);
    }
    return out;
}

std::array<std::uint16_t, 256> rampOf(const std::uint16_t* table, int size) {
    std::array<std::uint16_t, 256> out{};
    if (!table || size <= 0) return out;
    for (int i = 0; i < 256; ++i)
        out[static_cast<std::size_t>(i)] = interpolate(table, size, i * (size - 1) / 255.0);
    return out;
}

bool isBlankRamp(const CrtcRamp& ramp) {
    const auto zero = [](const std::vector<std::uint16_t>& channel) {
        return std::all_of(channel.begin(), channel.end(), [](std::uint16_t v) { return v == 0; });
    };
    return zero(ramp.red) && zero(ramp.green) && zero(ramp.blue);
}

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

bool CrtcGamma::read(GammaRamp& ramp) {
    if (!connect()) return false;
    for (const CrtcRamp& crtc : readRamps(display_)) {
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
    if (originals_.empty()) {
        std::vector<CrtcRamp> found = readRamps(display_);
        found.erase(std::remove_if(found.begin(), found.end(), isBlankRamp), found.end());
        if (found.empty()) return false;
        // Whatever happens to this process from here on, the guardian puts these ramps back.
        const std::string name = DisplayString(display_);
        if (!guardian_.start([name, found] { putBackRamps(name, found); })) return false;
        originals_ = std::move(found);
    }
    bool taken = false;
    for (const CrtcRamp& original : originals_) {
        const int size = static_cast<int>(original.red.size());
        taken = setRamp(display_, original.crtc, resampleRamp(ramp.red, size), resampleRamp(ramp.green, size),
                        resampleRamp(ramp.blue, size)) ||
                taken;
    }
    XSync(display_, False);
    return taken;
}

bool CrtcGamma::restore() {
    if (originals_.empty() || !display_) return false;
    for (const CrtcRamp& original : originals_)
        setRamp(display_, original.crtc, original.red, original.green, original.blue);
    XSync(display_, False);
    originals_.clear();
    guardian_.release();
    return true;
}

void putBackRamps(const std::string& displayName, const std::vector<CrtcRamp>& ramps) {
    holdErrorHandlers();
    if (Display* display = XOpenDisplay(displayName.c_str())) {
        for (const CrtcRamp& ramp : ramps) setRamp(display, ramp.crtc, ramp.red, ramp.green, ramp.blue);
        XSync(display, False);
        XCloseDisplay(display);
    }
    releaseErrorHandlers();
}

}  // namespace platform::x11
