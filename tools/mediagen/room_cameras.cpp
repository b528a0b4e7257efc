// The five camera paths through the room, 300 keys each.

#include "core/maths.h"
#include "mediagen/room_parts.h"

namespace mediagen {

using modelling::Vec3;

namespace {

// The quaternion that turns local (0, 0, −1) to `forward` and (0, 1, 0) to the up nearest +z.
::Quat lookRotation(Vec3 forward) {
    const Vec3 f = modelling::normalized(forward);
    const Vec3 r = modelling::normalized(modelling::cross(f, {0, 0, 1}));
    const Vec3 u = modelling::cross(r, f);
    // Columns of the rotation: r, u, −f.
    const float m00 = r.x, m01 = u.x, m02 = -f.x;
    const float m10 = r.y, m11 = u.y, m12 = -f.y;
    const float m20 = r.z, m21 = u.z, m22 = -f.z;
    ::Quat q;
    const float trace = m00 + m11 + m22;
    if (trace > 0) {
        const float s = std::sqrt(trace + 1) * 2;
        q = {(m21 - m12) / s, (m02 - m20) / s, (m10 - m01) / s, s / 4};
    } else if (m00 > m11 && m00 > m22) {
        const float s = std::sqrt(1 + m00 - m11 - m22) * 2;
        q = {s / 4, (m01 + m10) / s, (m02 + m20) / s, (m21 - m12) / s};
    } else if (m11 > m22) {
        const float s = std::sqrt(1 + m11 - m00 - m22) * 2;
        q = {(m01 + m10) / s, s / 4, (m12 + m21) / s, (m02 - m20) / s};
    } else {
        const float s = std::sqrt(1 + m22 - m00 - m11) * 2;
        q = {(m02 + m20) / s, (m12 + m21) / s, s / 4, (m10 - m01) / s};
    }
    return q;
}

}  // namespace

std::vector<BssCamera> cameraPaths() {
    constexpr int keys = 300;
    constexpr float wide = 1.309f, normal = 1.134f;
    std::vector<BssCamera> cameras;
    auto smooth = [](float t) { return t * t * (3 - 2 * t); };
    auto path = [&](auto position, auto target, float fov) {
        BssCamera camera;
        ::Quat previous;
        for (int k = 0; k < keys; ++k) {
            const float t = smooth(float(k) / float(keys - 1));
            const Vec3 eye = position(t);
            ::Quat q = lookRotation(target(t) - eye);
            // The scene file holds the conjugate of the camera's orientation.
            q = {-q.x, -q.y, -q.z, q.w};
            // Neighbouring keys on the same side of the quaternion sphere, so slerp takes the short way.
            if (k > 0 && q.x * previous.x + q.y * previous.y + q.z * previous.z + q.w * previous.w < 0)
                q = {-q.x, -q.y, -q.z, -q.w};
            previous = q;
            camera.positions.push_back(fv(eye));
            camera.rotations.push_back(q);
            camera.fieldsOfView.push_back(fov);
        }
        cameras.push_back(camera);
    };
    const Vec3 tree{210, 110, 0};
    // The tree's occlusion box (twice its size round its origin) reaches about 210 along x and y.
    // The paths round it are rounded squares (superellipses) that stay outside that box, so they
    // keep clear of the branches and the tree's visibility is decided by its query as usual.
    auto aroundTree = [&](float degrees, float radius, float z) {
        const float a = degrees * kPi / 180;
        const float c = std::cos(a), s = std::sin(a);
        const float r =
            radius / std::pow(std::pow(std::fabs(c), 8.0f) + std::pow(std::fabs(s), 8.0f), 1.0f / 8);
        return tree + Vec3{r * c, r * s, z};
    };
    // 1: a slow arc round the tree's open side, rising a little, the whole tree in view.
    //    Aimed above the tree's middle so the star stays clear of the top edge (the projection's
    //    aspect is 4:3 on every screen).
    path([&](float t) { return aroundTree(165 + 100 * t, 290, 165 + 15 * t); },
         [&](float) {
             return tree + Vec3{0, 0, 136};
         },
         normal);
    // 2: a glide along the mantel, from the candles and stocking on the left, past the clock, to the right.
    path(
        [](float t) {
            return Vec3{-150 + 260 * t, 105, 165};
        },
        [](float t) {
            return Vec3{-75 + 150 * t, 240, 135};
        },
        normal);
    // 3: low, watching the train go round the tree. The train's lap and this path's length share no
    //    rhythm and the path may start at any point of the lap, so the wide view holds the track's
    //    whole circle: from 320 units the circle spans about 22° either side of the tree, inside the
    //    24° half width of the wide field of view, and the locomotive stays in the picture wherever
    //    it is. The circle round the tree keeps clear of its occlusion box (whose corners lie about
    //    300 from the trunk).
    path(
        [&](float t) {
            const float a = (180 + 90 * t) * kPi / 180;
            return tree + Vec3{320 * std::cos(a), 320 * std::sin(a), 32 + 12 * t};
        },
        [&](float) {
            return tree + Vec3{0, 0, 24};
        },
        wide);
    // 4: towards the east window and the falling snow.
    path(
        [](float t) {
            return Vec3{120 + 140 * t, -120 - 30 * t, 150 - 10 * t};
        },
        [](float t) {
            return Vec3{700, -150 - 60 * t, 120};
        },
        normal);
    // 5: the wide view from the door, turning from the bookshelf in the south-west corner past the
    //    pictures, the armchair and the lamp to the fireplace.
    path(
        [](float t) {
            return Vec3{240 - 70 * t, -270 + 30 * t, 175 - 10 * t};
        },
        [](float t) {
            return Vec3{-300 + 320 * t, -100 + 320 * t, 100 - 5 * t};
        },
        wide);
    return cameras;
}

}  // namespace mediagen
