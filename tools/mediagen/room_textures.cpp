#include "mediagen/room_textures.h"

#include <cmath>
#include <string>

#include "core/maths.h"
#include "mediagen/generator.h"
#include "mediagen/text.h"

namespace mediagen {
namespace {

template <typename Shade>
Picture shaded(int width, int height, Shade shade) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.at(x, y) = shade(float(x), float(y));
    return picture;
}

// Two colours mottled by tileable fractal noise.
Picture mottled(int size, Color a, Color b, float cells, std::uint32_t seed) {
    ValueNoise noise(seed);
    const int wrap = int(cells);
    return shaded(size, size, [&](float x, float y) {
        return mix(a, b, noise.fractal(x / size * cells, y / size * cells, 4, 0.5f, wrap));
    });
}

Picture brushedMetal(int size, Color base, std::uint32_t seed) {
    ValueNoise noise(seed);
    return shaded(size, size, [&](float x, float y) {
        const float streak = noise.fractal(x / size * 2, y / size * 64, 3, 0.5f, 0);
        const float sheen = 0.75f + 0.45f * std::pow(std::sin(y / size * kPi), 2.0f);
        return scaled(base, (0.8f + 0.35f * streak) * sheen);
    });
}

// Horizontal wax with faint vertical drips; brighter towards the top (v = 0 at the bottom).
Picture waxPicture(int size, Color base, std::uint32_t seed) {
    ValueNoise noise(seed);
    return shaded(size, size, [&](float x, float y) {
        const float n = noise.fractal(x / size * 8, y / size * 3, 3, 0.5f, 8);
        return scaled(base, 0.85f + 0.2f * n);
    });
}

void save(MediaTree& tree, const std::string& name, const Picture& picture, bool alpha = false) {
    writeTexture(tree, name, picture, alpha);
}

Picture knitPicture(int size, Color a, Color b) {
    // Rows of V stitches with a white band pattern.
    return shaded(size, size, [&](float x, float y) {
        const float row = std::floor(y / 8);
        const bool band =
            int(row) % 10 == 3 || int(row) % 10 == 4 || (int(row) % 10 == 7 && int(x / 16) % 2 == 0);
        const float fx = std::fmod(x, 8) / 8, fy = std::fmod(y, 8) / 8;
        const float v = 1 - std::fabs(fx - 0.5f) * 2;
        const float stitch = 0.7f + 0.3f * std::sin(kPi * std::min(1.0f, fy + v * 0.5f));
        return scaled(band ? b : a, stitch);
    });
}

Picture furPicture(int size, Color base, std::uint32_t seed) {
    ValueNoise noise(seed);
    Random random(seed);
    Picture picture = shaded(size, size, [&](float x, float y) {
        return scaled(base, 0.75f + 0.4f * noise.fractal(x / size * 16, y / size * 16, 3, 0.6f, 16));
    });
    for (int i = 0; i < size * 6; ++i) {
        const float x = random.uniform(0, float(size)), y = random.uniform(0, float(size));
        const float a = random.uniform(0, 2 * kPi);
        drawLine(picture, x, y, x + 4 * std::cos(a), y + 4 * std::sin(a), 1,
                 withAlpha(scaled(base, random.uniform(0.6f, 1.3f)), 0.5f));
    }
    return picture;
}

Picture giftPaper(Color paper, Color pattern, Color ribbon, std::uint32_t seed) {
    const int size = 256;
    Random random(seed);
    Picture picture(size, size, paper);
    for (int i = 0; i < 40; ++i) {
        const float x = random.uniform(0, size), y = random.uniform(0, size), r = random.uniform(4, 9);
        // Little stars scattered on the paper.
        std::vector<std::pair<float, float>> star;
        for (int k = 0; k < 10; ++k) {
            const float a = kPi / 2 + 2 * kPi * float(k) / 10;
            const float rr = k % 2 ? r * 0.45f : r;
            star.push_back({x + rr * std::cos(a), y + rr * std::sin(a)});
        }
        fillPolygon(picture, star, pattern);
    }
    // The ribbon crosses the middle of every side.
    fillRect(picture, size * 0.44f, 0, size * 0.56f, size, ribbon);
    fillRect(picture, 0, size * 0.44f, size, size * 0.56f, ribbon);
    fillRect(picture, size * 0.44f, 0, size * 0.45f, size, scaled(ribbon, 0.7f));
    fillRect(picture, size * 0.55f, 0, size * 0.56f, size, scaled(ribbon, 0.7f));
    return picture;
}

Picture clockFace() {
    const int size = 256;
    Picture picture = mottled(size, hexColor(0xf4ead2), hexColor(0xe6d6b0), 6, 41);
    const float c = size / 2.0f;
    for (int i = 0; i < 60; ++i) {
        const float a = 2 * kPi * float(i) / 60;
        const float r0 = i % 5 == 0 ? 104 : 110, r1 = 118;
        drawLine(picture, c + r0 * std::sin(a), c - r0 * std::cos(a), c + r1 * std::sin(a),
                 c - r1 * std::cos(a), i % 5 == 0 ? 3.0f : 1.4f, hexColor(0x2a2016));
    }
    static const char* const numerals[12] = {"XII", "I",   "II",   "III", "IIII", "V",
                                             "VI",  "VII", "VIII", "IX",  "X",    "XI"};
    TextStyle style;
    style.face = Typeface::SerifBold;
    style.size = 26;
    style.fillTop = style.fillBottom = hexColor(0x2a2016);
    for (int i = 0; i < 12; ++i) {
        const float a = 2 * kPi * float(i) / 12;
        drawTextCentred(picture, numerals[i], style, c + 84 * std::sin(a), c - 84 * std::cos(a));
    }
    fillDisc(picture, c, c, 5, hexColor(0x2a2016));
    // Texture files keep the bottom row first, so the picture's top is the dial's top (v = 1).
    return picture;
}

// Transparent texels take the colour of the nearest needles, so filtering and mipmaps blend the
// card's edge towards green instead of towards whatever colour the empty texels happen to hold.
void bleedColourIntoClear(Picture& picture) {
    Picture weighted = picture;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            Color& c = weighted.at(x, y);
            c = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
        }
    blurPicture(weighted, 6);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            Color& c = picture.at(x, y);
            const Color w = weighted.at(x, y);
            if (c.a > 0.5f || w.a <= 1e-4f) continue;
            const Color fill{w.r / w.a, w.g / w.a, w.b / w.a, c.a};
            c = mix(fill, c, c.a * 2);
            c.a = picture.at(x, y).a;
        }
}

