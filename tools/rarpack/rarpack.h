#pragma once
// The archive packer: packs a folder into a media archive (media/archive.h: RAR 2.0, every member
// stored). Output is deterministic: the same folder always gives the same bytes.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "media/archive.h"

// Reads every folder and regular file below `folder` into `members` (which is cleared first), named
// relative to `folder` with "\" separators. Siblings are sorted by byte order of their names and a
// folder's own entry comes before its contents. Symbolic links are followed. Returns false with a
// message in `error` when the folder does not exist or is not a folder, a file cannot be read, or an
// entry is neither a folder nor a regular file.
bool collectFolder(const std::string& folder, std::vector<ArchiveMember>& members, std::string& error);

// Writes `bytes` to `path` through a temporary file in the same folder that is renamed over `path` only
// once it is complete, so a failed write never leaves a partial file behind. Returns false with a
// message in `error` on any failure; `path` is then unchanged.
bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

// The rarpack command: `rarpack FOLDER OUT.rar`. Returns the process exit code: 0 on success, 1 when
// packing fails, 2 on a wrong command line. Messages go to `err`; nothing is written to `out` on success.
int runRarpack(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
