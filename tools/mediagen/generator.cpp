#include "mediagen/generator.h"

#include <stdexcept>

#include "formats/png.h"
#include "formats/tga.h"
#include "mediagen/room.h"
#include "mediagen/effects.h"

namespace mediagen {

void writeTexture(MediaTree& tree, const std::string& name, const Picture& picture, bool withAlpha) {
    const formats::Image image = picture.toImage();
    tree.write(Archive::Main, "Textures/" + name, formats::encodeTga(image, {withAlpha, false}));
    tree.notePicture("main/Textures/" + name, image);
}

void generateMedia(const GeneratorOptions& options) {
    auto progress = [&](const std::string& line) {
        if (options.progress) options.progress("mediagen: " + line);
    };
    MediaTree tree;
    tree.begin(options.outDir);
    progress("string table");
    makeStringTable(tree, options.contentDir);
    progress("default texture");
    makeDefaultTexture(tree);
    progress("overlay pictures");
    makeOverlayPictures(tree);
    progress("interface pictures");
    makeInterfacePictures(tree);
    progress("room: models, textures, light maps, scene");
    makeRoom(tree, RoomOptions{options.fast});
    progress("sprites, effects, fire, music");
    makeEffectsAndMusic(tree, options.contentDir);
    if (!options.contactSheet.empty()) {
        progress("contact sheet " + options.contactSheet);
        if (!formats::writeFileBytes(options.contactSheet,
                                     formats::encodePng(makeContactSheet(tree.pictures()))))
            throw std::runtime_error("cannot write " + options.contactSheet);
    }
    tree.finish();
    progress(std::to_string(tree.fileCount()) + " files written to " + options.outDir);
}

}  // namespace mediagen
