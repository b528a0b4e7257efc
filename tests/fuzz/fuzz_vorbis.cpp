// The music decoder over arbitrary bytes, whole and as a stream: the in-memory read/seek callbacks,
// the channel and rate handling, the declared length and the frame limit must hold whatever the
// file says, and a stream rewound must give its first frames again.
#include <algorithm>
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
    VorbisStream stream;
    if (!stream.open(data, static_cast<std::uint32_t>(size), 44100)) return 0;
    constexpr std::uint32_t kPiece = 700;
    std::int16_t first[kPiece * 2], piece[kPiece * 2];
    const std::uint32_t firstFrames = stream.read(first, kPiece);
    if (firstFrames == 0 || firstFrames > kPiece) __builtin_trap();
    for (std::uint32_t total = firstFrames; total < (1u << 16);) {
        const std::uint32_t got = stream.read(piece, kPiece);
        if (got > kPiece) __builtin_trap();
        if (got < kPiece) break;
        total += got;
    }
    if (stream.rewind()) {
        if (stream.read(piece, kPiece) != firstFrames || !std::equal(first, first + firstFrames * 2, piece))
            __builtin_trap();
    }
    return 0;
}
