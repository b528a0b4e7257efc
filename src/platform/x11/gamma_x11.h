#pragma once
// The display's gamma through XRandR: every CRTC (every monitor) has a ramp of its own, of the size
// its driver chooses (256, 1024, 4096 entries, ...). This is what `xrandr --gamma` sets; the
// X11 video-mode gamma that SDL uses only works on DirectColor visuals, which desktops no longer use.
// The CRTCs' ramps are kept and put back by the rule of platform/gamma_ramp.h, and a guardian
// process holds a copy of the kept ones in case this process ends without putting them back.
//
//   CrtcGamma      read / write / restore on the X display named by $DISPLAY
//   putBackRamps   what the guardian runs

#include <string>
#include <vector>

#include "platform/gamma_ramp.h"
#include "platform/posix/restore_guardian_posix.h"

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// The CRTCs as gamma outputs, named by their XRandR CRTC id in decimal.
class CrtcGamma final : private GammaOutputs {
public:
    CrtcGamma() = default;
    ~CrtcGamma() override;  // closes the connection; it does not restore (restore() and the guardian do)
    CrtcGamma(const CrtcGamma&) = delete;
    CrtcGamma& operator=(const CrtcGamma&) = delete;

    // The ramp of the first CRTC that has one, brought to 256 entries. False when the display has no
    // XRandR gamma, or only blank ramps.
    bool read(GammaRamp& ramp);

    // Sets the ramp, resampled to each CRTC's size, on every CRTC, keeping each CRTC's own ramp
    // before the first write that reaches it (GammaKeeper). Whenever new ramps are kept, a guardian
    // process is (re)started with all of them, which puts them back if this process ends without
    // restore(); a write whose guardian could not be started is refused (false, nothing changed).
    // True when at least one CRTC took the ramp.
    bool write(const GammaRamp& ramp);

    // Puts back every kept ramp exactly and lets the guardian go. False when nothing was kept.
    bool restore();

private:
    bool connect();
    std::vector<OutputRamp> readRamps() override;
    bool writeRamp(const OutputRamp& ramp) override;

    _XDisplay* display_ = nullptr;
    bool connectFailed_ = false;
    GammaKeeper keeper_;
    posix::RestoreGuardian guardian_;
};

// Opens a connection to `displayName`, puts each ramp back on its CRTC (where the CRTC still has
// that size) and closes it. What the guardian runs; usable from a freshly forked process.
void putBackRamps(const std::string& displayName, const std::vector<OutputRamp>& ramps);

}  // namespace platform::x11
