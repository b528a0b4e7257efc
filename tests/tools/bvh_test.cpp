// The triangle hierarchy against a brute-force walk over every triangle.
#include "mediagen/bvh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using mediagen::TriangleBvh;
namespace md = mediagen::modelling;

namespace {

struct Tri {
    md::Vec3 a, b, c;
};

// Plane hit, then the inside test by the signs of three edge cross products.
float bruteHit(const std::vector<Tri>& tris, md::Vec3 o, md::Vec3 d, float maxT, int& which) {
    float best = -1;
    which = -1;
    for (std::size_t i = 0; i < tris.size(); ++i) {
        const Tri& t = tris[i];
        const md::Vec3 n = md::cross(t.b - t.a, t.c - t.a);
        const float denom = md::dot(n, d);
        if (std::fabs(denom) < 1e-9f) continue;
        const float hit = md::dot(n, t.a - o) / denom;
        if (hit <= 0 || hit >= maxT || (best >= 0 && hit >= best)) continue;
        const md::Vec3 p = o + d * hit;
        const float s1 = md::dot(n, md::cross(t.b - t.a, p - t.a));
        const float s2 = md::dot(n, md::cross(t.c - t.b, p - t.b));
        const float s3 = md::dot(n, md::cross(t.a - t.c, p - t.c));
        if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) {
            best = hit;
            which = int(i);
        }
    }
    return best;
}

}  // namespace

TEST(TriangleBvh, AgreesWithBruteForceOnRandomTriangles) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> place(-100, 100), size(-12, 12), dir(-1, 1);
    for (int count : {1, 7, 300}) {
        std::vector<Tri> tris;
        TriangleBvh bvh;
        for (int i = 0; i < count; ++i) {
            const md::Vec3 a{place(random), place(random), place(random)};
            const Tri t{a, a + md::Vec3{size(random), size(random), size(random)},
                        a + md::Vec3{size(random), size(random), size(random)}};
            tris.push_back(t);
            bvh.addTriangle(t.a, t.b, t.c);
        }
        bvh.build();
        int hits = 0;
        for (int r = 0; r < 3000; ++r) {
            const md::Vec3 o{place(random), place(random), place(random)};
            // Half the rays aim at a triangle, so hits are common.
            md::Vec3 d{dir(random), dir(random), dir(random)};
            if (r % 2 == 0) {
                const Tri& t = tris[r % tris.size()];
                d = (t.a + t.b + t.c) * (1.0f / 3.0f) - o;
            }
            const float maxT = (r % 3 == 0) ? 0.5f : 1000.0f;
            int expectedTriangle = -1, gotTriangle = -1;
            const float expected = bruteHit(tris, o, d, maxT, expectedTriangle);
            const float got = bvh.nearestHit(o, d, maxT, &gotTriangle);
            ASSERT_EQ(expected >= 0, got >= 0) << "count " << count << " ray " << r;
            EXPECT_EQ(bvh.occluded(o, d, maxT), expected >= 0) << "ray " << r;
            if (expected < 0) continue;
            ++hits;
            EXPECT_NEAR(got, expected, 1e-3f * std::max(1.0f, expected)) << "ray " << r;
            // Same triangle unless two are hit at (nearly) the same distance.
            if (gotTriangle != expectedTriangle) {
                int ignored;
                const Tri& t = tris[gotTriangle];
                EXPECT_NEAR(bruteHit({t}, o, d, maxT, ignored), expected, 1e-3f * std::max(1.0f, expected));
            }
        }
        EXPECT_GT(hits, 300) << "count " << count;
    }
}

