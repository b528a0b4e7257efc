// The skinned fireplace flames and their additive, v-scrolling texture.

#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "mediagen/effects.h"
#include "mediagen/generator.h"
#include "pictures/pictures.h"

namespace mediagen {
namespace {

constexpr int kSides = 6;           // corners of each ring of a tongue
constexpr int kRings = 5;           // rings below the tip
constexpr int kFrames = 100;        // keys per track
constexpr float kPivotHeight = 12;  // where the swaying bones sit above the bed

struct Tongue {
    float x, y;    // foot on the bed
    float radius;  // at the foot
    float height;
    float lean;     // sideways offset of the tip along x
    float vOffset;  // where the tongue starts in the texture
};

// Left to right; the tall ones in the middle, the small ones at the sides and in front.
const Tongue kTongues[] = {
    {-21, 3, 4.0f, 18, -2.5f, 0.00f}, {-14, -5, 4.5f, 24, -1.5f, 0.37f}, {-8, 4, 5.5f, 30, -1.0f, 0.71f},
    {-2, -3, 6.0f, 35, 0.5f, 0.13f},  {4, 5, 5.5f, 33, 1.0f, 0.52f},     {10, -4, 5.0f, 27, 1.5f, 0.88f},
    {16, 3, 4.5f, 22, 2.0f, 0.26f},   {22, -2, 3.5f, 17, 3.0f, 0.64f},
};

// Radius of a tongue's ring at relative height t (0 foot, 1 tip): a belly above the foot, then
// narrowing to the point.
float ringRadius(float footRadius, float t) {
    return footRadius * (0.8f + 0.6f * std::sin(kPi * t * 0.9f)) * std::pow(1 - t, 0.6f);
}

// The rotation Ry(ay) · Rx(ax) moved to `at`, in the file's 4×3 layout (A[3c + r] = M[r][c]).
Transform4x3 rotationAt(float ax, float ay, Vec3 at) {
    const float cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
    const float m[3][3] = {{cy, sy * sx, sy * cx}, {0, cx, -sx}, {-sy, cy * sx, cy * cx}};
    Transform4x3 t{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t[3 * c + r] = m[r][c];
    t[9] = at.x;
    t[10] = at.y;
    t[11] = at.z;
    return t;
}

// A sum of whole harmonics of the 100-frame period, shifted so that frame 0 gives 0: periodic, so
// frame 99 runs into frame 0 like any other pair of neighbours.
float loopWave(int frame, const float (&amplitudes)[4], const int (&harmonics)[4], const float (&phases)[4]) {
    float value = 0;
    for (int i = 0; i < 4; ++i) {
        const float angle = 2 * kPi * harmonics[i] * frame / kFrames + phases[i];
        value += amplitudes[i] * (std::sin(angle) - std::sin(phases[i]));
    }
    return value;
}

}  // namespace

BsaMesh fireplaceFireMesh() {
    BsaMesh mesh;
    mesh.texture = "add_flame.tga";
    mesh.scrollU = 0;
    mesh.scrollV = 0.5f;
    mesh.bones = {
        {translationTransform(0, 0, 0), "Bone03", "Scene Root"},
        {translationTransform(-12, 0, kPivotHeight), "Bone01", "Bone03"},
        {translationTransform(12, 0, kPivotHeight), "Bone02", "Bone03"},
    };
    for (const Tongue& tongue : kTongues) {
        const int firstVertex = int(mesh.positions.size());
        const int firstUv = int(mesh.uvs.size());
        auto addVertex = [&](Vec3 p, Vec3 normal) {
            mesh.positions.push_back(p);
            // The bed stays with the root; higher up the flame follows its side's swaying bone,
            // blended across the middle so the two halves of the fire never tear apart.
            const float up = std::pow(std::min(1.0f, p.z / 30), 1.2f) * 0.95f;
            const float right = std::min(1.0f, std::max(0.0f, (p.x + 12) / 24));
            mesh.weights.push_back(Vec3{1 - up, up * (1 - right), up * right});
            mesh.boneIndices.push_back({0, 1, 2});
            (void)normal;
        };
        for (int ring = 0; ring < kRings; ++ring) {
            const float t = float(ring) / kRings;
            const float radius = ringRadius(tongue.radius, t);
            for (int side = 0; side < kSides; ++side) {
                const float a = 2 * kPi * side / kSides + tongue.vOffset;
                addVertex(Vec3{tongue.x + tongue.lean * t * t + radius * std::cos(a),
                               tongue.y + radius * std::sin(a), t * tongue.height},
                          Vec3{std::cos(a), std::sin(a), 0});
            }
            for (int side = 0; side <= kSides; ++side)
                mesh.uvs.push_back(Vec3{float(side) / kSides, t + tongue.vOffset, 0});
        }
        addVertex(Vec3{tongue.x + tongue.lean, tongue.y, tongue.height}, Vec3{0, 0, 1});
        mesh.uvs.push_back(Vec3{0.5f, 1 + tongue.vOffset, 0});
        const int tip = int(mesh.positions.size()) - 1;
        const int tipUv = int(mesh.uvs.size()) - 1;
        auto vertex = [&](int ring, int side) { return firstVertex + ring * kSides + side % kSides; };
        auto uv = [&](int ring, int side) { return firstUv + ring * (kSides + 1) + side; };
        auto outward = [&](int v) {
            const Vec3 p = mesh.positions[std::size_t(v)];
            const float dx = p.x - tongue.x, dy = p.y - tongue.y;
            const float length = std::sqrt(dx * dx + dy * dy);
            return length > 1e-4f ? Vec3{dx / length, dy / length, 0} : Vec3{0, 0, 1};
        };
        auto addFace = [&](IndexTriple corners, IndexTriple uvCorners) {
            mesh.faces.push_back(corners);
            mesh.uvFaces.push_back(uvCorners);
            for (int corner : corners) mesh.normals.push_back(outward(corner));
        };
        for (int ring = 0; ring + 1 < kRings; ++ring) {
            for (int side = 0; side < kSides; ++side) {
                const int a = vertex(ring, side), b = vertex(ring, side + 1);
                const int c = vertex(ring + 1, side), d = vertex(ring + 1, side + 1);
                const int ua = uv(ring, side), ub = uv(ring, side + 1), uc = uv(ring + 1, side),
                          ud = uv(ring + 1, side + 1);
                addFace({a, b, d}, {ua, ub, ud});
                addFace({a, d, c}, {ua, ud, uc});
            }
        }
        for (int side = 0; side < kSides; ++side)
            addFace({vertex(kRings - 1, side), vertex(kRings - 1, side + 1), tip},
                    {uv(kRings - 1, side), uv(kRings - 1, side + 1), tipUv});
    }
    return mesh;
}

BsaAnimation fireplaceFireAnimation() {
    const BsaMesh mesh = fireplaceFireMesh();
    BsaAnimation animation;
    animation.boneCountField = std::int32_t(mesh.bones.size());
    // Per child bone: sway across (about y), sway to and fro (about x), and a bob that stretches
    // the tongues; different harmonics and phases so the two halves never move in step.
    const int harmonics[2][4] = {{1, 3, 5, 8}, {2, 3, 6, 7}};
    const float phases[2][4] = {{0.3f, 1.9f, 4.1f, 2.6f}, {5.2f, 0.8f, 2.2f, 3.7f}};
    const float swayAcross[4] = {0.10f, 0.06f, 0.04f, 0.025f};
    const float swayFro[4] = {0.05f, 0.04f, 0.03f, 0.02f};
    const float bob[4] = {1.2f, 0.8f, 0.9f, 0.6f};
    for (std::size_t bone = 0; bone < mesh.bones.size(); ++bone) {
        BsaTrack track;
        track.boneNumber = std::int32_t(bone);
        const Transform4x3& bind = mesh.bones[bone].bindLocal;
        for (int frame = 0; frame < kFrames; ++frame) {
            if (bone == 0) {
                track.keys.push_back(bind);  // the bed stays where the scene puts it
                continue;
            }
            const int k = int(bone) - 1;
            const float across = loopWave(frame, swayAcross, harmonics[k], phases[k]);
            const float fro = loopWave(frame, swayFro, harmonics[1 - k], phases[k]);
            const float lift = loopWave(frame, bob, harmonics[k], phases[1 - k]);
            track.keys.push_back(rotationAt(fro, across, Vec3{bind[9], bind[10], bind[11] + lift}));
        }
        animation.tracks.push_back(std::move(track));
    }
    return animation;
}

Picture flameTexture() {
    // Licks: bright wavy bands running up the texture with clear gaps between them, so a tongue
    // reads as several flames rather than a solid cone; the bands break into pieces along v, and as
    // the texture scrolls those pieces rise and vanish. Everything is periodic over the picture
    // (whole band counts, noise lattices that divide it), so it repeats without a seam.
    const int width = 64, height = 128;
    constexpr int kLicks = 3;  // bands across u; the tongue wraps u once around its six sides
    Picture picture(width, height);
    const ValueNoise wobble(0xf1a3e5), breakup(0x11c5), grain(0x2b7d);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float u = float(x) / width, v = float(y) / height;
            const float bend = wobble.fractal(u * 4, v * 4, 3, 0.5f, 4) - 0.5f;
            const float band = 0.5f + 0.5f * std::cos(2 * kPi * (kLicks * u + 0.9f * bend));
            const float pieces = smoothstep(0.3f, 0.7f, breakup.fractal(u * 3, v * 6, 2, 0.5f, 3));
            const float fine = grain.fractal(u * 8, v * 16, 2, 0.5f, 8);
            const float heat = clamp01(std::pow(band, 1.6f) * (0.4f + 0.8f * pieces) * (0.8f + 0.4f * fine));
            const Color colour = mix(mix(hexColor(0x9a1c06), hexColor(0xff7a18), clamp01(heat * 1.8f)),
                                     hexColor(0xfff0b8), clamp01(heat * 1.6f - 0.7f));
            picture.at(x, y) = withAlpha(colour, clamp01(std::pow(heat, 1.2f) * 1.15f));
        }
    }
    return picture;
}

void makeFireplaceFire(MediaTree& tree) {
    tree.write(Archive::Main, "Models/fireplace_fire.BSA", encodeBsaMesh(fireplaceFireMesh()));
    tree.write(Archive::Main, "Models/fireplace_fire_anim.BSA", encodeBsaAnimation(fireplaceFireAnimation()));
    writeTexture(tree, "add_flame.tga", flameTexture(), true);
}

}  // namespace mediagen
