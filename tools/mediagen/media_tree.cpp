#include "mediagen/media_tree.h"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace mediagen {

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

void MediaTree::writeFile(const std::string& path, const formats::Bytes& bytes) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error || !formats::writeFileBytes(path, bytes)) throw std::runtime_error("cannot write " + path);
    ++fileCount_;
}

void MediaTree::write(Archive archive, const std::string& path, const formats::Bytes& bytes) {
    writeFile((fs::path(root_) / (archive == Archive::Main ? "main" : "interface") / path).string(), bytes);
}

void MediaTree::writeResource(const std::string& name, const formats::Bytes& bytes) {
    writeFile((fs::path(root_) / "resources" / name).string(), bytes);
}

void MediaTree::writeDesktopFile(const std::string& name, const formats::Bytes& bytes) {
    writeFile((fs::path(root_) / "desktop" / name).string(), bytes);
}

void MediaTree::notePicture(const std::string& name, const formats::Image& image) {
    pictures_.push_back(MadePicture{name, image});
}

void MediaTree::finish() {
    const std::string text = "glimmerdale media\n";
    writeFile((fs::path(root_) / "stamp").string(), formats::Bytes(text.begin(), text.end()));
}

}  // namespace mediagen
