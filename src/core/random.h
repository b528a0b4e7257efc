#pragma once
// The program's pseudo-random numbers: one sequence that is the same on every platform and C library,
// so a seed (--seed) gives the same camera order, the same particles and the same blinking on Linux
// and on Windows. It is the sequence the Windows C runtime's rand() gives (15-bit results of a linear
// congruential generator), so the Windows build draws what it always drew.
//
//   RandomSequence   seed / next: each view of the room has one for its camera order and the
//                    particles it makes appear

#include <cstdint>

class RandomSequence {
public:
    static constexpr int kMax = 32767;

    // Starts the sequence over from `value`; a sequence never seeded starts from 1.
    void seed(std::uint32_t value) { state_ = value; }
    // The next number of the sequence, 0 to kMax.
    int next();

private:
    std::uint32_t state_ = 1;
};