// A fir spray for the alpha-tested needle cards: the twig runs up the middle from the card's base
// (the bottom row, v = 0, at the trunk) to its tip, side twigs leave it alternately, and every twig
// carries dense needles on both sides, younger and lighter towards the tips. The spray covers most
// of the card so the smaller mipmaps keep enough alpha to pass the alpha test at a distance.
Picture needleSpray(Color old, Color young, std::uint32_t seed) {
    const int size = 256;
    Random random(seed);
    Picture picture(size, size, withAlpha(old, 0));
    struct Twig {
        float x0, y0, angle, length;
    };
    std::vector<Twig> twigs{{size * 0.5f, float(size), -kPi / 2, size * 0.96f}};
    for (float s = 18; s < size * 0.86f; s += random.uniform(13, 19)) {
        const float along = s / float(size);
        for (int side : {-1, 1}) {
            const float angle = -kPi / 2 + float(side) * random.uniform(0.55f, 0.8f);
            twigs.push_back({size * 0.5f, size - s - float(side) * 4, angle, (1 - along) * size * 0.5f + 18});
        }
    }
    for (const Twig& twig : twigs) {
        const float dx = std::cos(twig.angle), dy = std::sin(twig.angle);
        drawLine(picture, twig.x0, twig.y0, twig.x0 + dx * twig.length, twig.y0 + dy * twig.length, 2.2f,
                 hexColor(0x5a4228));
        for (float s = 2; s < twig.length; s += 1.7f) {
            const float t = s / twig.length;
            const float px = twig.x0 + dx * s, py = twig.y0 + dy * s;
            const float needle = 13 * (1 - 0.45f * t) * random.uniform(0.8f, 1.15f);
            for (int side : {-1, 1}) {
                const float a = twig.angle + float(side) * random.uniform(0.55f, 1.05f);
                Color green = mix(old, young, clamp01(t * t * 1.2f + random.uniform(-0.15f, 0.25f)));
                green = scaled(green, random.uniform(0.82f, 1.15f));
                drawLine(picture, px, py, px + std::cos(a) * needle, py + std::sin(a) * needle, 2.0f, green);
            }
        }
    }
    bleedColourIntoClear(picture);
    return picture;
}

// The needle mass of the tiers' cores: a dense, mottled green covered in short needles.
Picture needleMass(std::uint32_t seed) {
    const int size = 256;
    Random random(seed);
    ValueNoise noise(seed);
    Picture picture = shaded(size, size, [&](float x, float y) {
        return mix(hexColor(0x1f4d24), hexColor(0x4f8c40),
                   noise.fractal(x / size * 8, y / size * 8, 4, 0.55f, 8));
    });
    for (int i = 0; i < 2600; ++i) {
        const float x = random.uniform(0, size), y = random.uniform(0, size), a = random.uniform(0, 2 * kPi),
                    len = random.uniform(6, 11);
        const Color green = scaled(mix(hexColor(0x2c6a30), hexColor(0x86c462), random.uniform()),
                                   random.uniform(0.75f, 1.1f));
        // Needles wrap round the picture's edges so the texture tiles.
        for (float ox : {-float(size), 0.0f, float(size)})
            for (float oy : {-float(size), 0.0f, float(size)})
                if (x + ox > -12 && x + ox < size + 12 && y + oy > -12 && y + oy < size + 12)
                    drawLine(picture, x + ox, y + oy, x + ox + std::cos(a) * len, y + oy + std::sin(a) * len,
                             1.5f, green);
    }
    return picture;
}

}  // namespace

