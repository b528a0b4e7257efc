// The music decoder over arbitrary bytes, whole and written in place: the in-memory read/seek
// callbacks, the channel and rate handling, the declared length and the frame limit must hold
// whatever the file says.
#include <atomic>
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
    std::vector<std::int16_t> room;
    std::uint32_t announced = 0;
    const std::atomic<bool> stop{false};
    decodeVorbisProgressively(
        data, static_cast<std::uint32_t>(size), 44100, 1u << 16,
        [&](std::uint32_t frames) {
            if (frames > (1u << 16) || !room.empty()) __builtin_trap();
            room.resize(std::size_t(frames) * 2);
            return room.data();
        },
        [&](std::uint32_t frames) {
            if (frames < announced || std::size_t(frames) * 2 > room.size()) __builtin_trap();
            announced = frames;
        },
        stop);
    return 0;
}
