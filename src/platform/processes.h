#pragma once
// The running processes: the names every user's processes carry (the single-instance check), this
// user's processes of one name (the idle launcher and the desktop set-up), and this process's own
// name and program file.
//
//   runningProcessNames            every process's name, every user's
//   ownProcessesNamed, countOwnProcesses, stopOwnProcesses   this user's processes of one name
//   stopProcess, processRunning                              one process by its id
//   ownProcessId, ownProcessName, setOwnProcessName          this process, its name in the list
//   ownExecutablePath                                        the program file this process runs

#include <string>
#include <vector>

namespace platform {

// Fills `names` with the bare executable file name (no folder) of every running process, this one
// included, in the system's order. Processes that have ended (also those not yet reaped by their
// parent) are left out, and so are those that end while the list is taken. Returns false, leaving
// `names` empty, when the list cannot be taken at all.
bool runningProcessNames(std::vector<std::string>& names);

// The ids of this user's running processes named `name`, this process left out, by the same rules.
std::vector<int> ownProcessesNamed(const std::string& name);
// How many there are.
int countOwnProcesses(const std::string& name);
// Asks each of them to end (SIGTERM); returns how many were asked.
int stopOwnProcesses(const std::string& name);
// Asks the process `pid` to end (SIGTERM). False when no such process may be asked.
bool stopProcess(int pid);
// Whether the process `pid` runs (it has not ended).
bool processRunning(int pid);

// This process's id.
int ownProcessId();

// The name this process has in that list.
std::string ownProcessName();

// Gives this process another name in that list, where the system allows it (on Linux, names of at
// most 15 bytes). False, with the name unchanged, where it does not.
bool setOwnProcessName(const std::string& name);

// The full path of the program file this process runs: the path it was started from, also when the
// file has been replaced or removed since (a package upgrade renames a new file over it, and that
// path then holds the new program). "" when it cannot be told.
std::string ownExecutablePath();

}  // namespace platform
