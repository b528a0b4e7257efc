#pragma once
// How much memory this process holds, for the endurance run's report: resident in all, and the
// part that the C library's allocator holds; and giving back what it no longer uses.

namespace platform {

// The resident set size of this process in kilobytes (on Windows its working set); 0 where it
// cannot be told.
long residentKilobytes();

// The C library's heap: what the program has allocated and not freed (in use) and what the
// allocator holds from the system for it (held, which freed blocks do not always lower), in
// kilobytes, large blocks mapped on their own included. Where the library cannot tell, both are 0.
struct HeapUse {
    long inUseKilobytes = 0;
    long heldKilobytes = 0;
};
HeapUse heapUse();

// Gives the pages of the heap's freed blocks back to the system (glibc's malloc_trim; elsewhere
// nothing). The heap otherwise keeps them: memory a busy moment took and freed stays resident, and
// each busier moment grows the process another step. Takes a few milliseconds.
void returnFreedHeapPages();

}  // namespace platform
