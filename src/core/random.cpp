#include "core/random.h"

int RandomSequence::next() {
    // Unsigned arithmetic wraps modulo 2^32, as the runtime's 32-bit state does.
    state_ = state_ * 214013u + 2531011u;
    return int((state_ >> 16) & 0x7fffu);
}
