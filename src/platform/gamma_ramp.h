#pragma once
// The display's hardware gamma ramps, and the one rule every backend follows for those the program
// changes.
//
//   GammaRamp        three tables (red, green, blue) of 256 16-bit entries: what the program sets
//   OutputRamp       one output's ramp whole, at the output's own size
//   resampleRamp, rampOf, isBlankRamp   between the two sizes, and a ramp that is no ramp
//   GammaOutputs     the backend's part: its outputs' ramps, read and written whole
//   GammaKeeper      keeps each output's ramp before changing it and puts them all back

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct GammaRamp {
    std::array<std::uint16_t, 256> red{};
    std::array<std::uint16_t, 256> green{};
    std::array<std::uint16_t, 256> blue{};

    bool operator==(const GammaRamp& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
    bool operator!=(const GammaRamp& other) const { return !(*this == other); }
};

// One output's ramp whole, at the size its driver chose (an X11 CRTC's 256, 1024, 4096 ... entries,
// a Windows display device's 256), under the backend's name for the output.
struct OutputRamp {
    std::string output;
    std::vector<std::uint16_t> red, green, blue;
};

// A 256-entry table spread over `size` entries by linear interpolation; 256 gives it back as it is.
std::vector<std::uint16_t> resampleRamp(const std::array<std::uint16_t, 256>& table, int size);
// A table of `size` entries (at least 1) brought to 256 by linear interpolation; 256 gives it back
// as it is. Null or no entries give zeros.
std::array<std::uint16_t, 256> rampOf(const std::uint16_t* table, int size);
// True when every entry of every channel is 0: what a display without gamma (Xvfb) reports. Such a
// ramp is never put back, as it would black the screen.
bool isBlankRamp(const OutputRamp& ramp);

// The backend's part: the outputs with a gamma ramp.
class GammaOutputs {
public:
    virtual ~GammaOutputs() = default;
    // The ramp of every output there now whose ramp can be read, whole.
    virtual std::vector<OutputRamp> readRamps() = 0;
    // Sets the ramp on its output (of that size). False when the output refused it or is gone.
    virtual bool writeRamp(const OutputRamp& ramp) = 0;
};

// The ramps the program changes and how they come back, one rule for every backend: each output's
// own ramp is kept, whole, just before the first write that reaches it, so a monitor plugged in
// while the program runs gets the program's ramp and later its own back; an output whose ramp
// cannot be read, or reads blank, is left alone, since it could not be put back; restore puts every
// kept ramp back on the outputs still there and forgets them.
class GammaKeeper {
public:
    // Called with every ramp kept so far whenever a write is about to keep new ones, before anything
    // changes (to hand them to something that outlives the program); false refuses that write.
    using Safeguard = std::function<bool(const std::vector<OutputRamp>& kept)>;

    // Sets `ramp`, spread over each output's size, on every output there now, keeping the ramps of
    // those met for the first time first. With `safeguard` refusing, nothing changes and nothing new
    // is kept. True when at least one output took the ramp.
    bool write(GammaOutputs& outputs, const GammaRamp& ramp, const Safeguard& safeguard = {});
    // Puts every kept ramp back exactly (an output gone since fails harmlessly) and forgets them.
    // False when none was kept.
    bool restore(GammaOutputs& outputs);

    const std::vector<OutputRamp>& kept() const { return kept_; }

private:
    std::vector<OutputRamp> kept_;
};

}  // namespace platform
