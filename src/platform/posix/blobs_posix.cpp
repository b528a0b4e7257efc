// Blobs from the table the build links into the executable (resources/write_blob_table.cmake).

#include "platform/blobs.h"

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

}  // namespace platform
