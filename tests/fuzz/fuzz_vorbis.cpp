// The music decoder over arbitrary bytes: the in-memory read/seek callbacks, the channel and rate
// handling and the frame limit must hold whatever the file says.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    std::vector<std::int16_t> pcm;
    if (decodeVorbisFromMemory(data, static_cast<std::uint32_t>(size), 44100, 1u << 16, pcm)) {
        if (pcm.size() % 2 != 0 || pcm.size() > (2u << 16)) __builtin_trap();
    }
    return 0;
}
