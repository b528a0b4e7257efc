#include "platform/process_memory.h"

#include <gtest/gtest.h>

#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

void* touchedBlock(std::size_t bytes) {
    void* block = std::malloc(bytes);
    if (block) static_cast<volatile char*>(block)[0] = 1;
    return block;
}

}  // namespace

TEST(ProcessMemory, ResidentSizeIsReported) { EXPECT_GT(platform::residentKilobytes(), 1000); }

#if defined(__GLIBC__)
// Freeing a large mapped block (as loading does with each decoded picture) would let glibc keep
// every later block below that size in the heap; a block above the setting must still get its own
// mapping, and lose it when freed.
TEST(ProcessMemory, LargeBlocksKeepMappingsOfTheirOwnAfterLargerOnesAreFreed) {
    platform::mapLargeBlocksApart();
    std::free(touchedBlock(std::size_t(8) << 20));
    const std::size_t mappedBefore = mallinfo2().hblks;
    void* buffer = touchedBlock(std::size_t(platform::kLargeBlockBytes) * 2);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(mallinfo2().hblks, mappedBefore + 1);
    std::free(buffer);
    EXPECT_EQ(mallinfo2().hblks, mappedBefore);
}
#endif
