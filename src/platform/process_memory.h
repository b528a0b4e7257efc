#pragma once
// How much memory this process holds, for the endurance run's report, and giving back what it no
// longer uses.

namespace platform {

// The resident set size of this process in kilobytes, from /proc/self/status where the system has
// it; 0 where it cannot be told.
long residentKilobytes();

// Hands the heap's free pages back to the system (after loading, when the decoded pictures and
// file copies are gone), so that they stop counting as resident. Does nothing where the C library
// cannot.
void returnFreeHeapPages();

}  // namespace platform
