#pragma once
// The output of the generator: DIR/main (archive 148), DIR/interface (archive 150),
// DIR/resources/<TYPE>_<id>.<ext> (other blobs of the executable), DIR/desktop/ (files installed
// beside the executable, such as the icon of its desktop entry) and DIR/stamp, written last.
// Every picture written is also remembered, with its path, for the contact sheet.

#include <string>
#include <vector>

#include "core/byte_writer.h"
#include "pictures/pictures.h"

namespace mediagen {

enum class Archive { Main, Interface };

// Writes the bytes to a file, replacing it. False when the file cannot be created or fully written.
bool writeFileBytes(const std::string& path, const Bytes& bytes);

struct MadePicture {
    std::string name;       // e.g. "interface/Notification/loading.jpg"
    pictures::Image image;  // the picture as drawn (before any lossy encoding)
};

class MediaTree {
public:
    // Empties the tree under root: removes main/, interface/, resources/, desktop/ and stamp, so nothing from
    // an earlier run (a renamed picture, say) can linger. Throws std::runtime_error when the folders cannot
    // be removed or created.
    void begin(const std::string& root);

    // Writes one member of an archive; path uses "/" and may name sub-folders, which are created.
    // Throws std::runtime_error when the file cannot be written.
    void write(Archive archive, const std::string& path, const Bytes& bytes);
    // Writes resources/<name>, e.g. "BITMAP_144.bmp".
    void writeResource(const std::string& name, const Bytes& bytes);
    // Writes desktop/<name>, e.g. "glimmerdale.png".
    void writeDesktopFile(const std::string& name, const Bytes& bytes);
    // Remembers a picture for the contact sheet (copied).
    void notePicture(const std::string& name, const pictures::Image& image);

    // Writes the stamp; the tree is complete once it exists.
    void finish();

    const std::vector<MadePicture>& pictures() const { return pictures_; }
    const std::string& root() const { return root_; }
    // Number of files written so far.
    int fileCount() const { return fileCount_; }

private:
    void writeFile(const std::string& path, const Bytes& bytes);

    std::string root_;
    std::vector<MadePicture> pictures_;
    int fileCount_ = 0;
};

}  // namespace mediagen
