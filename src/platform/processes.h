#pragma once
// The list of running processes, for the single-instance check.

#include <string>
#include <vector>

namespace platform {

// Fills `names` with the bare executable file name (no folder) of every running process, this one
// included, in the system's order. Returns false, leaving `names` empty, when the list cannot be
// taken at all. Processes that end while the list is taken are left out.
bool runningProcessNames(std::vector<std::string>& names);

}  // namespace platform
