#include "rarpack/rarpack.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool collectInto(const fs::path& folder, const std::string& prefix, std::set<fs::path>& open,
                 std::vector<ArchiveMember>& members, std::string& error) {
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
        ArchiveMember member;
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

bool collectFolder(const std::string& folder, std::vector<ArchiveMember>& members, std::string& error) {
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
    std::vector<ArchiveMember> members;
    std::vector<std::uint8_t> archive;
    std::string error;
    if (!collectFolder(folder, members, error) || !buildArchive(members, archive, error) ||
        !writeFileAtomically(output, archive, error)) {
        err << "rarpack: " << error << "\n";
        return 1;
    }
    return 0;
}
