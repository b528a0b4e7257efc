#include "display/gamma.h"

#include <cmath>

platform::GammaRamp gammaRampForExponent(double exponent) {
    platform::GammaRamp ramp;
    for (int i = 0; i < 256; ++i) {
        double value = std::pow(i * 0.00390625, exponent) * 65536.0;
        if (value < 0.0) value = 0.0;
        if (value > 65535.0) value = 65535.0;
        const auto entry = static_cast<std::uint16_t>(value);
        ramp.red[i] = entry;
        ramp.green[i] = entry;
        ramp.blue[i] = entry;
    }
    return ramp;
}

namespace {

// Mean of ln(r / 65536) / ln(i / 256) over the non-zero entries; false when there are none.
bool channelExponent(const std::array<std::uint16_t, 256>& table, double& exponent) {
    double sum = 0.0;
    int counted = 0;
    for (int i = 0; i < 256; ++i) {
        const std::uint16_t entry = table[i];
        if (entry == 0) continue;
        // ln(0 / 256) is minus infinity, so index 0 contributes nothing but its count.
        if (i > 0) sum += std::log(entry / 65536.0) / std::log(i / 256.0);
        ++counted;
    }
    if (counted == 0) return false;
    exponent = sum / counted;
    return true;
}

}  // namespace

double gammaExponentOfRamp(const platform::GammaRamp& ramp) {
    double sum = 0.0;
    int channels = 0;
    for (const auto* table : {&ramp.red, &ramp.green, &ramp.blue}) {
        double exponent = 0.0;
        if (channelExponent(*table, exponent)) {
            sum += exponent;
            ++channels;
        }
    }
    return channels == 0 ? 1.0 : sum / channels;
}

double readGammaExponent(DisplayGamma& gamma, platform::VideoBackend& backend) {
    platform::GammaRamp ramp;
    if (!backend.readGammaRamp(ramp)) return 1.0;
    if (!gamma.originalRampSaved) {
        gamma.originalRamp = ramp;
        gamma.originalRampSaved = true;
    }
    return gammaExponentOfRamp(ramp);
}

void applyGammaExponent(DisplayGamma& gamma, platform::VideoBackend& backend, double exponent) {
    // Marked before the write: a display that half-took a ramp still gets the original back.
    gamma.changed = true;
    backend.writeGammaRamp(gammaRampForExponent(exponent));
}

void restoreOriginalGamma(DisplayGamma& gamma, platform::VideoBackend& backend) {
    if (!gamma.changed) return;
    gamma.changed = false;
    // A backend that kept the ramps itself has them at the display's own sizes, each one whole.
    if (backend.restoreGammaRamp()) return;
    if (gamma.originalRampSaved) backend.writeGammaRamp(gamma.originalRamp);
}
