#pragma once
// How much memory this process holds, for the endurance run's report.

namespace platform {

// The resident set size of this process in kilobytes, from /proc/self/status where the system has
// it; 0 where it cannot be told.
long residentKilobytes();

}  // namespace platform
