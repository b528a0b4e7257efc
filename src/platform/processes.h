#pragma once
// The list of running processes, and this process's name in it, for the single-instance check.

#include <string>
#include <vector>

namespace platform {

// Fills `names` with the bare executable file name (no folder) of every running process, this one
// included, in the system's order. Returns false, leaving `names` empty, when the list cannot be
// taken at all. Processes that end while the list is taken are left out.
bool runningProcessNames(std::vector<std::string>& names);

// The name this process has in that list.
std::string ownProcessName();

// Gives this process another name in that list, where the system allows it (on Linux, names of at
// most 15 bytes). False, with the name unchanged, where it does not.
bool setOwnProcessName(const std::string& name);

}  // namespace platform
