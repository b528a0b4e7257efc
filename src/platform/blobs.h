#pragma once
// Blobs carried inside the executable (the media archives, the preview and dialog pictures, the
// icon), looked up by resource type name and numeric id, e.g. ("MediaData", 148) or ("BITMAP", 144).
// On Windows they are the executable's resources (resources/glimmerdale.rc); on Linux the build links
// them in as the table below (posix/blobs_posix.cpp looks them up there).

#include <cstddef>
#include <cstdint>

namespace platform {

struct EmbeddedBlob {
    const char* type;
    unsigned id;
    const unsigned char* begin;
    const unsigned char* end;
};

// The table the Linux build links in (generated from the media tree, or empty without media).
extern const EmbeddedBlob kEmbeddedBlobs[];
extern const unsigned kEmbeddedBlobCount;

struct BlobView {
    const std::uint8_t* data = nullptr;  // owned by the executable image; never freed
    std::uint32_t size = 0;
};

// The program's icon, a BMP picture: the icon of its windows and of its desktop entry.
inline constexpr char kProgramIconType[] = "ICON";
inline constexpr unsigned kProgramIconId = 135;

// The blob with this exact type name and id, or an empty view (null data, size 0) when there is none.
// A "BITMAP" blob is the whole .bmp file, with its file header, on every platform.
BlobView findBlob(const char* type, unsigned id);

// Lets the system drop the pages of this part of an embedded blob that reading it brought into
// memory; they are read back from the executable on the next access, so the bytes stay valid. Does
// nothing for memory that is not part of an embedded blob, or where the system cannot do this
// cheaply.
void releaseBlobPages(const BlobView& blob);

}  // namespace platform
