// The placed models of the room, each modelled round its own origin on the floor (z = 0).
#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "mediagen/model.h"
#include "mediagen/picture.h"

namespace mediagen {

using modelling::Affine;
using modelling::Mesh;
using modelling::Vec2;
using modelling::Vec3;

namespace {

NodeMaterial plain(const std::string& diffuse) {
    NodeMaterial m;
    m.diffuse = diffuse;
    return m;
}

// A flat card (two triangles) from `base` reaching along `out`, `width` wide across `side`.
void addCard(Mesh& mesh, Vec3 base, Vec3 out, Vec3 side, float width) {
    const Vec3 half = side * (width / 2);
    modelling::addQuadFace(mesh, base - half, base + half, base + out + half, base + out - half, 1, 1);
}

// Foliage normals: every corner of the cards from `first` on gets a normal leaning up and away from
// the trunk (the z axis), not the card's own. The scene light is one-sided, so a card's own normal
// leaves half the cards facing away from it and black; a normal shared by the whole crown lights
// the tree like one soft, round mass, whichever way a card happens to face.
void setCrownNormals(Mesh& mesh, std::size_t firstFace, float crownCentreZ) {
    mesh.normals.resize(mesh.faces.size() * 3);
    for (std::size_t f = firstFace; f < mesh.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            const Vec3 p = mesh.positions[mesh.faces[f][c]];
            const Vec3 outward = modelling::normalized({p.x, p.y, (p.z - crownCentreZ) * 0.35f});
            mesh.normals[f * 3 + c] = modelling::normalized(outward * 0.7f + Vec3{0, 0, 0.75f});
        }
}

const char* const kLightEffects[] = {"emit red_firlight", "emit yel_firlight", "emit gre_firlight",
                                     "emit blu_firlight", "emit vio_firlight"};
const char* const kGlowEffects[] = {"emit redfirglow", "emit yelfirglow", "emit grefirglow"};

// A faceted five-pointed star in the xz plane, centred on `centre`: a band `rimDepth` thick round
// its outline, and on each side every point a pair of triangles rising to a ridge at `depth` from
// the middle, so the facets catch the light at different angles and the star keeps its body when
// seen edge-on.
Mesh facetedStar(Vec3 centre, float outer, float inner, float depth, float rimDepth) {
    Mesh star;
    std::vector<Vec3> rim;
    for (int i = 0; i < 10; ++i) {
        const float a = kPi / 2 + 2 * kPi * float(i) / 10;
        const float r = (i % 2 == 0) ? outer : inner;
        rim.push_back(centre + Vec3{r * std::cos(a), 0, r * std::sin(a)});
    }
    const std::int32_t uv0 = star.addUv(0.5f, 0.5f), uv1 = star.addUv(0, 0), uv2 = star.addUv(1, 0);
    const std::int32_t uv3 = star.addUv(1, 0.2f), uv4 = star.addUv(0, 0.2f);
    const float halfRim = rimDepth / 2;
    for (float side : {1.0f, -1.0f}) {
        const std::int32_t apex = star.addPosition(centre + Vec3{0, side * depth, 0});
        for (int i = 0; i < 10; ++i) {
            const Vec3 lift{0, side * halfRim, 0};
            const std::int32_t a = star.addPosition(rim[std::size_t(i)] + lift);
            const std::int32_t b = star.addPosition(rim[std::size_t((i + 1) % 10)] + lift);
            // Seen from +y the rim runs clockwise, so the front side winds apex-b-a.
            if (side > 0)
                star.addFace({apex, b, a}, {uv0, uv2, uv1});
            else
                star.addFace({apex, a, b}, {uv0, uv1, uv2});
        }
    }
    for (int i = 0; i < 10; ++i) {
        const Vec3 a = rim[std::size_t(i)], b = rim[std::size_t((i + 1) % 10)];
        const Vec3 lift{0, halfRim, 0};
        star.addQuad({star.addPosition(a + lift), star.addPosition(b + lift), star.addPosition(b - lift),
                      star.addPosition(a - lift)},
                     {uv1, uv2, uv3, uv4});
    }
    return star;
}

PlacedModel makeFir(int quality) {
    PlacedModel model{"fir", {}};
    const int around = quality ? 16 : 10;
    const int tiers = 9;
    const float crownBottom = 36, crownTop = 192;
    Mesh trunk;
    modelling::addLathe(trunk, {{0, 0}, {7, 0}, {6, 40}, {3, 185}, {0, 196}}, 12, 40);
    // The pot the tree stands in, with a rim and earth showing at the top.
    Mesh pot;
    modelling::addLathe(pot, {{0, 0}, {22, 0}, {26, 26}, {28, 28}, {27, 30}, {23, 28}, {0, 27}}, 24, 60);
    Mesh boughs, cards, cardsLight, ornaments, tinsel, star;
    std::vector<Vec3> tips;
    Random random(7);
    for (int t = 0; t < tiers; ++t) {
        const float f = float(t) / float(tiers - 1);
        const float bottom = crownBottom + f * (crownTop - 40 - crownBottom), radius = 90 - f * 74,
                    height = 42 - f * 16;
        // The tier's core: a drooping cone of needles that fills the gaps between the branches.
        modelling::addLathe(boughs,
                            {{0, bottom + height},
                             {radius * 0.5f, bottom + height * 0.4f},
                             {radius * 0.78f, bottom + 2},
                             {radius * 0.55f, bottom + 4},
                             {0, bottom + 6}},
                            around, 40);
        // Branches fanning out beyond the cone: a flat spray, a second spray crossing it, and a
        // shorter spray above, in two greens, alpha-tested needles.
        const int branches = 10 + int((1 - f) * 12);
        for (int b = 0; b < branches; ++b) {
            const float a =
                2 * kPi * (float(b) + 0.5f * float(t % 2)) / float(branches) + random.uniform(-0.12f, 0.12f);
            const Vec3 dir{std::cos(a), std::sin(a), 0};
            const Vec3 side{-std::sin(a), std::cos(a), 0};
            const float reach = radius * random.uniform(0.92f, 1.1f);
            const Vec3 base = Vec3{0, 0, bottom + height * 0.62f} + dir * (radius * 0.15f);
            const Vec3 out = dir * reach + Vec3{0, 0, -height * random.uniform(0.45f, 0.65f)};
            Mesh& first = (b % 3 == 0) ? cardsLight : cards;
            Mesh& second = (b % 3 == 0) ? cards : cardsLight;
            addCard(first, base, out, side, reach * 0.5f + 9);
            addCard(second, base + Vec3{0, 0, 1.5f}, out * 0.95f,
                    modelling::normalized(side + Vec3{0, 0, 1.1f}), reach * 0.38f + 7);
            addCard(second, base + Vec3{0, 0, height * 0.3f}, out * 0.7f + Vec3{0, 0, height * 0.12f},
                    modelling::normalized(side + Vec3{0, 0, -0.4f}), reach * 0.36f + 6);
            tips.push_back(base + out * 0.9f);
        }
        // Glass baubles hanging under the branches, larger low down.
        const int baubles = 5 + int((1 - f) * 7);
        for (int b = 0; b < baubles; ++b) {
            const float a = 2 * kPi * (float(b) + 0.3f + 0.37f * float(t)) / float(baubles);
            const float r = 5.2f - f * 2;
            const Vec3 c{std::cos(a) * radius * 0.86f, std::sin(a) * radius * 0.86f, bottom - 1};
            modelling::addSphere(ornaments, c, r, quality ? 12 : 8, quality ? 8 : 5, 10);
            Mesh cap;
            modelling::addCylinder(cap, r * 0.28f, 0, r * 0.4f, 6, 10);
            modelling::transform(cap, Affine::translation(c + Vec3{0, 0, r * 0.9f}));
            modelling::append(ornaments, cap);
        }
    }
    modelling::sphericalUv(ornaments, {0, 0, 100});
    // A gold garland winding three times round the crown, following its outline.
    {
        std::vector<Vec3> path;
        const int steps = quality ? 240 : 120;
        for (int i = 0; i <= steps; ++i) {
            const float s = float(i) / float(steps);
            const float z = crownBottom + 12 + s * (crownTop - crownBottom - 40);
            const float r = (90 - (z - crownBottom) / (crownTop - 40 - crownBottom) * 74) * 0.74f + 4;
            const float a = s * 3 * 2 * kPi + 0.6f;
            path.push_back({r * std::cos(a), r * std::sin(a), z - 6 * std::fabs(std::sin(a * 4))});
        }
        modelling::addSweep(tinsel, path, 0.9f, 6, 8);
    }
    star = facetedStar({0, 0, 204}, 14, 6, 5, 2.4f);
    Mesh stem;
    modelling::addCylinder(stem, 1.2f, 190, 198, 8, 10);
    modelling::append(star, stem);

    setCrownNormals(cards, 0, crownBottom);
    setCrownNormals(cardsLight, 0, crownBottom);
    modelling::boxUv(pot, 60);
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, trunk, plain("tex_bark.tga"));
    model.builder.addNode("pot", "Hull", {0, 0, 0}, pot, plain("tex_pot.tga"));
    model.builder.addNode("boughs", "Hull", {0, 0, 0}, boughs, plain("tex_fir_bough.tga"));
    model.builder.addNode("needles", "Hull", {0, 0, 0}, cards, plain("tex_fir_needles.tga"));
    model.builder.addNode("needles2", "Hull", {0, 0, 0}, cardsLight, plain("tex_fir_needles2.tga"));
    NodeMaterial glass = plain("tex_ornament.tga");
    glass.reflection = "tex_reflection2.tga";
    model.builder.addNode("ornaments", "Hull", {0, 0, 0}, ornaments, glass);
    NodeMaterial garland = plain("tex_tinsel.tga");
    garland.reflection = "tex_reflection2.tga";
    model.builder.addNode("garland", "Hull", {0, 0, 0}, tinsel, garland);
    NodeMaterial gold = plain("tex_star.tga");
    gold.illumination = "tex_star_i.tga";
    gold.reflection = "tex_reflection2.tga";
    model.builder.addNode("star", "Hull", {0, 0, 0}, star, gold);
    // 72 lights over the branch tips, spread evenly through the tips of every tier. The engine
    // fires the helpers one after another in file order, so neighbours in the file must not be
    // neighbours on the tree: stepping 29 of the 72 places at a time (29 and 72 share no factor)
    // scatters every run of helpers over the whole crown, and the lit third of the lights is spread
    // over the tree instead of sweeping up it as one band. The colours go by place, so neighbouring
    // lights differ.
    for (int i = 0; i < 72; ++i) {
        const int place = (i * 29) % 72;
        const std::size_t tip = (std::size_t(place) * tips.size()) / 72;
        const std::string name = (place % 6 == 5) ? kGlowEffects[(place / 6) % 3] : kLightEffects[place % 5];
        model.builder.addHelper(name, tips[tip] + Vec3{0, 0, 1.5f});
    }
    model.builder.addCollisionBox({-98, -98, 0}, {98, 98, 220});
    return model;
}

PlacedModel makeRailroad(int quality) {
    PlacedModel model{"railroad", {}};
    const float R = 118;  // track centre line
    Mesh track, rails;
    const int sleepers = 56;
    for (int i = 0; i < sleepers; ++i) {
        Mesh s;
        modelling::addBevelledBox(s, {-9, -1.6f, 0}, {9, 1.6f, 1.4f}, 0.3f, 12);
        modelling::transform(
            s, Affine::rotationZ(2 * kPi * float(i) / float(sleepers)) * Affine::translation({R, 0, 0}));
        modelling::append(track, s);
    }
    for (float r : {R - 5.5f, R + 5.5f}) {
        Mesh rail;
        modelling::addTorus(rail, r, 0.7f, quality ? 128 : 72, 6, 8);
        modelling::transform(rail, Affine::translation({0, 0, 2.1f}));
        modelling::append(rails, rail);
    }
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, track, plain("tex_sleeper.tga"));
    model.builder.addNode("rails", "Hull", {0, 0, 0}, rails, plain("tex_rail.tga"));

