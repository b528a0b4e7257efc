#pragma once
// The living parts of the room: particle sprites and effect files, the skinned fireplace flames and
// the background music.
//
//   makeSprites          Sprites/*.tga: tree-light glows, sparkle rays, flames, steam, snowflakes
//   makeParticleEffects  Particles/<name>.bin for every effect the models and the scene fire
//   makeFireplaceFire    Models/fireplace_fire.BSA, Models/fireplace_fire_anim.BSA, Textures/add_flame.tga
//   makeMusic            Music/music.ogg from the score under content/music/

#include <string>
#include <utility>
#include <vector>

#include "mediagen/media_tree.h"
#include "mediagen/picture.h"
#include "model/bsa_file.h"
#include "scene/effect_file.h"

namespace mediagen {

// Runs every step below in order. Throws std::runtime_error when the score is malformed or a file
// cannot be written; without a score (content/music/score.txt) no music is written.
void makeEffectsAndMusic(MediaTree& tree, const std::string& contentDir);

// Every sprite picture by file name ("light_red.tga", ...), in the order they are written. Sprites
// are drawn with GL_SRC_ALPHA, GL_ONE, so colour and alpha both fall to zero at the edges.
std::vector<std::pair<std::string, Picture>> spritePictures();
// Writes main/Sprites/<name> (32-bit TGA, bottom row first) for every sprite picture.
void makeSprites(MediaTree& tree);

// Every effect by name ("Fire", "candle", ...), one layer each, naming sprites of spritePictures().
std::vector<std::pair<std::string, EffectFile>> particleEffects();
// Writes main/Particles/<name>.bin for every effect.
void makeParticleEffects(MediaTree& tree);

// The fireplace flames: eight tongues (six-sided spindles closed at the tip) on a bed about 50 × 24
// units, up to about 35 high, model origin at the centre of the bed, z up. Bones in file order:
// Bone03 (the root, at the origin), Bone01 (over the left tongues), Bone02 (over the right ones);
// every vertex names all three, weighted from the root at the base to its side's bone at the top.
BsaMesh fireplaceFireMesh();
// 100 keys per bone, periodic over the 100 frames (frame 99 runs smoothly into frame 0), key 0
// equal to the bind transform: the children sway and stretch, the root stays at rest.
BsaAnimation fireplaceFireAnimation();
// The additive flame texture: rising streaks, seamless in both directions so it can scroll in v.
Picture flameTexture();
// Writes main/Models/fireplace_fire.BSA, main/Models/fireplace_fire_anim.BSA and
// main/Textures/add_flame.tga.
void makeFireplaceFire(MediaTree& tree);

}  // namespace mediagen
