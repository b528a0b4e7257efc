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

FileBuffer MediaPack::readFile(const char* path) const {
    const FileBuffer fromMain = extractMember(main_, path, "");
    if (fromMain.data != nullptr) return fromMain;
    return extractMember(interface_, path, "");
}

void probeBaseFiles() {
    if (!platform::canOpenForReading("Base/Data.pak")) theLog().write("Data.pak not found");
    if (!platform::canOpenForReading("Base/Base.rar")) theLog().write("Base.rar not found");
}

void initMediaPack(MediaPack& pack) {
    probeBaseFiles();
    pack.open(embeddedArchive(kMainArchiveId), embeddedArchive(kInterfaceArchiveId));
}