    // Cars are built heading +y at x = R, then turned to their place on the circle; the train runs
    // anticlockwise seen from above.
    auto onCircle = [&](Mesh mesh, float degrees) {
        modelling::transform(mesh, Affine::rotationZ(degrees * kPi / 180) * Affine::translation({R, 0, 3}));
        return mesh;
    };
    auto addWheels = [&](Mesh& body, float y0, float y1) {
        for (float y : {y0, y1})
            for (float x : {-5.2f, 5.2f}) {
                Mesh wheel;
                modelling::addCylinder(wheel, 2.6f, -0.8f, 0.8f, 14, 6);
                modelling::transform(wheel, Affine::translation({x, y, 2.6f}) * Affine::rotationY(kPi / 2));
                modelling::append(body, wheel);
            }
    };
    Mesh loco, locoTrim;
    modelling::addBevelledBox(loco, {-5, -10, 2}, {5, 9, 5}, 0.5f, 20);  // frame
    Mesh boiler;
    modelling::addCylinder(boiler, 4.6f, -9, 4, 20, 20);
    modelling::transform(boiler, Affine::translation({0, 0, 9.6f}) * Affine::rotationX(-kPi / 2));
    modelling::append(loco, boiler);
    modelling::addBevelledBox(loco, {-5.5f, -16, 4}, {5.5f, -7, 18}, 0.6f, 20);      // cab
    modelling::addBevelledBox(loco, {-6.5f, -17, 18}, {6.5f, -6, 19.4f}, 0.5f, 20);  // cab roof
    Mesh chimney;
    modelling::addLathe(chimney, {{0, 13}, {1.6f, 13}, {1.8f, 18}, {3.0f, 20}, {2.6f, 20.6f}, {0, 20.6f}}, 14,
                        10);
    modelling::transform(chimney, Affine::translation({0, 4, 0}));
    modelling::append(locoTrim, chimney);
    Mesh dome;
    modelling::addSphere(dome, {0, -3, 14}, 2.2f, 12, 6, 8);
    modelling::append(locoTrim, dome);
    Mesh buffer;
    modelling::addBevelledBox(buffer, {-5.5f, 8.5f, 2.5f}, {5.5f, 10, 5}, 0.4f, 8);
    modelling::append(locoTrim, buffer);
    addWheels(locoTrim, -11, 4);
    Mesh wagon1, wagon2;
    for (Mesh* wagon : {&wagon1, &wagon2}) {
        modelling::addBevelledBox(*wagon, {-5, -9, 2}, {5, 9, 4}, 0.4f, 20);
        // An open box: floor and four walls.
        modelling::addBevelledBox(*wagon, {-5.5f, -9, 4}, {-4.5f, 9, 11}, 0.3f, 20);
        modelling::addBevelledBox(*wagon, {4.5f, -9, 4}, {5.5f, 9, 11}, 0.3f, 20);
        modelling::addBevelledBox(*wagon, {-4.5f, -9, 4}, {4.5f, -8, 11}, 0.3f, 20);
        modelling::addBevelledBox(*wagon, {-4.5f, 8, 4}, {4.5f, 9, 11}, 0.3f, 20);
        addWheels(*wagon, -6, 6);
    }
    // A small bear riding in the first wagon.
    Mesh bear;
    modelling::addSphere(bear, {0, 0, 8}, 3.6f, 12, 8, 10);
    modelling::addSphere(bear, {0, 0, 13.5f}, 2.8f, 12, 8, 10);
    modelling::addSphere(bear, {-2, 0, 15.8f}, 1.0f, 8, 5, 10);
    modelling::addSphere(bear, {2, 0, 15.8f}, 1.0f, 8, 5, 10);
    modelling::addSphere(bear, {0, 2.4f, 13}, 1.1f, 8, 5, 10);
    // Lollipops in the second wagon: sticks with round swirled sweets.
    Mesh lollies;
    for (int i = 0; i < 5; ++i) {
        const float x = -2.8f + 1.4f * float(i), y = -5 + 2.5f * float(i);
        Mesh stick, sweet;
        modelling::addCylinder(stick, 0.3f, 4, 13, 6, 10);
        modelling::transform(stick, Affine::translation({x, y, 0}));
        modelling::addCylinder(sweet, 2.5f, -0.6f, 0.6f, 16, 5);
        modelling::transform(sweet, Affine::translation({x, y, 14.5f}) * Affine::rotationY(kPi / 2));
        modelling::append(lollies, stick);
        modelling::append(lollies, sweet);
    }
    modelling::sphericalUv(bear, {0, 0, 10});
    modelling::boxUv(lollies, 5);
    model.builder.addNode("loco", "Hull", {0, 0, 0}, onCircle(loco, 0), plain("tex_loco.tga"));
    model.builder.addNode("wagon01", "Hull", {0, 0, 0}, onCircle(wagon1, -11), plain("tex_wagon.tga"));
    model.builder.addNode("wagon02", "Hull", {0, 0, 0}, onCircle(wagon2, -20), plain("tex_wagon.tga"));
    model.builder.addNode("teddy", "wagon01", {0, 0, 0}, onCircle(bear, -11), plain("tex_teddy.tga"));
    model.builder.addNode("lollipopsinwagon", "wagon02", {0, 0, 0}, onCircle(lollies, -20),
                          plain("tex_lollipop.tga"));
    model.builder.addNode("locotrim", "loco", {0, 0, 0}, onCircle(locoTrim, 0), plain("tex_brass.tga"));
    // The scene adds 7 in z when it places the steam; this puts it at the chimney's mouth.
    model.builder.addHelper("emit locosteam", {R, 4, 3 + 20.6f - 7});
    model.builder.addCollisionBox({-R - 12, -R - 12, 0}, {R + 12, R + 12, 26});
    return model;
}

