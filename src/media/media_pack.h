#pragma once
// The read-only file system over the two embedded media archives.
// (Interface sketch; the media subsystem owns and completes this header.)

#include <cstdint>

// A whole file read from the pack. A miss is a null pointer with size 0. The block belongs to the
// caller, who releases it with std::free.
struct FileBuffer {
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// Probes "Base/Data.pak" and "Base/Base.rar" (log lines only) and opens the two embedded archives.
void initMediaPack();
// The file at this pack path ("Models/fir.BSM"; "/" or "\", any letter case), or a miss.
FileBuffer readFile(const char* path);