Picture woodPicture(int size, Color dark, Color light, int planks, std::uint32_t seed) {
    ValueNoise noise(seed);
    ValueNoise fine(seed + 1);
    const float plank = float(size) / float(planks);
    return shaded(size, size, [&](float x, float y) {
        const int board = int(y / plank);
        const float shift = float((board * 37) % 11) * 13;
        const float warp = noise.fractal((x + shift * 7) / size * 4, y / size * 4, 3, 0.5f, 4) * 6;
        const float rings = 0.5f + 0.5f * std::sin((y + warp * 3) * 0.55f +
                                                   noise.at((x + shift) / size * 3, y / plank * 2, 3) * 9);
        const float grain = fine.fractal(x / size * 64, y / size * 4, 2, 0.5f, 64);
        Color c = mix(dark, light, 0.25f + 0.5f * rings * (0.6f + 0.4f * grain));
        c = scaled(c, 0.88f + 0.2f * float((board * 7919) % 5) / 5);
        const float edge = std::fmod(y, plank);
        if (edge < 1.2f || plank - edge < 0.8f) c = scaled(c, 0.45f);
        return c;
    });
}

Picture fabricPicture(int size, Color base, std::uint32_t seed) {
    ValueNoise noise(seed);
    return shaded(size, size, [&](float x, float y) {
        const int xi = int(x), yi = int(y);
        const bool warp = ((xi / 2 + yi / 2) % 4) < 2;
        const float thread = 0.8f + 0.2f * std::sin((warp ? x : y) * kPi);
        const float mottle = 0.85f + 0.25f * noise.fractal(x / size * 8, y / size * 8, 3, 0.5f, 8);
        return scaled(base, thread * mottle * (warp ? 1.0f : 0.9f));
    });
}