PlacedModel makeClock(int quality) {
    PlacedModel model{"Clock", {}};
    // The face looks along +y; its centre is the pivot of the three hands.
    const Vec3 centre{0, 7.2f, 24};
    Mesh body;
    modelling::addBevelledBox(body, {-16, -6, 0}, {16, 6, 4}, 1.2f, 30);
    modelling::addBevelledBox(body, {-14, -5, 4}, {14, 5, 36}, 1.5f, 30);
    Mesh arch;
    modelling::addCylinder(arch, 14, -5, 5, quality ? 40 : 24, 30);
    modelling::transform(arch, Affine::translation({0, 0, 36}) * Affine::rotationX(kPi / 2));
    modelling::append(body, arch);
    modelling::boxUv(body, 30);
    Mesh bezel;
    modelling::addTorus(bezel, 11.4f, 1.1f, quality ? 48 : 32, 8, 10);
    modelling::transform(bezel, Affine::translation(centre - Vec3{0, 1.6f, 0}) * Affine::rotationX(kPi / 2));
    Mesh face;
    modelling::addCylinder(face, 11, 0, 1, quality ? 48 : 32, 22);
    modelling::transform(face, Affine::translation(centre - Vec3{0, 1.05f, 0}) * Affine::rotationX(-kPi / 2));
    // The dial picture spans the face, v along z. The face is seen from +y, where the viewer's right
    // is -x, so u runs along -x; otherwise the numerals read mirrored and run anticlockwise.
    face.uvs.clear();
    for (std::size_t f = 0; f < face.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            const Vec3 p = face.positions[face.faces[f][c]];
            face.uvFaces[f][c] = face.addUv((centre.x - p.x) / 22 + 0.5f, (p.z - centre.z) / 22 + 0.5f);
        }
    Mesh feet;
    for (float x : {-13.0f, 13.0f}) modelling::addSphere(feet, {x, 0, 0.5f}, 2, 10, 6, 6);
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, body, plain("tex_clock_wood.tga"));
    model.builder.addNode("face", "Hull", {0, 0, 0}, face, plain("tex_clock_face.tga"));
    model.builder.addNode("bezel", "Hull", {0, 0, 0}, bezel, plain("tex_brass.tga"));
    model.builder.addNode("feet", "Hull", {0, 0, 0}, feet, plain("tex_brass.tga"));
    // Hands point to twelve (+z) at angle 0, drawn just in front of the face, thin along y.
    auto hand = [&](float len, float width, float y) {
        Mesh mesh;
        std::vector<Vec2> outline{{-width, -len * 0.18f},
                                  {width, -len * 0.18f},
                                  {width * 0.6f, len * 0.8f},
                                  {0, len},
                                  {-width * 0.6f, len * 0.8f}};
        modelling::addExtrusion(mesh, outline, 0, 0.25f, 10);
        // Outline in x/z, thickness along y.
        modelling::transform(mesh, Affine::translation(centre + Vec3{0, y, 0}) * Affine::rotationX(kPi / 2));
        modelling::boxUv(mesh, 10);
        return mesh;
    };
    model.builder.addNode("Arrow01", "Hull", centre, hand(9.5f, 0.55f, 0.5f), plain("tex_hand.tga"));
    model.builder.addNode("Arrow02", "Hull", centre, hand(6.5f, 0.75f, 0.2f), plain("tex_hand.tga"));
    model.builder.addNode("Arrow03", "Hull", centre, hand(10, 0.2f, 0.8f), plain("tex_brass.tga"));
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeCandle(const std::string& name, float height, bool holder) {
    PlacedModel model{name, {}};
    const float base = holder ? 12 : 1.2f;
    const float radius = holder ? 2.2f : 3.2f;
    Mesh wax;
    // Melted rim at the top.
    modelling::addLathe(wax,
                        {{0, base},
                         {radius, base},
                         {radius, base + height - 0.8f},
                         {radius * 0.88f, base + height},
                         {radius * 0.5f, base + height - 0.5f},
                         {0, base + height - 0.6f}},
                        20, 12);
    // The glow picture is brightest at v = 1 and fades over the upper third of the picture. Repeating
    // lathe coordinates would put that band somewhere down the wax, so v instead falls once from 1 at
    // the top of the wax to just above 0 at its foot, keeping the glow under the flame.
    const float waxTop = base + height, waxSpan = height + 1;
    for (std::size_t f = 0; f < wax.faces.size(); ++f)
        for (int c = 0; c < 3; ++c) {
            const float u = wax.uvs[std::size_t(wax.uvFaces[f][c])].u;
            const float z = wax.positions[std::size_t(wax.faces[f][c])].z;
            wax.uvFaces[f][c] = wax.addUv(u, 1 - (waxTop - z) / waxSpan);
        }
    Mesh stand;
    if (holder)
        modelling::addLathe(
            stand, {{0, 0}, {6, 0}, {6, 1}, {2, 2.5f}, {1.3f, 7}, {2.2f, 9}, {4.5f, 10}, {4.3f, 12}, {0, 12}},
            24, 12);
    else
        modelling::addLathe(stand, {{0, 0}, {5.2f, 0}, {5.6f, 1.2f}, {4.9f, 1.4f}, {0, 1.2f}}, 24, 12);
    Mesh wick;
    modelling::addCylinder(wick, 0.22f, base + height - 0.8f, base + height + 1.3f, 6, 2);
    NodeMaterial waxMaterial = plain("tex_candle.tga");
    waxMaterial.illumination = "tex_candle_i.tga";
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, wax, waxMaterial);
    model.builder.addNode("holder", "Hull", {0, 0, 0}, stand, plain("tex_brass.tga"));
    model.builder.addNode("wick", "Hull", {0, 0, 0}, wick, plain("tex_wick.tga"));
    model.builder.addHelper("emit candle", {0, 0, base + height + 1.2f});
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeLightChain() {
    PlacedModel model{"lightchain", {}};
    // Hangs in three swags along the front edge of the mantel shelf, x from -80 to 80.
    std::vector<Vec3> wire;
    const int steps = 96;
    for (int i = 0; i <= steps; ++i) {
        const float t = float(i) / float(steps);
        const float x = -80 + 160 * t;
        const float sag = -9 * std::fabs(std::sin(3 * kPi * t));
        wire.push_back({x, 0, sag});
    }
    Mesh cable, bulbs;
    modelling::addSweep(cable, wire, 0.25f, 5, 10);
    for (int i = 0; i < 49; ++i) {
        const float t = (float(i) + 0.5f) / 49;
        const Vec3 p{-80 + 160 * t, 0, -9 * std::fabs(std::sin(3 * kPi * t)) - 1.2f};
        modelling::addSphere(bulbs, p, 0.9f, 8, 5, 4);
        model.builder.addHelper(kLightEffects[i % 5], p);
    }
    modelling::sphericalUv(bulbs, {0, 0, -20});
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, cable, plain("tex_cable.tga"));
    NodeMaterial glow = plain("tex_bulbs.tga");
    glow.illumination = "tex_bulbs.tga";
    model.builder.addNode("bulbs", "Hull", {0, 0, 0}, bulbs, glow);
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeFirewood() {
    PlacedModel model{"firewood", {}};
    Mesh basket;
    modelling::addLathe(basket, {{0, 0}, {20, 0}, {24, 22}, {25, 23}, {22.5f, 23}, {18.5f, 2}, {0, 2}}, 28,
                        30);
    Mesh logs;
    Random random(11);
    for (int i = 0; i < 7; ++i) {
        Mesh log;
        const float r = random.uniform(3.2f, 4.5f);
        const float x = -12 + 8 * float(i % 4) + (i >= 4 ? 4 : 0);
        const float z = 8 + (i >= 4 ? 7 : 0);
        // Each log reaches as far as the basket's inner wall allows at its place, so the ends stay
        // inside the wicker: shorter at the sides, longer in the middle.
        const float wall = 18.5f + 4 * (z - 2) / 21;
        const float half =
            std::sqrt(std::max(0.0f, wall * wall - (std::fabs(x) + r) * (std::fabs(x) + r))) - 1.5f;
        modelling::addCylinder(log, r, -half, half, 12, 25);
        modelling::transform(log, Affine::translation({x, 0, z}) *
                                      Affine::rotationZ(random.uniform(-0.08f, 0.08f)) *
                                      Affine::rotationX(kPi / 2));
        modelling::append(logs, log);
    }
    NodeMaterial wicker = plain("tex_wicker.tga");
    // The open weave lets some of the embers' glow out through the basket's side.
    wicker.translucency = 0.3f;
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, basket, wicker);
    NodeMaterial embers = plain("tex_firewood.tga");
    embers.illumination = "tex_firewood_glow.tga";
    embers.scrollV = 0.5f;
    model.builder.addNode("logs", "Hull", {0, 0, 0}, logs, embers);
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeStocking() {
    PlacedModel model{"stocking", {}};
    // A boot outline in the xz plane hanging down from a cuff at z = 0; thickness along y.
    std::vector<Vec2> outline{{-6, 0}, {6, 0}, {6, -28}};
    // A rounded heel and toe.
    for (int i = 0; i <= 8; ++i) {
        const float a = -float(i) / 8 * kPi / 2;
        outline.push_back({1 + 5 * std::cos(a), -30 + 8 * std::sin(a)});
    }
    for (int i = 0; i <= 10; ++i) {
        const float a = -kPi / 2 - float(i) / 10 * kPi;
        outline.push_back({-10 + 5.5f * std::cos(a), -32.5f + 5.5f * std::sin(a)});
    }
    outline.push_back({-6, -25});
    Mesh sock;
    modelling::addExtrusion(sock, outline, -2.5f, 2.5f, 20);
    modelling::transform(sock, Affine::rotationX(kPi / 2));
    modelling::computeNormals(sock, 50);
    modelling::boxUv(sock, 20);
    Mesh cuff;
    // A soft, rounded fur cuff: a flattened ring round the top of the stocking.
    modelling::addTorus(cuff, 6.2f, 3.2f, 20, 10, 10);
    modelling::transform(cuff, Affine::translation({0, 0, -3}) * Affine::scaling({1, 0.55f, 1.25f}));
    // The loop it hangs by.
    Mesh loop;
    modelling::addTorus(loop, 2.2f, 0.4f, 16, 6, 4);
    modelling::transform(loop, Affine::translation({-5, 0, 2.5f}) * Affine::rotationX(kPi / 2));
    modelling::append(cuff, loop);
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, sock, plain("tex_stocking.tga"));
    model.builder.addNode("cuff", "Hull", {0, 0, 0}, cuff, plain("tex_fur_white.tga"));
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeTeddy() {
    PlacedModel model{"teddy", {}};
    Mesh bear;
    modelling::addSphere(bear, {0, 0, 14}, 10, 18, 12, 20);        // body
    modelling::addSphere(bear, {0, -1, 30}, 7.5f, 18, 12, 20);     // head
    modelling::addSphere(bear, {-5.5f, -1, 36}, 2.6f, 10, 6, 20);  // ears
    modelling::addSphere(bear, {5.5f, -1, 36}, 2.6f, 10, 6, 20);
    modelling::addSphere(bear, {-10, -3, 18}, 3.6f, 12, 8, 20);  // arms
    modelling::addSphere(bear, {10, -3, 18}, 3.6f, 12, 8, 20);
    modelling::addSphere(bear, {-6, -7, 5}, 4.5f, 12, 8, 20);  // legs
    modelling::addSphere(bear, {6, -7, 5}, 4.5f, 12, 8, 20);
    modelling::sphericalUv(bear, {0, 0, 18});
    Mesh face;
    modelling::addSphere(face, {0, -7.3f, 28.5f}, 3, 12, 8, 10);        // snout
    modelling::addSphere(face, {-2.6f, -6.7f, 31.5f}, 0.9f, 8, 5, 10);  // eyes
    modelling::addSphere(face, {2.6f, -6.7f, 31.5f}, 0.9f, 8, 5, 10);
    modelling::addSphere(face, {0, -10.2f, 29.3f}, 0.9f, 8, 5, 10);  // nose
    modelling::sphericalUv(face, {0, -5, 30});
    Mesh bow;
    modelling::addTorus(bow, 5.6f, 1.0f, 24, 6, 6);
    modelling::transform(bow, Affine::translation({0, -1, 23.5f}));
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, bear, plain("tex_teddy.tga"));
    model.builder.addNode("face", "Hull", {0, 0, 0}, face, plain("tex_teddy_face.tga"));
    model.builder.addNode("bow", "Hull", {0, 0, 0}, bow, plain("tex_ribbon_red.tga"));
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeGift(const std::string& name, Vec3 size, const std::string& paper) {
    PlacedModel model{name, {}};
    Mesh box;
    // Each side shows the whole wrapping picture once, so the ribbon crosses its middle.
    modelling::addBox(box, {-size.x / 2, -size.y / 2, 0}, {size.x / 2, size.y / 2, size.z}, 1e9f);
    for (auto& uv : box.uvs) uv = {uv.u > 0 ? 1.0f : 0.0f, uv.v > 0 ? 1.0f : 0.0f};
    Mesh lid;
    modelling::addBox(lid, {-size.x / 2 - 0.6f, -size.y / 2 - 0.6f, size.z - 4},
                      {size.x / 2 + 0.6f, size.y / 2 + 0.6f, size.z + 0.4f}, 1e9f);
    for (auto& uv : lid.uvs) uv = {uv.u > 0 ? 1.0f : 0.0f, uv.v > 0 ? 0.15f : 0.0f};
    modelling::append(box, lid);
    Mesh bow;
    for (int i = 0; i < 2; ++i) {
        Mesh loop;
        modelling::addTorus(loop, 3.2f, 1.0f, 20, 6, 4);
        modelling::transform(loop, Affine::translation({i ? 3.0f : -3.0f, 0, size.z + 3}) *
                                       Affine::rotationX(kPi / 2) * Affine::scaling({1, 0.7f, 1}));
        modelling::append(bow, loop);
    }
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, box, plain(paper));
    model.builder.addNode("bow", "Hull", {0, 0, 0}, bow, plain("tex_ribbon_gold.tga"));
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeCurtain(int quality) {
    PlacedModel model{"curtain", {}};
    // One pair of gathered panels hanging from z = 0 down 230, x from -85 to 85, folds along y.
    Mesh cloth;
    const int columns = quality ? 64 : 40, rows = quality ? 14 : 8;
    for (int side = 0; side < 2; ++side) {
        const float x0 = side ? 30.0f : -85.0f, x1 = side ? 85.0f : -30.0f;
        std::vector<std::vector<std::int32_t>> p(rows + 1), uv(rows + 1);
        for (int r = 0; r <= rows; ++r)
            for (int c = 0; c <= columns; ++c) {
                const float t = float(c) / float(columns), z = -230 * float(r) / float(rows);
                // Drawn back towards the sides lower down, like a tied curtain.
                const float gather = 1 - 0.35f * std::pow(float(r) / float(rows), 2.0f);
                const float x = side ? x1 - (x1 - x0) * t * gather : x0 + (x1 - x0) * t * gather;
                const float y = 4 * std::sin(t * 2 * kPi * 5) * (0.6f + 0.4f * float(r) / float(rows));
                p[r].push_back(cloth.addPosition({x, y, z}));
                uv[r].push_back(cloth.addUv(t * 3, -z / 60));
            }
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                if (side)
                    cloth.addQuad({p[r][c], p[r + 1][c], p[r + 1][c + 1], p[r][c + 1]},
                                  {uv[r][c], uv[r + 1][c], uv[r + 1][c + 1], uv[r][c + 1]});
                else
                    cloth.addQuad({p[r][c], p[r][c + 1], p[r + 1][c + 1], p[r + 1][c]},
                                  {uv[r][c], uv[r][c + 1], uv[r + 1][c + 1], uv[r + 1][c]});
            }
    }
    modelling::computeNormals(cloth, 80);
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, cloth, plain("tex_curtain.tga"));
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeFloorLamp() {
    PlacedModel model{"floorlamp", {}};
    Mesh stand;
    modelling::addLathe(stand,
                        {{0, 0},
                         {16, 0},
                         {16, 1.5f},
                         {12, 3.5f},
                         {2, 5},
                         {1.4f, 8},
                         {1.4f, 140},
                         {2.2f, 142},
                         {1.4f, 144},
                         {1.4f, 150},
                         {0, 150}},
                        24, 30);
    Mesh shade;
    modelling::addLathe(shade, {{24, 126}, {15, 160}, {14, 160}, {23, 126}}, 32, 40);
    NodeMaterial lit = plain("tex_lampshade.tga");
    lit.illumination = "tex_lampshade_i.tga";
    // Thin fabric: the bulb's light shows through it, warmed by the cloth.
    lit.translucency = 0.5f;
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, stand, plain("tex_brass.tga"));
    model.builder.addNode("shade", "Hull", {0, 0, 0}, shade, lit);
    model.builder.addCollisionBox();
    return model;
}

