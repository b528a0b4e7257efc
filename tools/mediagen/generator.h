#pragma once
// The media generator: every step that writes the media tree, in the order the build runs them.
//
//   generateMedia          the whole run: begin the tree, run each step, write the stamp last
//   makeStringTable        interface Text/text.txt from content/interface/text.txt (checked)
//   makeInterfacePictures  loading picture, logo, preview and dialog pictures, icon
//   makeOverlayPictures    the 30 countdown pictures: glyphs, headings, greetings, labels
//   makeDefaultTexture     Textures/tex_default.tga
//   makeContactSheet       one PNG showing every picture made, with its name

#include <functional>
#include <string>

#include "mediagen/media_tree.h"
#include "mediagen/picture.h"
#include "pictures/pictures.h"

namespace mediagen {

struct GeneratorOptions {
    std::string outDir;        // the media tree's root
    std::string contentDir;    // the hand-written inputs (content/)
    std::string contactSheet;  // PNG path, or empty for none
    bool fast = false;         // coarser models and light maps, for development
    // Receives progress lines ("mediagen: overlay pictures"); null: silent.
    std::function<void(const std::string&)> progress;
};

// Runs every step. Throws std::runtime_error with a readable message when an input is missing or
// malformed or a file cannot be written; the stamp is then not written, so the build reruns it.
void generateMedia(const GeneratorOptions& options);

// Writes main/Textures/<name> as an uncompressed TGA (32-bit with alpha, or 24-bit) and notes the
// picture for the contact sheet. Throws std::runtime_error when the file cannot be written.
void writeTexture(MediaTree& tree, const std::string& name, const Picture& picture, bool withAlpha);

void makeStringTable(MediaTree& tree, const std::string& contentDir);
void makeInterfacePictures(MediaTree& tree);
void makeOverlayPictures(MediaTree& tree);
void makeDefaultTexture(MediaTree& tree);
pictures::Image makeContactSheet(const std::vector<MadePicture>& pictures);

// The string table's texts as the dialog reads them: the first word (a key) is dropped, then each
// entry is its words, each preceded by one space, up to the next word that begins with "#".
// A leading byte-order mark is skipped.
std::vector<std::string> stringTableTexts(const std::string& fileText);

}  // namespace mediagen
