#include "platform/process_memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

TEST(ProcessMemory, ResidentSizeAndHeapFollowAnAllocation) {
    EXPECT_GT(platform::residentKilobytes(), 1000);
#if defined(__GLIBC__)
    const platform::HeapUse before = platform::heapUse();
    EXPECT_GE(before.heldKilobytes, before.inUseKilobytes);
    // Blocks both large (mapped on their own) and small (inside the heap), written so they stay.
    constexpr std::size_t kLarge = std::size_t(4) << 20, kSmall = 1000, kSmallCount = 1024;
    char* large = static_cast<char*>(std::malloc(kLarge));
    char* small[kSmallCount];
    for (char*& block : small) block = static_cast<char*>(std::malloc(kSmall));
    ASSERT_NE(large, nullptr);
    std::memset(large, 1, kLarge);
    const platform::HeapUse during = platform::heapUse();
    EXPECT_GE(during.inUseKilobytes - before.inUseKilobytes, long((kLarge + kSmall * kSmallCount) / 1024));
    EXPECT_GE(during.heldKilobytes, during.inUseKilobytes);
    for (char* block : small) std::free(block);
    std::free(large);
    EXPECT_LT(platform::heapUse().inUseKilobytes, during.inUseKilobytes - long(kLarge / 1024) + 1);
#endif
}

#if defined(__GLIBC__)
TEST(ProcessMemory, FreedHeapPagesGoBackToTheSystem) {
    // Small blocks live inside the heap; the last one stays, so the freed ones are not at its top.
    constexpr std::size_t kBlock = 1000, kCount = 32 * 1024;
    std::vector<char*> blocks(kCount);
    for (char*& block : blocks) {
        block = static_cast<char*>(std::malloc(kBlock));
        std::memset(block, 1, kBlock);
    }
    for (std::size_t i = 0; i + 1 < kCount; ++i) std::free(blocks[i]);
    const long kept = platform::residentKilobytes();
    platform::returnFreedHeapPages();
    EXPECT_LT(platform::residentKilobytes(), kept - long(kBlock * kCount / 2 / 1024));
    std::free(blocks.back());
}
#endif
