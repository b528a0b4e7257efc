#include "media/archive.h"

#include <iterator>
#include <limits>

#include "media/archive_layout.h"
#include "media/crc32.h"

namespace {

using namespace archive_layout;

constexpr std::uint16_t kFileFlags = kFlagAddSize | kFlagDictionary1MB;
constexpr std::uint16_t kDirectoryFlags = kFlagAddSize | kFlagsDirectory;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void setHeaderCrc(std::vector<std::uint8_t>& out, std::size_t headerStart) {
    const std::uint32_t crc = computeCrc32(out.data() + headerStart + 2, out.size() - headerStart - 2);
    out[headerStart] = static_cast<std::uint8_t>(crc);
    out[headerStart + 1] = static_cast<std::uint8_t>(crc >> 8);
}

bool checkName(const std::string& name, std::string& error) {
    if (name.empty()) {
        error = "a member has an empty name";
        return false;
    }
    if (name.size() > kMaxArchiveNameLength) {
        error = "member name longer than " + std::to_string(kMaxArchiveNameLength) + " bytes: " + name;
        return false;
    }
    if (name.find('/') != std::string::npos) {
        error = "member name uses \"/\" instead of \"\\\": " + name;
        return false;
    }
    return true;
}

}  // namespace

bool buildArchive(const std::vector<ArchiveMember>& members, std::vector<std::uint8_t>& archive,
                  std::string& error) {
    archive.clear();
    std::uint64_t total = sizeof(kMarker) + kMainHeaderSize;
    for (const ArchiveMember& member : members) {
        if (!checkName(member.name, error)) return false;
        total += kFileHeaderFixedSize + member.name.size() + (member.isDirectory ? 0 : member.data.size());
    }
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        error = "the archive would be larger than 4 GiB";
        return false;
    }
    archive.reserve(static_cast<std::size_t>(total));

    archive.insert(archive.end(), std::begin(kMarker), std::end(kMarker));
    const std::size_t mainStart = archive.size();
    put16(archive, 0);
    archive.push_back(kMainHeaderType);
    put16(archive, 0);  // flags: no volume, no comment, no lock, not solid
    put16(archive, kMainHeaderSize);
    put16(archive, 0);
    put32(archive, 0);
    setHeaderCrc(archive, mainStart);

    for (const ArchiveMember& member : members) {
        const std::uint32_t size = member.isDirectory ? 0 : static_cast<std::uint32_t>(member.data.size());
        const std::uint32_t crc =
            member.isDirectory ? 0 : computeCrc32(member.data.data(), member.data.size());
        const std::size_t headerStart = archive.size();
        put16(archive, 0);
        archive.push_back(kFileHeaderType);
        put16(archive, member.isDirectory ? kDirectoryFlags : kFileFlags);
        put16(archive, static_cast<std::uint16_t>(kFileHeaderFixedSize + member.name.size()));
        put32(archive, size);  // packed size: stored, so the same as the unpacked size
        put32(archive, size);
        archive.push_back(kHostWin32);
        put32(archive, crc);
        put32(archive, kFixedDosTime);
        archive.push_back(kVersion20);
        archive.push_back(kMethodStored);
        put16(archive, static_cast<std::uint16_t>(member.name.size()));
        put32(archive, member.isDirectory ? kAttributeDirectory : kAttributeArchive);
        archive.insert(archive.end(), member.name.begin(), member.name.end());
        setHeaderCrc(archive, headerStart);
        if (!member.isDirectory) archive.insert(archive.end(), member.data.begin(), member.data.end());
    }
    return true;
}
