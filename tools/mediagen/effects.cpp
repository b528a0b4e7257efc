// The particle effect files. Units follow the file: speeds, boxes and jitters in hundredths of a
// unit, sizes in units, rates per frame unit (1/55 s), alphas in percent. rnd(v) in the engine draws
// 0 … trunc(v) − 1 and is always added, so a symmetric spread is a negative base plus a jitter.

#include "mediagen/effects.h"
#include "mediagen/music.h"
#include "scene/effect_file.h"

namespace mediagen {
namespace {

// The fade every layer has: alpha starts at `start` percent (plus rnd(jitter)), climbs by `rate` per
// frame unit until it reaches `peak`, then falls at the same rate until the particle is gone.
void setFade(EffectFileLayer& layer, float start, float peak, float rate, float jitter = 0) {
    layer.alphaStart = start;
    layer.alphaPeak = peak;
    layer.fadeRate = rate;
    layer.alphaJitter = jitter;
}

// Size in units (x: half size or head length, y: a streak's half width), rnd(jitter) hundredths
// added at birth, and the shrink per frame unit (negative: the particle grows).
void setSize(EffectFileLayer& layer, Vec3 size, Vec3 jitter, Vec3 shrink = {}) {
    layer.size = size;
    layer.sizeJitter = jitter;
    layer.shrink = shrink;
}

// A streak standing straight up from its spawn point: radial and not aimed, so the stored direction
// (0, 0, 1) is used as it is and no random spread is added. The flames are made of these.
EffectFileLayer risingStreak(const std::string& sprite) {
    EffectFileLayer layer;
    layer.spriteName = sprite;
    layer.kind = EffectKind::Streak;
    layer.radial = true;
    layer.speedJitter = Vec3{0, 0, 1};  // the direction
    return layer;
}

// A tree light: four overlapping glows in a 1-unit box that switch on, stay lit and go out again.
// The tree fires one of its 72 light helpers at a time and comes round to each again after about
// 180 frame units, so a light has to shine for about a third of that for a third of the tree to be
// lit. The vertex alpha is clamped to 1 when drawn, so a peak above 100 % holds the light at full
// strength: up from 19 % in about 16 frame units, full for about 28, down in 20. At 55 to 60 frames
// a second the particles take a 1.5-unit step every other frame, so on screen that lasts a quarter
// to a third longer.
EffectFileLayer treeLight(const std::string& sprite) {
    EffectFileLayer layer;
    layer.spriteName = sprite;
    layer.kind = EffectKind::Billboard;
    layer.burstCount = 4;
    layer.spawnBox = Vec3{100, 100, 100};
    // 3 to 4.5 units: larger, and the light chain's close-set bulbs on the mantel run together.
    setSize(layer, Vec3{3.0f, 0, 0}, Vec3{150, 0, 0});
    setFade(layer, 19, 170, 5);
    // The pull toward the camera brings a light at a branch tip out in front of the needle cards.
    layer.towardCamera = 4;
    return layer;
}

// The glow around a tree light: sparkle rays fanned out radially from the light's centre (aimed,
// radial), creeping back toward it at −0.1 hundredths per frame unit, held at full strength for
// about as long as a light (the peak above 100 % is clamped when drawn).
EffectFileLayer lightGlow(const std::string& sprite) {
    EffectFileLayer layer;
    layer.spriteName = sprite;
    layer.kind = EffectKind::Streak;
    layer.radial = true;
    layer.aimed = true;
    layer.burstCount = 6;
    layer.speed = Vec3{-0.1f, 0, 0};
    layer.spawnBox = Vec3{100, 100, 100};
    setSize(layer, Vec3{4.0f, 0.5f, 0}, Vec3{400, 30, 0}, Vec3{0.02f, 0, 0});  // head length, half width
    setFade(layer, 10, 160, 4, 10);
    layer.towardCamera = 4;
    return layer;
}

// Snow behind a window: three flakes per spawn anywhere in a sheet 200 units wide and 400 high
// (z); it is as deep as it is wide, so a window in either wall looks into the full width. The flakes
// fall about 0.3 units per frame unit with a little sideways drift, turning slowly and cycling
// through the four flake frames; each fades in and out over about 200 frame units.
EffectFileLayer snowfall() {
    EffectFileLayer layer;
    layer.spriteName = "snowflake.tga";
    layer.kind = EffectKind::Billboard;
    layer.burstCount = 3;
    layer.spawnBox = Vec3{20000, 20000, 40000};
    layer.speed = Vec3{-4, -4, -35};
    layer.speedJitter = Vec3{9, 9, 10};  // x, y −4 … 4; z −35 … −26, about −30 on average
    setSize(layer, Vec3{1.0f, 0, 0}, Vec3{120, 0, 0});
    setFade(layer, 0, 90, 0.9f, 20);
    layer.frameCount = 4;
    layer.frameRate = 1;
    layer.spin = true;
    layer.spinSpeed = 10;
    return layer;
}

// The fireplace: narrow flame tongues licking up from a 50 × 20 bed of embers behind and between
// the skinned flames, rising 0.45 units per frame unit and thinning to a point as they go, each
// living about a third of a second. Their varied heights, widths and strengths make the fire
// flicker; they fade in quickly so a new tongue shoots up rather than swelling.
EffectFileLayer fire() {
    EffectFileLayer layer = risingStreak("fire.tga");
    layer.burstCount = 3;
    layer.speed = Vec3{45, 0, 0};
    layer.spawnBox = Vec3{5000, 2000, 600};
    setSize(layer, Vec3{12, 3.5f, 0}, Vec3{1000, 300, 0}, Vec3{0.35f, 0.12f, 0});
    setFade(layer, 35, 85, 9, 25);
    return layer;
}

// A candle: one small flame standing on the wick per spawn, living about ten frame units, so that
// six or seven overlap and their differing heights and widths flicker; barely rising.
EffectFileLayer candle() {
    EffectFileLayer layer = risingStreak("flame.tga");
    layer.burstCount = 1;
    layer.speed = Vec3{1.5f, 0, 0};
    layer.spawnBox = Vec3{30, 30, 0};
    setSize(layer, Vec3{3.2f, 0.9f, 0}, Vec3{100, 25, 0}, Vec3{0.04f, 0.01f, 0});
    setFade(layer, 15, 40, 6, 15);
    return layer;
}

// The locomotive's steam: two puffs per spawn leaving the chimney upward at 0.3–0.45 units per
// frame unit and drifting up to 0.06 units sideways, so the plume spreads as it rises; each grows
// from about 2 to 7 units and thins out within about 60 frame units, and a slow turn keeps
// neighbouring puffs from looking alike.
EffectFileLayer locomotiveSteam() {
    EffectFileLayer layer;
    layer.spriteName = "steam.tga";
    layer.kind = EffectKind::Billboard;
    layer.burstCount = 2;
    layer.spawnBox = Vec3{150, 150, 50};
    layer.speed = Vec3{-6, -6, 30};
    layer.speedJitter = Vec3{13, 13, 16};
    setSize(layer, Vec3{1.6f, 0, 0}, Vec3{100, 0, 0}, Vec3{-0.09f, 0, 0});
    setFade(layer, 15, 50, 1.4f, 10);
    layer.spin = true;
    layer.spinSpeed = 8;
    return layer;
}

EffectFile single(const EffectFileLayer& layer) {
    EffectFile effect;
    effect.layers.push_back(layer);
    return effect;
}

}  // namespace

std::vector<std::pair<std::string, EffectFile>> particleEffects() {
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
        tree.write(Archive::Main, "Particles/" + name + ".bin", encodeEffect(effect));
}

void makeEffectsAndMusic(MediaTree& tree, const std::string& contentDir) {
    makeSprites(tree);
    makeParticleEffects(tree);
    makeFireplaceFire(tree);
    makeMusic(tree, contentDir);
}

}  // namespace mediagen
