#include "mediagen/media_tree.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace mediagen {

bool writeFileBytes(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

void MediaTree::begin(const std::string& root) {
    root_ = root;
    pictures_.clear();
    fileCount_ = 0;
    std::error_code error;
    fs::remove(fs::path(root) / "stamp", error);
    for (const char* folder : {"main", "interface", "resources", "desktop"}) {
        fs::remove_all(fs::path(root) / folder, error);
        if (error)
            throw std::runtime_error("cannot remove " + (fs::path(root) / folder).string() + ": " +
                                     error.message());
        fs::create_directories(fs::path(root) / folder, error);
        if (error)
            throw std::runtime_error("cannot create " + (fs::path(root) / folder).string() + ": " +
                                     error.message());
    }
}

void MediaTree::writeFile(const std::string& path, const Bytes& bytes) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error || !writeFileBytes(path, bytes)) throw std::runtime_error("cannot write " + path);
    ++fileCount_;
}

void MediaTree::write(Archive archive, const std::string& path, const Bytes& bytes) {
    writeFile((fs::path(root_) / (archive == Archive::Main ? "main" : "interface") / path).string(), bytes);
}

void MediaTree::writeResource(const std::string& name, const Bytes& bytes) {
    writeFile((fs::path(root_) / "resources" / name).string(), bytes);
}

void MediaTree::writeDesktopFile(const std::string& name, const Bytes& bytes) {
    writeFile((fs::path(root_) / "desktop" / name).string(), bytes);
}

void MediaTree::notePicture(const std::string& name, const pictures::Image& image) {
    pictures_.push_back(MadePicture{name, image});
}

void MediaTree::finish() {
    const std::string text = "glimmerdale media\n";
    writeFile((fs::path(root_) / "stamp").string(), Bytes(text.begin(), text.end()));
}

}  // namespace mediagen
