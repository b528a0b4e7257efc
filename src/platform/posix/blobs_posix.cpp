// Blobs from the table the build links into the executable (resources/write_blob_table.cmake).

#include "platform/blobs.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace platform {

BlobView findBlob(const char* type, unsigned id) {
    for (unsigned i = 0; i < kEmbeddedBlobCount; ++i) {
        const EmbeddedBlob& blob = kEmbeddedBlobs[i];
        if (blob.id == id && std::strcmp(blob.type, type) == 0) {
            BlobView view;
            view.data = blob.begin;
            view.size = static_cast<std::uint32_t>(blob.end - blob.begin);
            return view;
        }
    }
    return BlobView{};
}

void releaseBlobPages(const BlobView& blob) {
    if (blob.data == nullptr || blob.size == 0) return;
    // Only inside the executable's own blobs: dropped pages of any other memory (a heap copy of an
    // archive, say) would come back as zeros.
    bool embedded = false;
    for (unsigned i = 0; i < kEmbeddedBlobCount && !embedded; ++i) {
        const EmbeddedBlob& known = kEmbeddedBlobs[i];
        embedded = blob.data >= known.begin && blob.data <= known.end &&
                   blob.size <= std::size_t(known.end - blob.data);
    }
    if (!embedded) return;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0) return;
    // Only whole pages inside the blob: its neighbours in the image may be in use.
    const std::uintptr_t page = static_cast<std::uintptr_t>(pageSize);
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(blob.data);
    const std::uintptr_t firstPage = (begin + page - 1) / page * page;
    const std::uintptr_t endPage = (begin + blob.size) / page * page;
    if (endPage <= firstPage) return;
    // The blob lives in the executable's file-backed image and is never written, so discarded pages
    // come back unchanged from the file on the next read.
    madvise(reinterpret_cast<void*>(firstPage), endPage - firstPage, MADV_DONTNEED);
}

}  // namespace platform
