// The blob table of a build without media: every lookup misses.
#include "platform/blobs.h"

namespace platform {
const EmbeddedBlob kEmbeddedBlobs[] = {{"", 0, nullptr, nullptr}};
const unsigned kEmbeddedBlobCount = 0;
}  // namespace platform
