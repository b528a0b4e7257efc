// Blobs are the executable's own resources.

#include <windows.h>

#include <cstring>
#include <map>
#include <vector>

#include "platform/blobs.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {
namespace {

BlobView resourceBytes(const wchar_t* type, unsigned id) {
    const HMODULE module = win32::programInstance();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return BlobView{};
    const HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return BlobView{};
    BlobView view;
    view.data = static_cast<const std::uint8_t*>(bytes);
    view.size = size;
    return view;
}

// A BITMAP resource is the file without its 14-byte file header. Callers get the whole file, as on
// every platform, so the header is put back once per bitmap and kept for the life of the process.
BlobView bitmapFile(unsigned id) {
    static std::map<unsigned, std::vector<std::uint8_t>> files;
    const auto known = files.find(id);
    if (known != files.end())
        return BlobView{known->second.data(), static_cast<std::uint32_t>(known->second.size())};

    const BlobView dib = resourceBytes(MAKEINTRESOURCEW(2) /* RT_BITMAP */, id);
    if (dib.data == nullptr || dib.size < 4) return BlobView{};
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, dib.data, 4);
    if (headerSize > dib.size) return BlobView{};
    // The pixels follow the header and the colour table; the table's length depends on the header.
    std::uint32_t tableBytes = 0;
    if (headerSize >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER info;
        std::memcpy(&info, dib.data, sizeof info);
        if (info.biBitCount <= 8) {
            const std::uint32_t colours = info.biClrUsed ? info.biClrUsed : (1u << info.biBitCount);
            tableBytes = (colours > 256 ? 256 : colours) * 4;
        } else if (info.biCompression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER)) {
            tableBytes = 12;
        }
    } else if (headerSize == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, dib.data, sizeof core);
        if (core.bcBitCount <= 8) tableBytes = (1u << core.bcBitCount) * 3;
    }
    std::vector<std::uint8_t> file(14 + dib.size);
    const std::uint32_t fileSize = static_cast<std::uint32_t>(file.size());
    const std::uint32_t pixelOffset = 14 + headerSize + tableBytes;
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[2], &fileSize, 4);
    std::memcpy(&file[10], &pixelOffset, 4);
    std::memcpy(&file[14], dib.data, dib.size);
    std::vector<std::uint8_t>& kept = files[id] = std::move(file);
    return BlobView{kept.data(), static_cast<std::uint32_t>(kept.size())};
}

}  // namespace

BlobView findBlob(const char* type, unsigned id) {
    if (type == nullptr) return BlobView{};
    if (std::strcmp(type, "BITMAP") == 0) return bitmapFile(id);
    // Custom types such as "MediaData" are stored under their name in upper case; the lookup ignores case.
    return resourceBytes(win32::widen(type).c_str(), id);
}

// Resources are part of the mapped image; Windows trims unused image pages by itself.
void releaseBlobPages(const BlobView&) {}

}  // namespace platform
