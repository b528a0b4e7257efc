// Fuzzes the archive reader: arbitrary bytes as an archive, looked up under a few fixed names and one
// name taken from the input's tail. Every lookup must end in a hit or a clean miss.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    MemoryArchive archive;
    archive.data = data;
    archive.size = static_cast<std::uint32_t>(size);

    char tailName[17] = {};
    const std::size_t tailLength = size < 16 ? size : 16;
    std::memcpy(tailName, data + size - tailLength, tailLength);

    const char* names[] = {"Models\\fir.BSM", "models/FIR.bsm", "Textures", "a", "", tailName};
    for (const char* name : names) {
        FileBuffer file = extractMember(archive, name, "");
        if (file.data == nullptr && file.size != 0) std::abort();
        if (file.data != nullptr && file.size > size) std::abort();
        std::free(file.data);
    }
    return 0;
}
