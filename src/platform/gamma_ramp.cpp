#include "platform/gamma_ramp.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

std::uint16_t interpolate(const std::uint16_t* table, int size, double position) {
    const int below = std::clamp(static_cast<int>(std::floor(position)), 0, size - 1);
    const int above = std::min(below + 1, size - 1);
    const double share = position - below;
    const double value = table[below] + (table[above] - table[below]) * share;
    return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 65535L));
}

bool keptFor(const std::vector<OutputRamp>& kept, const std::string& output) {
    return std::any_of(kept.begin(), kept.end(),
                       [&output](const OutputRamp& k) { return k.output == output; });
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

bool isBlankRamp(const OutputRamp& ramp) {
    const auto zero = [](const std::vector<std::uint16_t>& channel) {
        return std::all_of(channel.begin(), channel.end(), [](std::uint16_t v) { return v == 0; });
    };
    return zero(ramp.red) && zero(ramp.green) && zero(ramp.blue);
}

bool GammaKeeper::write(GammaOutputs& outputs, const GammaRamp& ramp, const Safeguard& safeguard) {
    const std::vector<OutputRamp> found = outputs.readRamps();
    std::vector<OutputRamp> kept = kept_;
    for (const OutputRamp& output : found) {
        const bool whole = !output.red.empty() && output.green.size() == output.red.size() &&
                           output.blue.size() == output.red.size();
        if (whole && !isBlankRamp(output) && !keptFor(kept, output.output)) kept.push_back(output);
    }
    if (kept.size() != kept_.size() && safeguard && !safeguard(kept)) return false;
    kept_ = std::move(kept);
    bool taken = false;
    for (const OutputRamp& output : found) {
        if (!keptFor(kept_, output.output)) continue;
        const int size = static_cast<int>(output.red.size());
        const OutputRamp ours{output.output, resampleRamp(ramp.red, size), resampleRamp(ramp.green, size),
                              resampleRamp(ramp.blue, size)};
        taken = outputs.writeRamp(ours) || taken;
    }
    return taken;
}

bool GammaKeeper::restore(GammaOutputs& outputs) {
    if (kept_.empty()) return false;
    for (const OutputRamp& ramp : kept_) outputs.writeRamp(ramp);
    kept_.clear();
    return true;
}

}  // namespace platform
