#include "core/random.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The first numbers the Windows C runtime's rand() gives after srand(1) (or no srand at all), as
// published for that runtime: the sequence the Windows build has always drawn.
TEST(RandomSequence, GivesTheWindowsRuntimeSequenceAndRestartsOnSeed) {
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    RandomSequence unseeded, reseeded;
    reseeded.next();
    reseeded.seed(1);
    for (int value : expected) {
        EXPECT_EQ(unseeded.next(), value);
        EXPECT_EQ(reseeded.next(), value);
    }
    // A large seed wraps the state as the runtime's does, and every number stays in range.
    RandomSequence wide;
    wide.seed(0xffffffffu);
    for (int i = 0; i < 1000; ++i) {
        const int value = wide.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, RandomSequence::kMax);
    }
}

#ifdef _WIN32
// Under the real runtime: the same numbers as rand() for a few seeds, the tick-count kind included.
TEST(RandomSequence, MatchesThisRuntimesRand) {
    for (unsigned seed : {0u, 1u, 12345u, 4000000000u}) {
        std::srand(seed);
        RandomSequence ours;
        ours.seed(seed);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(ours.next(), std::rand()) << "seed " << seed << " draw " << i;
    }
}
#endif

}  // namespace
