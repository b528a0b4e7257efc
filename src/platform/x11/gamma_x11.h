#pragma once
// The display's gamma through XRandR: every CRTC (every monitor) has a ramp of its own, of the size
// its driver chooses (256, 1024, 4096 entries, ...). This is what `xrandr --gamma` sets; the
// X11 video-mode gamma that SDL uses only works on DirectColor visuals, which desktops no longer use.
//
//   CrtcGamma               read / write / restore on the X display named by $DISPLAY
//   resampleRamp, rampOf    between our 256-entry tables and a CRTC's own size

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gamma_ramp.h"
#include "platform/posix/restore_guardian_posix.h"

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// One CRTC's ramp, whole, at its own size.
struct CrtcRamp {
    unsigned long crtc = 0;  // the XRandR CRTC id
    std::vector<std::uint16_t> red, green, blue;
};

// A 256-entry table spread over `size` entries by linear interpolation; 256 gives it back as it is.
std::vector<std::uint16_t> resampleRamp(const std::array<std::uint16_t, 256>& table, int size);

// A table of `size` entries (at least 1) brought to 256 by linear interpolation; 256 gives it back
// as it is.
std::array<std::uint16_t, 256> rampOf(const std::uint16_t* table, int size);

// True when every entry of every channel is 0: what a display without gamma (Xvfb) reports. Such a
// ramp is never put back, as it would black the screen.
bool isBlankRamp(const CrtcRamp& ramp);

class CrtcGamma {
public:
    CrtcGamma() = default;
    ~CrtcGamma();  // closes the connection; it does not restore (restore() and the guardian do)
    CrtcGamma(const CrtcGamma&) = delete;
    CrtcGamma& operator=(const CrtcGamma&) = delete;

    // The ramp of the first CRTC that has one, brought to 256 entries. False when the display has no
    // XRandR gamma, or only blank ramps.
    bool read(GammaRamp& ramp);

    // Sets the ramp, resampled to each CRTC's size, on every CRTC. Before the first write every
    // CRTC's ramp is kept whole, and a guardian process is started that puts them back if this
    // process ends without restore(). Refused (false, nothing changed) when no ramp could be kept,
    // or when the guardian could not be started. True when at least one CRTC took the ramp.
    bool write(const GammaRamp& ramp);

    // Puts back every kept ramp exactly and lets the guardian go. False when nothing was kept.
    bool restore();

    // The ramps kept before the first write (empty before it).
    const std::vector<CrtcRamp>& originals() const { return originals_; }

private:
    bool connect();

    _XDisplay* display_ = nullptr;
    bool connectFailed_ = false;
    std::vector<CrtcRamp> originals_;
    posix::RestoreGuardian guardian_;
};

// Opens a connection to `displayName`, puts each ramp back on its CRTC (where the CRTC still has
// that size) and closes it. What the guardian runs; usable from a freshly forked process.
void putBackRamps(const std::string& displayName, const std::vector<CrtcRamp>& ramps);

}  // namespace platform::x11
