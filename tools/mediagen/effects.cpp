// The particle effect files. Units follow the file: speeds, boxes and jitters in hundredths of a
// unit, sizes in units, rates per frame unit (1/55 s), alphas in percent. rnd(v) in the engine draws
// 0 … trunc(v) − 1 and is always added, so a symmetric spread is a negative base plus a jitter.

#include "formats/particle_effect.h"
#include "mediagen/effects.h"
#include "mediagen/music.h"

namespace mediagen {
namespace {

using formats::ParticleKind;
using formats::ParticleLayer;
using formats::Vec3;

// A tree light: four overlapping glows in a 1-unit box that flash up from 19 % to full and die
// again, all within about 35 frame units (81/5.3824 ≈ 15 up, 100/5.3824 ≈ 19 down). The pull
// toward the camera keeps a light at a branch tip in front of the needles around it.
ParticleLayer treeLight(const std::string& sprite) {
    ParticleLayer layer;
    layer.spriteName = sprite;
    layer.kind = ParticleKind::Billboard;
    layer.burstCount = 4;
    layer.spawnBox = Vec3{100, 100, 100};
    layer.size = Vec3{2.2f, 0, 0};
    layer.sizeJitter = Vec3{150, 0, 0};
    layer.alphaStart = 19;
    layer.alphaPeak = 100;
    layer.fadeRate = 5.3824f;
    layer.towardCamera = 2;
    return layer;
}

// The glow around a tree light: sparkle rays fanned out radially from the light's centre (aimed,
// radial), creeping back toward it at −0.1 hundredths per frame unit, flashing with the light.
ParticleLayer lightGlow(const std::string& sprite) {
    ParticleLayer layer;
    layer.spriteName = sprite;
    layer.kind = ParticleKind::Streak;
    layer.radial = true;
    layer.aimed = true;
    layer.burstCount = 6;
    layer.speed = Vec3{-0.1f, 0, 0};
    layer.spawnBox = Vec3{100, 100, 100};
    layer.size = Vec3{3.5f, 0.45f, 0};  // head length, half width
    layer.sizeJitter = Vec3{400, 30, 0};
    layer.shrink = Vec3{0.02f, 0, 0};
    layer.alphaStart = 10;
    layer.alphaPeak = 70;
    layer.fadeRate = 4;
    layer.alphaJitter = 10;
    layer.towardCamera = 2;
    return layer;
}

// Snow behind a window: three flakes per spawn anywhere in a sheet 200 units wide and 400 high
// (z); it is as deep as it is wide, so a window in either wall looks into the full width, falling about 0.3 units per frame unit with a little sideways drift, turning
// slowly and cycling through the four flake frames. Each fades in and out over about 200 frame units.
ParticleLayer snowfall() {
    ParticleLayer layer;
    layer.spriteName = "snowflake.tga";
    layer.kind = ParticleKind::Billboard;
    layer.burstCount = 3;
    layer.spawnBox = Vec3{20000, 20000, 40000};
    layer.speed = Vec3{-4, -4, -35};
    layer.speedJitter = Vec3{9, 9, 10};  // x, y −4 … 4; z −35 … −26, about −30 on average
    layer.size = Vec3{1.0f, 0, 0};
    layer.sizeJitter = Vec3{120, 0, 0};
    layer.alphaStart = 0;
    layer.alphaPeak = 90;
    layer.fadeRate = 0.9f;
    layer.alphaJitter = 20;
    layer.frameCount = 4;
    layer.frameRate = 1;
    layer.spin = true;
    layer.spinSpeed = 10;
    return layer;
}

// The fireplace: tall flame tongues standing on a 50 × 20 bed of embers, rising 0.35 units per frame
// unit and shrinking as they go, each living about half a second; their varied sizes, strengths and
// positions make the fire flicker. The fixed direction is straight up (not aimed; radial keeps the
// motion on that direction without a random spread).
ParticleLayer fire() {
    ParticleLayer layer;
    layer.spriteName = "fire.tga";
    layer.kind = ParticleKind::Streak;
    layer.radial = true;
    layer.burstCount = 3;
    layer.speed = Vec3{35, 0, 0};
    layer.speedJitter = Vec3{0, 0, 1};  // the direction
    layer.spawnBox = Vec3{5000, 2000, 600};
    layer.size = Vec3{14, 5, 0};
    layer.sizeJitter = Vec3{1000, 400, 0};
    layer.shrink = Vec3{0.25f, 0.08f, 0};
    layer.alphaStart = 20;
    layer.alphaPeak = 60;
    layer.fadeRate = 3.5f;
    layer.alphaJitter = 20;
    return layer;
}

// A candle: one small flame standing on the wick per spawn, living about ten frame units, so that
// six or seven overlap and their differing heights and widths flicker; barely rising.
ParticleLayer candle() {
    ParticleLayer layer;
    layer.spriteName = "flame.tga";
    layer.kind = ParticleKind::Streak;
    layer.radial = true;
    layer.burstCount = 1;
    layer.speed = Vec3{1.5f, 0, 0};
    layer.speedJitter = Vec3{0, 0, 1};  // the direction
    layer.spawnBox = Vec3{30, 30, 0};
    layer.size = Vec3{3.2f, 0.9f, 0};
    layer.sizeJitter = Vec3{100, 25, 0};
    layer.shrink = Vec3{0.04f, 0.01f, 0};
    layer.alphaStart = 15;
    layer.alphaPeak = 40;
    layer.fadeRate = 6;
    layer.alphaJitter = 15;
    return layer;
}

// The locomotive's steam: two puffs per spawn leaving the chimney upward at about a quarter unit
// per frame unit, spreading sideways, growing from about 1.5 to 5 units and thinning out within
// about 60 frame units; a slow turn keeps neighbouring puffs from looking alike.
ParticleLayer locomotiveSteam() {
    ParticleLayer layer;
    layer.spriteName = "steam.tga";
    layer.kind = ParticleKind::Billboard;
    layer.burstCount = 2;
    layer.spawnBox = Vec3{150, 150, 50};
    layer.speed = Vec3{-1.5f, -1.5f, 22};
    layer.speedJitter = Vec3{4, 4, 8};
    layer.size = Vec3{1.2f, 0, 0};
    layer.sizeJitter = Vec3{80, 0, 0};
    layer.shrink = Vec3{-0.06f, 0, 0};
    layer.alphaStart = 10;
    layer.alphaPeak = 45;
    layer.fadeRate = 1.2f;
    layer.alphaJitter = 10;
    layer.spin = true;
    layer.spinSpeed = 8;
    return layer;
}

formats::ParticleEffect single(const ParticleLayer& layer) {
    formats::ParticleEffect effect;
    effect.layers.push_back(layer);
    return effect;
}

}  // namespace

std::vector<std::pair<std::string, formats::ParticleEffect>> particleEffects() {
    return {
        {"Fire", single(fire())},
        {"candle", single(candle())},
        {"locosteam", single(locomotiveSteam())},
        {"snowfall", single(snowfall())},
        {"red_firlight", single(treeLight("light_red.tga"))},
        {"yel_firlight", single(treeLight("light_yellow.tga"))},
        {"gre_firlight", single(treeLight("light_green.tga"))},
        {"blu_firlight", single(treeLight("light_blue.tga"))},
        {"vio_firlight", single(treeLight("light_violet.tga"))},
        {"redfirglow", single(lightGlow("sparkle_red.tga"))},
        {"yelfirglow", single(lightGlow("sparkle_yellow.tga"))},
        {"grefirglow", single(lightGlow("sparkle_green.tga"))},
    };
}

void makeParticleEffects(MediaTree& tree) {
    for (const auto& [name, effect] : particleEffects())
        tree.write(Archive::Main, "Particles/" + name + ".bin", formats::encodeParticleEffect(effect));
}

void makeEffectsAndMusic(MediaTree& tree, const std::string& contentDir) {
    makeSprites(tree);
    makeParticleEffects(tree);
    makeFireplaceFire(tree);
    makeMusic(tree, contentDir);
}

}  // namespace mediagen
