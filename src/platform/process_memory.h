#pragma once
// How much memory this process holds, for the endurance run's report, and how the C library's
// allocator gives it back.

namespace platform {

// The resident set size of this process in kilobytes, from /proc/self/status where the system has
// it; 0 where it cannot be told.
long residentKilobytes();

// From here on, every block of kLargeBlockBytes or more gets a mapping of its own, which goes back
// to the system when the block is freed. The renderer's per-frame buffers are such blocks; left in
// the heap they fragment it, and the process grows a step at each new largest frame. Where the C
// library has no such setting (Windows), nothing changes.
constexpr int kLargeBlockBytes = 128 * 1024;
void mapLargeBlocksApart();

}  // namespace platform
