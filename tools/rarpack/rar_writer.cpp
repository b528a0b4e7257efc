#include "rarpack/rar_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <system_error>

#include "media/crc32.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::uint8_t kMainHeaderType = 0x73;
constexpr std::uint8_t kFileHeaderType = 0x74;
constexpr std::uint16_t kMainHeaderSize = 13;
constexpr std::uint16_t kFileHeaderFixedSize = 32;
constexpr std::uint16_t kFileFlags = 0x8080;       // data follows the header; 1 MB dictionary
constexpr std::uint16_t kDirectoryFlags = 0x80E0;  // dictionary bits all set mark a directory
constexpr std::uint8_t kHostWin32 = 2;
constexpr std::uint8_t kUnpackVersion20 = 20;
constexpr std::uint8_t kMethodStored = 0x30;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kAttributeDirectory = 0x10;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// HEAD_CRC is the low half of the CRC-32 of the header from HEAD_TYPE to its end.
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
    if (name.size() > kRarMaxNameLength) {
        error = "member name longer than " + std::to_string(kRarMaxNameLength) + " bytes: " + name;
        return false;
    }
    if (name.find('/') != std::string::npos) {
        error = "member name uses \"/\" instead of \"\\\": " + name;
        return false;
    }
    return true;
}

bool collectInto(const fs::path& folder, const std::string& prefix, std::set<fs::path>& open,
                 std::vector<RarMember>& members, std::string& error) {
    std::error_code ec;
    const fs::path canonical = fs::canonical(folder, ec);
    if (ec) {
        error = "cannot resolve folder " + folder.string() + ": " + ec.message();
        return false;
    }
    if (!open.insert(canonical).second) {
        error = "folder link loop at " + folder.string();
        return false;
    }

    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        entries.push_back(it->path());
    }
    if (ec) {
        error = "cannot list folder " + folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(entries.begin(), entries.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string() < b.filename().string();
    });

    for (const fs::path& entry : entries) {
        const std::string leaf = entry.filename().string();
        if (leaf.find('\\') != std::string::npos) {
            error = "file name contains \"\\\", which the archive uses as separator: " + entry.string();
            return false;
        }
        RarMember member;
        member.name = prefix.empty() ? leaf : prefix + "\\" + leaf;
        const fs::file_status status = fs::status(entry, ec);
        if (ec) {
            error = "cannot read " + entry.string() + ": " + ec.message();
            return false;
        }
        if (fs::is_directory(status)) {
            member.isDirectory = true;
            const std::string name = member.name;
            members.push_back(std::move(member));
            if (!collectInto(entry, name, open, members, error)) return false;
        } else if (fs::is_regular_file(status)) {
            std::ifstream in(entry, std::ios::binary);
            if (!in) {
                error = "cannot open " + entry.string();
                return false;
            }
            member.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (in.bad()) {
                error = "cannot read " + entry.string();
                return false;
            }
            members.push_back(std::move(member));
        } else {
            error = "neither a folder nor a regular file: " + entry.string();
            return false;
        }
    }
    open.erase(canonical);
    return true;
}

}  // namespace

bool buildRarArchive(const std::vector<RarMember>& members, std::vector<std::uint8_t>& archive,
                     std::string& error) {
    archive.clear();
    std::uint64_t total = sizeof(kMarker) + kMainHeaderSize;
    for (const RarMember& member : members) {
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

    for (const RarMember& member : members) {
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
        put32(archive, kRarFixedDosTime);
        archive.push_back(kUnpackVersion20);
        archive.push_back(kMethodStored);
        put16(archive, static_cast<std::uint16_t>(member.name.size()));
        put32(archive, member.isDirectory ? kAttributeDirectory : kAttributeArchive);
        archive.insert(archive.end(), member.name.begin(), member.name.end());
        setHeaderCrc(archive, headerStart);
        if (!member.isDirectory) archive.insert(archive.end(), member.data.begin(), member.data.end());
    }
    return true;
}

bool collectFolder(const std::string& folder, std::vector<RarMember>& members, std::string& error) {
    members.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (ec || !fs::exists(status)) {
        error = "folder not found: " + folder;
        return false;
    }
    if (!fs::is_directory(status)) {
        error = "not a folder: " + folder;
        return false;
    }
    std::set<fs::path> open;
    if (!collectInto(folder, "", open, members, error)) {
        members.clear();
        return false;
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string& error) {
    const std::string temporary = path + ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot create " + temporary;
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        error = "cannot rename " + temporary + " to " + path + ": " + ec.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

int runRarpack(int argc, const char* const* argv, std::ostream& /*out*/, std::ostream& err) {
    if (argc != 3) {
        err << "usage: rarpack FOLDER OUT.rar\n"
               "Packs every file and folder below FOLDER into OUT.rar as stored RAR 2.0 members.\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::string output = argv[2];
    std::vector<RarMember> members;
    std::vector<std::uint8_t> archive;
    std::string error;
    if (!collectFolder(folder, members, error) || !buildRarArchive(members, archive, error) ||
        !writeFileAtomically(output, archive, error)) {
        err << "rarpack: " << error << "\n";
        return 1;
    }
    return 0;
}
