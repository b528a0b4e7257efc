#pragma once
// The gamma option applied through the display's hardware ramp. A ramp is summarised as one
// power-law exponent for the log; the ramp found at start is also kept whole and put back exactly.
// The window (gl_window.h) holds a DisplayGamma and calls these; nothing here knows the window.

#include "platform/gamma_ramp.h"
#include "platform/window.h"

// What Run mode keeps of the display's gamma between setting its ramp and putting the old one back.
struct DisplayGamma {
    double savedExponent = 1.0;        // of the ramp found at start (for the log)
    platform::GammaRamp originalRamp;  // the whole ramp found at start
    bool originalRampSaved = false;
    bool changed = false;
};

// The ramp for exponent x: entry i = floor((i / 256)^x * 65536), held to 0..65535, on all three
// channels. x = 1 gives i * 256; x = 0 gives 65535 everywhere.
platform::GammaRamp gammaRampForExponent(double exponent);

// The exponent that best describes a ramp: per channel, the mean of ln(r / 65536) / ln(i / 256)
// over the entries r that are not 0 (index 0 adds 0 and still counts), then the mean of the
// channels. A channel without any non-zero entry is left out; with none at all the result is 1.0.
double gammaExponentOfRamp(const platform::GammaRamp& ramp);

// Reads the display's ramp and returns its exponent. The first successful read is also kept whole in
// `gamma` for the restore. An unreadable ramp gives 1.0 and keeps nothing.
double readGammaExponent(DisplayGamma& gamma, platform::VideoBackend& backend);

// Sets the ramp for exponent x. A display that refuses it stays as it was; nothing is reported.
void applyGammaExponent(DisplayGamma& gamma, platform::VideoBackend& backend, double exponent);

// Puts back the ramp found at start, exactly, if a new one was set since: the backend's own copies
// when it keeps them (one whole ramp per monitor), else the ramp readGammaExponent kept.
void restoreOriginalGamma(DisplayGamma& gamma, platform::VideoBackend& backend);
