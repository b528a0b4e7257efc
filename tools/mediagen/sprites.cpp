// The particle sprites. Every sprite is drawn additively (GL_SRC_ALPHA, GL_ONE) with the vertex
// alpha of its particle, so what shows is colour × alpha: both fade together toward the edges,
// which keeps the quads' borders invisible even where many particles pile up.
//
// Pictures are made with y down; the texture's v runs from the bottom row (v = 0) to the top, so a
// streak's tail end (v = 0) is the bottom of its picture.

#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "mediagen/effects.h"
#include "pictures/pictures.h"

namespace mediagen {
namespace {

// Writes the pixel with colour scaled by `light` (0..1) and the given alpha; both are clamped.
void setGlowPixel(Picture& picture, int x, int y, Color color, float light, float alpha) {
    picture.at(x, y) =
        Color{clamp01(color.r * light), clamp01(color.g * light), clamp01(color.b * light), clamp01(alpha)};
}

// A tree light: a white-hot core inside a coloured halo with four faint rays, so that the four
// particles of one light read as a twinkling bulb.
Picture lightGlow(Color color) {
    const int size = 64;
    Picture picture(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f) / size * 2 - 1;
            const float dy = (y + 0.5f) / size * 2 - 1;
            const float d = std::sqrt(dx * dx + dy * dy);
            // A wide halo: on the bright needles an additive glow only reads when it spreads well
            // beyond the bulb.
            const float halo = std::pow(clamp01(1 - d), 1.5f);
            const float core = std::exp(-d * d / 0.025f);
            const float rays = std::exp(-std::fabs(dx) * 28) * clamp01(1 - std::fabs(dy)) +
                               std::exp(-std::fabs(dy) * 28) * clamp01(1 - std::fabs(dx));
            const float edge =
                smoothstep(1.0f, 0.85f, d) * smoothstep(1.0f, 0.9f, std::max(std::fabs(dx), std::fabs(dy)));
            const float alpha = (0.7f * halo + 0.45f * core + 0.25f * rays) * edge;
            const Color tint = mix(color, Color{1, 1, 1, 1}, clamp01(core * 0.8f));
            setGlowPixel(picture, x, y, tint, clamp01(0.35f + 0.65f * (halo + core)), alpha);
        }
    }
    return picture;
}

// One ray of a sparkle star, bright at its tail end (v = 0, the picture's bottom) and thinning out
// toward the head; the glow effects fan several of them out radially from a tree light.
Picture sparkleRay(Color color) {
    const int width = 32, height = 128;
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float across = ((x + 0.5f) / width * 2 - 1);  // −1 .. 1
            const float along = 1 - (y + 0.5f) / height;        // 0 at the bottom, 1 at the top
            const float taper = std::pow(1 - along, 1.6f);
            const float thickness = 0.12f + 0.3f * taper;
            const float line = std::exp(-(across * across) / (thickness * thickness));
            const float fromFoot = along - 0.08f;
            const float foot = std::exp(-(fromFoot * fromFoot) / 0.004f) * std::exp(-across * across / 0.25f);
            const float edge = smoothstep(1.0f, 0.8f, std::fabs(across)) * smoothstep(1.0f, 0.93f, along) *
                               smoothstep(0.0f, 0.06f, along);
            const float alpha = (line * taper + 0.5f * foot) * edge;
            const Color tint = mix(color, Color{1, 1, 1, 1}, clamp01(line * taper * 0.5f));
            setGlowPixel(picture, x, y, tint, clamp01(0.4f + 0.6f * line), alpha);
        }
    }
    return picture;
}

// A flame tongue standing on its base (bottom of the picture) with a round belly and a pointed tip:
// white-yellow inside, orange toward the rim, deep red at the tip. `ragged` wobbles the outline with
// noise (the fireplace's tongues); 0 gives the smooth candle flame. `core` is the colour inside: a
// pale yellow for the candle, a deeper orange for the fire, whose many overlapping tongues would
// otherwise add up to a washed-out white.
Picture flameTongue(int width, int height, float ragged, float brightness, Color core, std::uint32_t seed) {
    Picture picture(width, height);
    const ValueNoise noise(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float t = 1 - (y + 0.5f) / height;  // 0 at the base, 1 at the tip
            const float across = (x + 0.5f) / width * 2 - 1;
            float halfWidth = 0.9f * std::pow(std::sin(kPi * std::pow(clamp01(t), 0.55f)), 0.85f);
            if (ragged > 0) halfWidth *= 1 + ragged * (noise.fractal(x * 0.12f, y * 0.06f, 3) - 0.5f) * 2 * t;
            if (halfWidth <= 0.001f) continue;
            const float d = std::fabs(across) / halfWidth;
            const float body = smoothstep(1.0f, 0.35f, d);
            const float inner = smoothstep(0.75f, 0.0f, d) * smoothstep(0.95f, 0.25f, t);
            const float base = smoothstep(0.0f, 0.08f, t);
            const Color rim = mix(hexColor(0xff7a1a), hexColor(0xc42a08), clamp01(t * 1.2f));
            const Color colour = mix(rim, core, inner);
            const float alpha =
                brightness * body * base * (0.55f + 0.45f * inner) * smoothstep(1.0f, 0.7f, t);
            setGlowPixel(picture, x, y, colour, 0.5f + 0.5f * body, alpha);
        }
    }
    return picture;
}

