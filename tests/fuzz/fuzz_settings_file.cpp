// Fuzzes the settings file parser and the rewrite around new values: no input may crash them, a
// value just written must read back, and values the rewrite did not touch must keep their reading.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/settings_file.h"

namespace {

const char* const kNames[] = {
    "Resolution:",   "Gamma:",        "Fps:",          "Clock:",  "ExitMM:",  "Enable sound:",
    "Enable music:", "Music volume:", "Sound volume:", "Usemon:", "Style24h:"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t before[11];
    bool had[11];
    for (int i = 0; i < 11; ++i) had[i] = findDwordInSettingsText(data, size, kNames[i], before[i]);

    // Write two values chosen from the input's length, then read everything back.
    const int first = static_cast<int>(size % 11);
    const int second = static_cast<int>((size / 11) % 11);
    std::vector<platform::DwordValue> values = {
        {kNames[first], static_cast<std::uint32_t>(size * 2654435761u)}};
    if (second != first) values.push_back({kNames[second], 7});
    const std::string text = updateSettingsText(data, size, values);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());

    for (int i = 0; i < 11; ++i) {
        std::uint32_t after = 0;
        bool has = findDwordInSettingsText(bytes, text.size(), kNames[i], after);
        bool written = false;
        for (const auto& v : values) {
            if (v.name == kNames[i]) {
                written = true;
                if (!has || after != v.value) std::abort();
            }
        }
        if (!written && (has != had[i] || (has && after != before[i]))) std::abort();
    }
    return 0;
}
