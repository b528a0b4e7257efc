#include "mediagen/generator.h"

#include <stdexcept>

#include "mediagen/effects.h"
#include "mediagen/room.h"
#include "pictures/pictures.h"

namespace mediagen {

void writeTexture(MediaTree& tree, const std::string& name, const Picture& picture, bool withAlpha) {
    const pictures::Image image = picture.toImage();
    tree.write(Archive::Main, "Textures/" + name, pictures::encodeTga(image, {withAlpha, false}));
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
        if (!writeFileBytes(options.contactSheet, pictures::encodePng(makeContactSheet(tree.pictures()))))
            throw std::runtime_error("cannot write " + options.contactSheet);
    }
    tree.finish();
    progress(std::to_string(tree.fileCount()) + " files written to " + options.outDir);
}

}  // namespace mediagen
