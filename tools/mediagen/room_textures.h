#pragma once
// Procedural textures of the room and its placed models: wood grain, brick, wallpaper, fabric weave,
// knit, fur, brass, wax, needles, snow, night sky. Every picture is deterministic.

#include "mediagen/media_tree.h"
#include "mediagen/picture.h"

namespace mediagen {

// Writes every texture the placed models name (Textures/tex_bark.tga, ...).
void makeModelTextures(MediaTree& tree);
// Writes every texture the room meshes name (Textures/tex_wallpaper.tga, ...).
void makeRoomTextures(MediaTree& tree);

// Planks of wood grain running along x: `planks` boards across the height.
Picture woodPicture(int size, Color dark, Color light, int planks, std::uint32_t seed);
// A woven fabric of the given colour with a fine twill and a soft mottling.
Picture fabricPicture(int size, Color base, std::uint32_t seed);

}  // namespace mediagen