// A soft, lumpy puff of white steam.
Picture steamPuff() {
    const int size = 64;
    Picture picture(size, size);
    const ValueNoise noise(0x57ea);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f) / size * 2 - 1;
            const float dy = (y + 0.5f) / size * 2 - 1;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float lumps = noise.fractal(x * 0.09f, y * 0.09f, 4);
            const float density = smoothstep(1.0f, 0.2f, d + (0.5f - lumps) * 0.5f);
            const float alpha = 0.6f * density * smoothstep(1.0f, 0.85f, d);
            setGlowPixel(picture, x, y, hexColor(0xe6ecf2), 0.6f + 0.4f * lumps, alpha);
        }
    }
    return picture;
}

// Distance from point p to the segment a–b.
float segmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    const float vx = bx - ax, vy = by - ay;
    const float t = clamp01(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy));
    const float ex = px - ax - t * vx, ey = py - ay - t * vy;
    return std::sqrt(ex * ex + ey * ey);
}

// Four snowflake frames side by side (frame k spans u = k/4 … (k+1)/4): a six-armed crystal with
// side branches, turned a little further and glinting differently in each frame.
Picture snowflakeStrip() {
    const int cell = 64;
    Picture picture(cell * 4, cell);
    const float glint[4] = {0.85f, 1.0f, 0.8f, 0.92f};
    for (int frame = 0; frame < 4; ++frame) {
        const float turn = frame * kPi / 12;
        for (int y = 0; y < cell; ++y) {
            for (int x = 0; x < cell; ++x) {
                const float px = (x + 0.5f) / cell * 2 - 1;
                const float py = (y + 0.5f) / cell * 2 - 1;
                float nearest = 10;
                for (int arm = 0; arm < 6; ++arm) {
                    const float a = turn + arm * kPi / 3;
                    const float cx = std::cos(a), cy = std::sin(a);
                    nearest = std::min(nearest, segmentDistance(px, py, 0, 0, cx * 0.78f, cy * 0.78f));
                    for (float along : {0.35f, 0.58f}) {
                        const float bx = cx * along, by = cy * along;
                        const float branch = 0.26f * (1 - along * 0.6f);
                        for (float side : {-1.0f, 1.0f}) {
                            const float b = a + side * kPi / 3.5f;
                            nearest =
                                std::min(nearest, segmentDistance(px, py, bx, by, bx + std::cos(b) * branch,
                                                                  by + std::sin(b) * branch));
                        }
                    }
                }
                const float d = std::sqrt(px * px + py * py);
                const float crystal = smoothstep(0.075f, 0.025f, nearest);
                const float halo = 0.25f * std::pow(clamp01(1 - d), 2.0f);
                const float alpha = clamp01(crystal * glint[frame] + halo) * smoothstep(1.0f, 0.9f, d);
                setGlowPixel(picture, frame * cell + x, y, hexColor(0xf4f8ff), 0.75f + 0.25f * crystal,
                             alpha);
            }
        }
    }
    return picture;
}

}  // namespace

std::vector<std::pair<std::string, Picture>> spritePictures() {
    std::vector<std::pair<std::string, Picture>> sprites;
    const std::pair<const char*, std::uint32_t> lights[] = {{"red", 0xff3020},
                                                            {"yellow", 0xffc830},
                                                            {"green", 0x40ff50},
                                                            {"blue", 0x4070ff},
                                                            {"violet", 0xc050ff}};
    for (const auto& [name, rgb] : lights)
        sprites.emplace_back(std::string("light_") + name + ".tga", lightGlow(hexColor(rgb)));
    for (int i = 0; i < 3; ++i)
        sprites.emplace_back(std::string("sparkle_") + lights[i].first + ".tga",
                             sparkleRay(hexColor(lights[i].second)));
    sprites.emplace_back("flame.tga", flameTongue(64, 128, 0, 1.0f, hexColor(0xfff1c0), 0xf1a3e));
    sprites.emplace_back("fire.tga", flameTongue(64, 128, 0.45f, 0.8f, hexColor(0xffa030), 0xf12e));
    sprites.emplace_back("steam.tga", steamPuff());
    sprites.emplace_back("snowflake.tga", snowflakeStrip());
    return sprites;
}

void makeSprites(MediaTree& tree) {
    for (const auto& [name, picture] : spritePictures()) {
        const pictures::Image image = picture.toImage();
        tree.write(Archive::Main, "Sprites/" + name, pictures::encodeTga(image, {true, false}));
        tree.notePicture("main/Sprites/" + name, image);
    }
}

}  // namespace mediagen
