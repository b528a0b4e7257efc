#pragma once
// The archive packer: writes RAR 2.0 archives whose members are all stored (not compressed), the form
// the media pack reads from memory. Output is deterministic: the same folder always gives the same bytes.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// One member as it goes into the archive.
struct RarMember {
    std::string name;                // archive name with "\" as separator, e.g. "Models\fir.BSM"
    bool isDirectory = false;        // a directory entry carries no data
    std::vector<std::uint8_t> data;  // the file's bytes; ignored for a directory
};

// The longest member name the reader keeps whole; longer names would be cut on reading.
constexpr std::size_t kRarMaxNameLength = 259;
// The DOS date and time written into every member (2024-12-24 12:00:00), so that packing is repeatable.
constexpr std::uint32_t kRarFixedDosTime = ((2024u - 1980u) << 25) | (12u << 21) | (24u << 16) | (12u << 11);

// Builds the whole archive in memory: marker, main header, then one file header (flags 0x8080, or
// 0x80E0 for a directory; host OS 2, version 20, method 0x30, both CRCs set) and the stored bytes per
// member, in the order given. Returns false with a message in `error` (and `archive` left empty) when a
// name is empty, longer than kRarMaxNameLength bytes or contains "/", or when the archive would not fit
// in 4 GiB.
bool buildRarArchive(const std::vector<RarMember>& members, std::vector<std::uint8_t>& archive,
                     std::string& error);

// Reads every folder and regular file below `folder` into `members` (which is cleared first), named
// relative to `folder` with "\" separators. Siblings are sorted by byte order of their names and a
// folder's own entry comes before its contents. Symbolic links are followed. Returns false with a
// message in `error` when the folder does not exist or is not a folder, a file cannot be read, or an
// entry is neither a folder nor a regular file.
bool collectFolder(const std::string& folder, std::vector<RarMember>& members, std::string& error);

// Writes `bytes` to `path` through a temporary file in the same folder that is renamed over `path` only
// once it is complete, so a failed write never leaves a partial file behind. Returns false with a
// message in `error` on any failure; `path` is then unchanged.
bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

// The rarpack command: `rarpack FOLDER OUT.rar`. Returns the process exit code: 0 on success, 1 when
// packing fails, 2 on a wrong command line. Messages go to `err`; nothing is written to `out` on success.
int runRarpack(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