void makeModelTextures(MediaTree& tree) {
    save(tree, "tex_bark.tga", shaded(128, 128, [noise = ValueNoise(3)](float x, float y) {
             const float n = noise.fractal(x / 128 * 16, y / 128 * 2, 4, 0.5f, 16);
             return mix(hexColor(0x2b1c10), hexColor(0x6a4a30), n);
         }));
    save(tree, "tex_pot.tga", mottled(128, hexColor(0x7a1c18), hexColor(0xa8342a), 4, 5));
    save(tree, "tex_fir_bough.tga", needleMass(9));
    save(tree, "tex_fir_needles.tga", needleSpray(hexColor(0x2a6a2e), hexColor(0x7cc25a), 10), true);
    save(tree, "tex_fir_needles2.tga", needleSpray(hexColor(0x245e3a), hexColor(0x8ccf74), 12), true);
    {
        // Glossy bauble colours, one per patch of the picture (each bauble takes a small patch), with
        // a frosted gold band here and there.
        const Color colours[] = {hexColor(0xd8182a), hexColor(0xf0b828), hexColor(0x2a58e0),
                                 hexColor(0xc8ccd8), hexColor(0xb82ab0), hexColor(0x18a050)};
        ValueNoise noise(15);
        Picture picture = shaded(256, 256, [&](float x, float y) {
            const int patch = (int(x) / 32 + int(y) / 32 * 3) % 6;
            Color c = colours[patch];
            if (patch % 2 == 0 && std::fmod(y, 32.0f) > 13 && std::fmod(y, 32.0f) < 18)
                c = mix(hexColor(0xf8e0a0), c, noise.at(x / 3, y / 3));
            return scaled(c, 0.9f + 0.2f * noise.fractal(x / 16, y / 16, 2, 0.5f, 16));
        });
        save(tree, "tex_ornament.tga", picture);
    }
    {
        // The warm room seen in a bauble, sphere-mapped: the lamp and the window bright, the fire
        // glowing low down, one sharp highlight. The layer adds its colour squared, so the lights are
        // nearly white to show at all.
        Picture picture(128, 128, hexColor(0x1c1410));
        addGlow(picture, 64, 64, 60, hexColor(0x604028), 0.8f, 1.5f);
        addGlow(picture, 38, 40, 26, hexColor(0xffe0b0), 1.0f);
        addGlow(picture, 92, 98, 24, hexColor(0xff9040), 0.9f);
        fillRect(picture, 80, 26, 100, 50, hexColor(0xb8c8ff, 0.7f));
        addGlow(picture, 44, 36, 7, hexColor(0xffffff), 1.0f, 1.2f);
        save(tree, "tex_reflection2.tga", picture);
    }
    save(tree, "tex_star.tga", brushedMetal(64, hexColor(0xffd040), 13));
    save(tree, "tex_star_i.tga", brushedMetal(64, hexColor(0xd8a830), 14));
    save(tree, "tex_tinsel.tga", shaded(64, 64, [](float x, float y) {
             // Twisted strands of gold foil: bright and dark bands crossing at an angle.
             const float twist = 0.5f + 0.5f * std::sin((x * 0.6f + y * 1.3f) * 0.7f);
             return scaled(hexColor(0xe8b838), 0.55f + 0.7f * twist * twist);
         }));
    save(tree, "tex_sleeper.tga", woodPicture(128, hexColor(0x3a2414), hexColor(0x6a4428), 1, 17));
    save(tree, "tex_rail.tga", brushedMetal(64, hexColor(0x9aa0a8), 19));
    save(tree, "tex_loco.tga", mottled(128, hexColor(0x8a1010), hexColor(0xb82818), 4, 21));
    save(tree, "tex_wagon.tga", mottled(128, hexColor(0x104a20), hexColor(0x2a7a38), 4, 23));
    save(tree, "tex_teddy.tga", furPicture(128, hexColor(0x9a6a3a), 25));
    save(tree, "tex_teddy_face.tga", mottled(64, hexColor(0x2a1a10), hexColor(0xd8b890), 2, 27));
    save(tree, "tex_lollipop.tga", shaded(128, 128, [](float x, float y) {
             const float a = std::atan2(y - 64, x - 64), r = std::hypot(x - 64, y - 64);
             return std::sin(a * 3 + r * 0.25f) > 0 ? hexColor(0xe8203a) : hexColor(0xf8f0f0);
         }));
    save(tree, "tex_brass.tga", brushedMetal(128, hexColor(0xc89a3a), 29));
    save(tree, "tex_clock_wood.tga", woodPicture(256, hexColor(0x2a1208), hexColor(0x6a2e14), 1, 31));
    save(tree, "tex_clock_face.tga", clockFace());
    save(tree, "tex_hand.tga", Picture(16, 16, hexColor(0x141010)));
    save(tree, "tex_candle.tga", waxPicture(128, hexColor(0xf2e6c8), 33));
    {
        // The wax glows near its top where the flame shines through.
        Picture picture(128, 128);
        for (int y = 0; y < 128; ++y) {
            const float glow = std::pow(clamp01(1 - float(y) / 40.0f), 2.0f) * 0.55f + 0.06f;
            for (int x = 0; x < 128; ++x) picture.at(x, y) = scaled(hexColor(0xffa040), glow);
        }
        save(tree, "tex_candle_i.tga", picture);
    }
    save(tree, "tex_wick.tga", Picture(16, 16, hexColor(0x1a1410)));
    save(tree, "tex_cable.tga", Picture(16, 16, hexColor(0x0e2a10)));
    {
        Picture picture(64, 64);
        const Color colours[] = {hexColor(0xff3030), hexColor(0xffd040), hexColor(0x40ff60),
                                 hexColor(0x4080ff), hexColor(0xd040ff)};
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) picture.at(x, y) = scaled(colours[(x / 13) % 5], 0.8f);
        save(tree, "tex_bulbs.tga", picture);
    }
    save(tree, "tex_wicker.tga", shaded(128, 128, [](float x, float y) {
             const bool over = (int(x / 8) + int(y / 8)) % 2 == 0;
             const float t = over ? std::sin(std::fmod(y, 8) / 8 * kPi) : std::sin(std::fmod(x, 8) / 8 * kPi);
             return scaled(hexColor(0xb08850), 0.55f + 0.5f * t);
         }));
    save(tree, "tex_firewood.tga", shaded(128, 128, [noise = ValueNoise(35)](float x, float y) {
             return mix(hexColor(0x1e140c), hexColor(0x5a4028),
                        noise.fractal(x / 128 * 24, y / 128 * 3, 4, 0.5f, 24));
         }));
    save(tree, "tex_firewood_glow.tga", shaded(128, 128, [noise = ValueNoise(37)](float x, float y) {
             const float n = noise.fractal(x / 128 * 8, y / 128 * 8, 4, 0.55f, 8);
             return scaled(hexColor(0xff5010), std::pow(clamp01((n - 0.45f) * 3), 2.0f));
         }));
    save(tree, "tex_stocking.tga", knitPicture(128, hexColor(0xb01418), hexColor(0xf0ece0)));
    save(tree, "tex_fur_white.tga", furPicture(64, hexColor(0xf0ece4), 39));
    save(tree, "tex_ribbon_red.tga", brushedMetal(32, hexColor(0xc01020), 41));
    save(tree, "tex_ribbon_gold.tga", brushedMetal(32, hexColor(0xe0b030), 43));
    save(tree, "tex_gift_red.tga", giftPaper(hexColor(0xd41c2c), hexColor(0xf8e088), hexColor(0xf0cc50), 45));
    save(tree, "tex_gift_green.tga",
         giftPaper(hexColor(0x1c8a44), hexColor(0xf8f8f8), hexColor(0xe02434), 47));
    save(tree, "tex_gift_blue.tga",
         giftPaper(hexColor(0x3456bc), hexColor(0xe8eeff), hexColor(0xf4f4f8), 49));
    save(tree, "tex_curtain.tga", fabricPicture(256, hexColor(0x7a1422), 51));
    save(tree, "tex_lampshade.tga", fabricPicture(128, hexColor(0xe8d0a0), 53));
    save(tree, "tex_lampshade_i.tga", Picture(16, 16, hexColor(0x806030)));
    save(tree, "tex_armchair.tga", fabricPicture(256, hexColor(0x2e5a3a), 55));
}

