#pragma once
// The read-only file system over the two embedded media archives: a pack path such as
// "Models/fir.BSM" gives the whole file as one heap block, or a miss. Nothing is ever written back and
// no file on disk is read.

#include <cstdint>

#include "media/archive.h"

// The resource type and ids of the two archives, searched in this order.
constexpr const char* kMediaResourceType = "MediaData";
constexpr unsigned kMainArchiveId = 148;
constexpr unsigned kInterfaceArchiveId = 150;

class MediaPack {
public:
    // Uses these two archives, the main one searched first. The bytes are not copied and must outlive
    // the pack. An empty MemoryArchive stands for a missing resource: every lookup in it misses.
    void open(MemoryArchive mainArchive, MemoryArchive interfaceArchive);
    // The file at this pack path ("/" or "\", any letter case) from the main archive, else from the
    // interface archive, else a miss (null, size 0). A miss is silent. The caller frees the block.
    // The archive pages that held the member's bytes are handed back to the system once copied
    // (the archives are read once, at loading, and would otherwise stay resident beside the copies).
    FileBuffer readFile(const char* path) const;

    // Lets the system drop every archive page that reading brought into memory (the member headers
    // that lookups walk); later reads still work, they only page the bytes in again.
    void releaseResidentPages() const;

    const MemoryArchive& mainArchive() const { return main_; }
    const MemoryArchive& interfaceArchive() const { return interface_; }

private:
    MemoryArchive main_;
    MemoryArchive interface_;
};

// Logs "Data.pak not found" / "Base.rar not found" when "Base/Data.pak" / "Base/Base.rar" (relative
// to the working directory) cannot be opened for reading; the files are never read.
void probeBaseFiles();
// Probes the Base files, then opens `pack` over the embedded archives ("MediaData" 148, then 150).
// The entry point does this once at start-up, after the log is open and before any read.
void initMediaPack(MediaPack& pack);
