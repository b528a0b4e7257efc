#include "media/media_pack.h"

#include "core/log.h"
#include "platform/blobs.h"
#include "platform/files.h"

namespace {

MemoryArchive embeddedArchive(unsigned id) {
    const platform::BlobView blob = platform::findBlob(kMediaResourceType, id);
    MemoryArchive archive;
    archive.data = blob.data;
    archive.size = blob.data != nullptr ? blob.size : 0;
    return archive;
}

}  // namespace

void MediaPack::open(MemoryArchive mainArchive, MemoryArchive interfaceArchive) {
    main_ = mainArchive;
    interface_ = interfaceArchive;
}

namespace {

FileBuffer readAndRelease(const MemoryArchive& archive, const char* path) {
    std::uint64_t offset = 0;
    const FileBuffer file = extractMember(archive, path, "", &offset);
    if (file.data != nullptr && file.size > 0) {
        platform::releaseBlobPages(platform::BlobView{archive.data + offset, file.size});
    }
    return file;
}

}  // namespace

FileBuffer MediaPack::readFile(const char* path) const {
    const FileBuffer fromMain = readAndRelease(main_, path);
    if (fromMain.data != nullptr) return fromMain;
    return readAndRelease(interface_, path);
}

void MediaPack::releaseResidentPages() const {
    for (const MemoryArchive* archive : {&main_, &interface_}) {
        platform::releaseBlobPages(platform::BlobView{archive->data, archive->size});
    }
}

void probeBaseFiles() {
    if (!platform::canOpenForReading("Base/Data.pak")) theLog().write("Data.pak not found");
    if (!platform::canOpenForReading("Base/Base.rar")) theLog().write("Base.rar not found");
}

void initMediaPack(MediaPack& pack) {
    probeBaseFiles();
    pack.open(embeddedArchive(kMainArchiveId), embeddedArchive(kInterfaceArchiveId));
}