void makeRoomTextures(MediaTree& tree) {
    {
        // Cream wallpaper with a deep red stripe and a small gold sprig between, at 512 texels for
        // 128 units so the pattern stays crisp on a large screen; the paper has a faint fibre.
        ValueNoise noise(61);
        ValueNoise fibre(62);
        const float k = 2;  // texels per unit of the pattern's 256-texel design
        Picture picture = shaded(512, 512, [&](float px, float py) {
            const float x = px / k, y = py / k;
            const float stripe = std::fmod(x, 64);
            Color c = stripe < 22 ? hexColor(0x7e1e22) : hexColor(0xe8d8b4);
            if (stripe >= 22 && (stripe < 24 || stripe > 62)) c = hexColor(0xc8a050);
            const float grain = 0.96f + 0.08f * fibre.fractal(px / 512 * 128, py / 512 * 16, 2, 0.5f, 16);
            return scaled(c, grain * (0.9f + 0.12f * noise.fractal(x / 256 * 8, y / 256 * 8, 3, 0.5f, 8)));
        });
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                const float cx = k * (43 + 64 * float(i)), cy = k * (32 + 64 * float(j) + (i % 2) * 32);
                for (int n = 0; n < 4; ++n) {
                    const float a = kPi / 4 + kPi / 2 * float(n);
                    drawLine(picture, cx, cy, cx + k * 7 * std::cos(a), cy + k * 7 * std::sin(a), k * 2.2f,
                             hexColor(0xb89040));
                }
                fillDisc(picture, cx, cy, k * 2.5f, hexColor(0xb02830));
            }
        save(tree, "tex_wallpaper.tga", picture);
    }
    save(tree, "tex_floor.tga", woodPicture(512, hexColor(0x4a2a14), hexColor(0x9a6434), 6, 63));
    {
        // A Persian-style rug: border bands and a medallion.
        ValueNoise noise(65);
        Picture picture = shaded(512, 512, [&](float x, float y) {
            const float bx = std::min(x, 511 - x), by = std::min(y, 511 - y), b = std::min(bx, by);
            Color c = hexColor(0x6a1018);
            if (b < 14)
                c = hexColor(0x1a1a3a);
            else if (b < 22)
                c = hexColor(0xd0a050);
            else if (b < 54)
                c = (int((x + y) / 12) % 2) ? hexColor(0x1a2a5a) : hexColor(0x22346a);
            else if (b < 60)
                c = hexColor(0xd0a050);
            const float dx = std::fabs(x - 256) / 170, dy = std::fabs(y - 256) / 170;
            if (dx + dy < 1 && b >= 60) c = dx + dy < 0.6f ? hexColor(0xd8b070) : hexColor(0x1a2a5a);
            if (dx + dy < 0.25f) c = hexColor(0x8a1420);
            const float thread = 0.9f + 0.1f * std::sin(x * kPi / 2);
            return scaled(c,
                          thread * (0.85f + 0.25f * noise.fractal(x / 512 * 16, y / 512 * 16, 3, 0.5f, 16)));
        });
        save(tree, "tex_rug.tga", picture);
    }
    {
        // Brick courses in running bond, mortar lines, each brick its own shade; 512 texels for 120
        // units, with a fine sandy grain.
        ValueNoise noise(67);
        ValueNoise sand(68);
        Picture picture = shaded(512, 512, [&](float px, float py) {
            const float x = px / 2, y = py / 2;
            const int row = int(y / 32);
            const float xs = x + (row % 2) * 32;
            const int column = int(xs / 64);
            const float mx = std::fmod(xs, 64), my = std::fmod(y, 32);
            const float grain = 0.92f + 0.16f * sand.at(px / 1.5f, py / 1.5f, 0);
            if (mx < 3 || my < 3)
                return scaled(hexColor(0xb0a898), grain * (0.8f + 0.3f * noise.at(x / 6, y / 6)));
            const float shade = float(((row * 31 + column * 17) % 7)) / 7;
            Color c = mix(hexColor(0x7a2e1e), hexColor(0xa8482a), shade);
            return scaled(c, grain * (0.8f + 0.35f * noise.fractal(x / 256 * 24, y / 256 * 24, 3, 0.5f, 24)));
        });
        save(tree, "tex_brick.tga", picture);
        // The same bricks outside at night, in the moon's cool light.
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                Color& c = picture.at(x, y);
                c = mix(scaled(c, 0.3f), hexColor(0x1a2238), 0.35f);
            }
        save(tree, "tex_brick_night.tga", resized(picture, 256, 256));
    }
    save(tree, "tex_skirting.tga", mottled(128, hexColor(0xeae4d8), hexColor(0xd8d0c0), 4, 69));
    save(tree, "tex_ceiling.tga", mottled(256, hexColor(0xe8e2d4), hexColor(0xd4ccbc), 16, 71));
    save(tree, "tex_beam.tga", woodPicture(256, hexColor(0x2e1a0e), hexColor(0x5e3a20), 1, 73));
    save(tree, "tex_mantel.tga", woodPicture(256, hexColor(0x3a1e0e), hexColor(0x7a4020), 2, 75));
    save(tree, "tex_hearth.tga", mottled(256, hexColor(0x3a3a3e), hexColor(0x6a6a70), 8, 77));
    save(tree, "tex_firebox.tga", mottled(128, hexColor(0x0a0806), hexColor(0x2a1e16), 8, 79));
    save(tree, "tex_frame.tga", mottled(128, hexColor(0xf0ece4), hexColor(0xdcd6ca), 4, 81));
    {
        // Faintly frosted glass: mostly clear, frosted at the corners.
        Picture picture(128, 128);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const float edge =
                    std::min(std::min(float(x), 127.0f - x), std::min(float(y), 127.0f - y)) / 20;
                picture.at(x, y) = Color{0.85f, 0.9f, 1.0f, 0.10f + 0.35f * clamp01(1 - edge)};
            }
        save(tree, "tex_glass.tga", picture, true);
    }
    save(tree, "tex_door.tga", woodPicture(256, hexColor(0x4a2812), hexColor(0x8a5228), 4, 83));
    {
        // Moonlit snow, drawn unlit: blue-grey drifts with a scatter of glints.
        Picture picture = mottled(256, hexColor(0x46587e), hexColor(0x8494b8), 8, 85);
        Random random(86);
        for (int i = 0; i < 260; ++i)
            fillDisc(picture, random.uniform(1, 255), random.uniform(1, 255), random.uniform(0.4f, 0.9f),
                     hexColor(0xe0ecff, random.uniform(0.4f, 1)));
        save(tree, "tex_snow.tga", picture);
    }
    {
        // Night sky: deep blue to the horizon and stars; every side of the sky box shows it once, so
        // the moon is an object of its own.
        Picture picture(512, 256);
        fillVerticalGradient(picture,
                             {{0, hexColor(0x02040e)}, {0.7f, hexColor(0x0a1838)}, {1, hexColor(0x24345a)}});
        Random random(87);
        for (int i = 0; i < 600; ++i) {
            const float x = random.uniform(0, 512), y = random.uniform(0, 200);
            fillDisc(picture, x, y, random.uniform(0.4f, 1.2f),
                     withAlpha(hexColor(0xffffff), random.uniform(0.35f, 1)));
        }
        save(tree, "tex_sky.tga", picture);
    }
    {
        // The full moon: a pale disc with darker seas, a soft rim; the corners are sky.
        Picture picture(128, 128, hexColor(0x0a1838));
        ValueNoise noise(88);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const float d = std::hypot(x - 63.5f, y - 63.5f) / 62;
                if (d > 1) continue;
                const float seas =
                    smoothstep(0.5f, 0.7f, noise.fractal(x / 128.0f * 4, y / 128.0f * 4, 4, 0.55f, 0));
                Color c = mix(hexColor(0xfaf6e4), hexColor(0xb8b8b0), seas * 0.8f);
                c = scaled(c, 1 - 0.25f * d * d);
                picture.at(x, y) = mix(c, hexColor(0x0a1838), smoothstep(0.97f, 1.0f, d));
            }
        save(tree, "tex_moon.tga", picture);
    }
    {
        // The neighbour's cottage at night: dark boarded walls, warm lit windows with crossbars and
        // curtains, snow on the ledges. u runs along the wall, v up.
        ValueNoise noise(95);
        Picture picture = shaded(512, 256, [&](float x, float y) {
            const float board = std::fmod(y, 16.0f) < 1.5f ? 0.6f : 1.0f;
            return scaled(hexColor(0x2a2a36),
                          board * (0.8f + 0.3f * noise.fractal(x / 32, y / 32, 3, 0.5f, 16)));
        });
        for (int w = 0; w < 4; ++w) {
            const float x0 = 40.0f + 120 * float(w), y0 = w % 2 ? 70.0f : 60.0f;
            fillRect(picture, x0 - 4, y0 - 4, x0 + 60, y0 + 74, hexColor(0x1a1410));
            for (int yy = int(y0); yy < int(y0 + 70); ++yy)
                for (int xx = int(x0); xx < int(x0 + 56); ++xx)
                    picture.at(xx, yy) = mix(hexColor(0xffd890), hexColor(0xe08a30), float(yy - y0) / 70);
            fillRect(picture, x0, y0, x0 + 12, y0 + 70, hexColor(0x8a2a20));
            fillRect(picture, x0 + 44, y0, x0 + 56, y0 + 70, hexColor(0x8a2a20));
            fillRect(picture, x0 + 26, y0, x0 + 30, y0 + 70, hexColor(0x1a1410));
            fillRect(picture, x0, y0 + 32, x0 + 56, y0 + 36, hexColor(0x1a1410));
            fillRect(picture, x0 - 6, y0 + 74, x0 + 62, y0 + 80, hexColor(0xd8e0f0));
        }
        // A door with a lit fanlight.
        fillRect(picture, 470, 140, 506, 256, hexColor(0x3a1a14));
        fillDisc(picture, 488, 140, 18, hexColor(0xf0c070));
        fillRect(picture, 470, 140, 506, 150, hexColor(0x3a1a14));
        save(tree, "tex_cottage.tga", picture);
    }
    save(tree, "tex_snowroof.tga", mottled(256, hexColor(0x6a7894), hexColor(0xaab8d4), 8, 97));
    save(tree, "tex_snowtree.tga", mottled(128, hexColor(0x0c1e1a), hexColor(0x7a8cb0), 6, 89));
    save(tree, "tex_fence.tga", woodPicture(128, hexColor(0x1a1a22), hexColor(0x3a3a48), 1, 91));
    {
        // Eight book spines side by side (each book uses one strip): cloth colour, gilt bands near
        // the top and bottom, a title block; v = 1 is the top of the tallest book.
        const Color colours[] = {hexColor(0x7a1a1a), hexColor(0x1a3a6a), hexColor(0x2a5a2a),
                                 hexColor(0x8a6a2a), hexColor(0x4a2a4a), hexColor(0x1e1e22),
                                 hexColor(0xa8501e), hexColor(0x205a5a)};
        ValueNoise noise(93);
        Random random(94);
        Picture picture(256, 256);
        for (int strip = 0; strip < 8; ++strip) {
            const float x0 = 32.0f * float(strip), x1 = x0 + 32;
            for (int y = 0; y < 256; ++y)
                for (int x = int(x0); x < int(x1); ++x) {
                    // Rounded spine: darker towards the sides.
                    const float across = (float(x) + 0.5f - x0) / 32;
                    const float round = 0.7f + 0.3f * std::sin(across * kPi);
                    picture.at(x, y) = scaled(
                        colours[strip],
                        round * (0.85f + 0.25f * noise.fractal(float(x) / 8, float(y) / 8, 3, 0.5f, 0)));
                }
            const Color gilt = hexColor(0xd8b050);
            for (float band : {44.0f, 52.0f, 226.0f, 234.0f})
                fillRect(picture, x0 + 2, band, x1 - 2, band + 3, gilt);
            const float title = random.uniform(70, 110);
            fillRect(picture, x0 + 6, title, x1 - 6, title + 46, scaled(colours[strip], 0.55f));
            for (int line = 0; line < 4; ++line)
                fillRect(picture, x0 + 9, title + 6 + 10 * line, x1 - 9 - random.uniform(0, 6),
                         title + 9 + 10 * line, gilt);
        }
        save(tree, "tex_books.tga", picture);
    }
    save(tree, "tex_gilt.tga", shaded(128, 128, [noise = ValueNoise(99)](float x, float y) {
             // Gilding worn through to a red bole in places, with a fine beaded moulding.
             const float bead = 0.75f + 0.25f * std::sin(x * 0.8f) * std::sin(y * 0.8f);
             const float wear = smoothstep(0.62f, 0.75f, noise.fractal(x / 16, y / 16, 4, 0.55f, 8));
             return scaled(mix(hexColor(0xd8ac48), hexColor(0x7a3420), wear * 0.7f), bead);
         }));
    save(tree, "tex_velvet_red.tga", fabricPicture(64, hexColor(0xb01420), 101));
    {
        // A village on a snowy night: hills, cottages with lit windows, a church spire, stars.
        Picture picture(512, 256);
        fillVerticalGradient(picture, {{0, hexColor(0x0c1430)},
                                       {0.55f, hexColor(0x2a3c6a)},
                                       {0.56f, hexColor(0xc8d0e4)},
                                       {1, hexColor(0x8a98b8)}});
        Random random(103);
        for (int i = 0; i < 120; ++i)
            fillDisc(picture, random.uniform(0, 512), random.uniform(0, 140), random.uniform(0.5f, 1.2f),
                     hexColor(0xf0f0ff));
        fillDisc(picture, 420, 50, 18, hexColor(0xf4f0dc));
        fillPolygon(picture, {{0, 175}, {120, 140}, {260, 168}, {380, 130}, {512, 160}, {512, 256}, {0, 256}},
                    hexColor(0xdfe6f4));
        for (int h = 0; h < 6; ++h) {
            const float x = 40.0f + 75 * float(h), base = 200.0f + 8 * float(h % 3);
            fillRect(picture, x, base - 34, x + 46, base, hexColor(0x4a3a3a));
            fillPolygon(picture, {{x - 6, base - 34}, {x + 23, base - 58}, {x + 52, base - 34}},
                        hexColor(0xe8eef8));
            fillRect(picture, x + 8, base - 26, x + 18, base - 16, hexColor(0xffd080));
            fillRect(picture, x + 28, base - 26, x + 38, base - 16, hexColor(0xffc060));
        }
        fillRect(picture, 300, 120, 320, 190, hexColor(0x5a4a4a));
        fillPolygon(picture, {{256, 120}, {310, 70}, {324, 120}}, hexColor(0x3a3040));
        for (int b = 0; b < 14; ++b) {
            const Color gilt = scaled(hexColor(0xc8a040), 0.6f + 0.04f * float(b));
            fillRect(picture, float(b), float(b), 512.0f - b, float(b) + 1, gilt);
            fillRect(picture, float(b), 255.0f - b, 512.0f - b, 256.0f - b, gilt);
            fillRect(picture, float(b), float(b), float(b) + 1, 256.0f - b, gilt);
            fillRect(picture, 511.0f - b, float(b), 512.0f - b, 256.0f - b, gilt);
        }
        save(tree, "tex_painting3.tga", picture);
    }
    {
        // Two paintings: a winter landscape and a still life, in gilt frames.
        for (int n = 0; n < 2; ++n) {
            Picture picture(256, 256);
            if (n == 0) {
                fillVerticalGradient(picture, {{0, hexColor(0x6a8ab8)},
                                               {0.55f, hexColor(0xd8c8b0)},
                                               {0.56f, hexColor(0xe8eef8)},
                                               {1, hexColor(0xb8c4d8)}});
                fillPolygon(picture, {{20, 150}, {90, 70}, {160, 150}}, hexColor(0x5a6a88));
                fillPolygon(picture, {{110, 150}, {180, 90}, {250, 150}}, hexColor(0x6a7a98));
                for (int t = 0; t < 6; ++t)
                    fillPolygon(picture,
                                {{30.0f + t * 36, 200}, {42.0f + t * 36, 160}, {54.0f + t * 36, 200}},
                                hexColor(0x1a3a2a));
            } else {
                fillVerticalGradient(picture, {{0, hexColor(0x2a1a10)}, {1, hexColor(0x4a2e1a)}});
                fillDisc(picture, 100, 150, 40, hexColor(0xc03020));
                fillDisc(picture, 160, 160, 32, hexColor(0xd8a030));
                fillDisc(picture, 130, 110, 28, hexColor(0x5a8a2a));
                fillRect(picture, 40, 190, 220, 200, hexColor(0x8a6a4a));
            }
            for (int b = 0; b < 16; ++b) {
                const Color gilt = scaled(hexColor(0xc8a040), 0.6f + 0.04f * float(b));
                fillRect(picture, float(b), float(b), 256.0f - b, float(b) + 1, gilt);
                fillRect(picture, float(b), 255.0f - b, 256.0f - b, 256.0f - b, gilt);
                fillRect(picture, float(b), float(b), float(b) + 1, 256.0f - b, gilt);
                fillRect(picture, 255.0f - b, float(b), 256.0f - b, 256.0f - b, gilt);
            }
            save(tree, n == 0 ? "tex_painting1.tga" : "tex_painting2.tga", picture);
        }
    }
}

}  // namespace mediagen