TEST(TriangleBvh, EmptyDegenerateAndUnbuiltHierarchiesAreSafe) {
    TriangleBvh empty;
    empty.build();
    EXPECT_FALSE(empty.occluded({0, 0, 0}, {1, 0, 0}, 100));
    EXPECT_LT(empty.nearestHit({0, 0, 0}, {1, 0, 0}, 100), 0);

    TriangleBvh unbuilt;
    unbuilt.addTriangle({5, -1, -1}, {5, 1, -1}, {5, 0, 1});
    EXPECT_FALSE(unbuilt.occluded({0, 0, 0}, {1, 0, 0}, 100));

    // Many triangles at one spot (no split possible) and zero-area slivers.
    TriangleBvh pile;
    for (int i = 0; i < 200; ++i) pile.addTriangle({5, -1, -1}, {5, 1, -1}, {5, 0, 1});
    pile.addTriangle({1, 0, 0}, {1, 0, 0}, {1, 0, 0});
    pile.addTriangle({2, 0, 0}, {3, 0, 0}, {4, 0, 0});
    md::Mesh bad;
    bad.positions = {{0, 0, 0}};
    bad.faces = {{0, 0, 7}, {-1, 0, 0}};
    pile.addMesh(bad);  // faces with indices out of range are skipped
    pile.build();
    EXPECT_EQ(pile.triangleCount(), 202u);
    EXPECT_NEAR(pile.nearestHit({0, 0, 0}, {1, 0, 0}, 100), 5.0f, 1e-4f);
    EXPECT_TRUE(pile.occluded({0, 0, 0}, {2, 0, 0}, 2.6f));  // t counts in multiples of the direction
    EXPECT_FALSE(pile.occluded({0, 0, 0}, {2, 0, 0}, 2.4f));
    EXPECT_FALSE(pile.occluded({0, 0, 0}, {-1, 0, 0}, 100));  // behind the origin
}

TEST(TriangleBvh, CutOutTexelsLetRaysPassAndTranslucentSurfacesTintThem) {
    // A card in the plane x = 5 (u along y, v along z, both 0 … 1) whose texture is clear in its
    // top rows (v above one half), and a warm pane at x = 8 behind it.
    mediagen::SurfaceOptics card;
    card.cutout = mediagen::Mask(4, 4);
    for (int y = 2; y < 4; ++y)
        for (int x = 0; x < 4; ++x) card.cutout.at(x, y) = 1;
    mediagen::SurfaceOptics pane;
    pane.transmission = {0.5f, 0.25f, 0, 1};
    TriangleBvh bvh;
    auto quad = [&](float x, int surface) {
        bvh.addTriangle({x, -1, -1}, {x, 1, -1}, {x, 1, 1}, surface, {0, 0}, {1, 0}, {1, 1});
        bvh.addTriangle({x, -1, -1}, {x, 1, 1}, {x, -1, 1}, surface, {0, 0}, {1, 1}, {0, 1});
    };
    quad(5, bvh.addSurface(card));
    quad(8, bvh.addSurface(pane));
    quad(11, 7);  // no such surface: opaque
    bvh.build();

    auto expectPassed = [&](md::Vec3 from, float reach, mediagen::Color expected) {
        const mediagen::Color got = bvh.transmittance(from, {1, 0, 0}, reach);
        EXPECT_NEAR(got.r, expected.r, 1e-6f) << from.z << " " << reach;
        EXPECT_NEAR(got.g, expected.g, 1e-6f) << from.z << " " << reach;
        EXPECT_NEAR(got.b, expected.b, 1e-6f) << from.z << " " << reach;
    };
    expectPassed({0, 0.3f, 0.5f}, 6, {1, 1, 1, 1});          // through the clear texels
    expectPassed({0, 0.3f, 0.5f}, 10, {0.5f, 0.25f, 0, 1});  // and the pane
    expectPassed({0, 0.3f, -0.5f}, 6, {0, 0, 0, 1});         // a covered texel
    expectPassed({9, 0.3f, 0.5f}, 10, {0, 0, 0, 1});         // the unknown surface
    EXPECT_TRUE(bvh.occluded({0, 0.3f, -0.5f}, {1, 0, 0}, 6));
    EXPECT_FALSE(bvh.occluded({0, 0.3f, 0.5f}, {1, 0, 0}, 10));
    // The nearest hit is the card whatever its texture.
    EXPECT_NEAR(bvh.nearestHit({0, 0.3f, 0.5f}, {1, 0, 0}, 100), 5.0f, 1e-4f);
}