PlacedModel makeArmchair() {
    PlacedModel model{"armchair", {}};
    // Faces -y (the sitter looks along -y).
    Mesh frame;
    modelling::addBevelledBox(frame, {-42, -38, 12}, {42, 40, 34}, 5, 40);   // seat base
    modelling::addBevelledBox(frame, {-42, 22, 34}, {42, 40, 95}, 7, 40);    // back
    modelling::addBevelledBox(frame, {-44, -40, 12}, {-30, 40, 62}, 6, 40);  // arms
    modelling::addBevelledBox(frame, {30, -40, 12}, {44, 40, 62}, 6, 40);
    Mesh cushion;
    modelling::addBevelledBox(cushion, {-30, -36, 34}, {30, 22, 44}, 4, 40);
    modelling::addBevelledBox(cushion, {-29, 12, 44}, {29, 24, 86}, 5, 40);
    Mesh legs;
    for (float x : {-38.0f, 38.0f})
        for (float y : {-34.0f, 34.0f}) {
            Mesh leg;
            modelling::addLathe(leg, {{0, 0}, {2, 0}, {2.8f, 6}, {3.2f, 12}, {0, 12}}, 12, 10);
            modelling::transform(leg, Affine::translation({x, y, 0}));
            modelling::append(legs, leg);
        }
    model.builder.addNode("Hull", "Scene Root", {0, 0, 0}, frame, plain("tex_armchair.tga"));
    model.builder.addNode("cushions", "Hull", {0, 0, 0}, cushion, plain("tex_armchair.tga"));
    model.builder.addNode("legs", "Hull", {0, 0, 0}, legs, plain("tex_clock_wood.tga"));
    model.builder.addCollisionBox();
    return model;
}

}  // namespace

std::vector<PlacedModel> buildPlacedModels(int quality) {
    std::vector<PlacedModel> models;
    models.push_back(makeFir(quality));
    models.push_back(makeRailroad(quality));
    models.push_back(makeClock(quality));
    models.push_back(makeCandle("candle", 11, false));
    models.push_back(makeCandle("tallcandle", 24, true));
    models.push_back(makeLightChain());
    models.push_back(makeFirewood());
    models.push_back(makeStocking());
    models.push_back(makeTeddy());
    models.push_back(makeGift("gift", {30, 24, 18}, "tex_gift_red.tga"));
    models.push_back(makeGift("giftsmall", {18, 18, 14}, "tex_gift_green.tga"));
    models.push_back(makeGift("giftlong", {40, 16, 12}, "tex_gift_blue.tga"));
    models.push_back(makeCurtain(quality));
    models.push_back(makeFloorLamp());
    models.push_back(makeArmchair());
    return models;
}

}  // namespace mediagen
