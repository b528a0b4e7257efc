// The room drawn the quick way gives the pictures of the layered drawing (--layered-drawing, every
// layer in a pass of its own): frames on camera paths, both drawn by the real binary at a fixed
// step, seed and clock, compared by picture_compare's measures.

#include <gtest/gtest.h>

#include <filesystem>

#include "pictures/pictures.h"
#include "picture_compare/picture_compare.h"
#include "support/screensaver.h"

namespace {

using testsupport::ScreensaverSandbox;

constexpr int kWidth = 640, kHeight = 480;

bool roomInMedia() {
    return std::filesystem::exists(std::string(GLIMMERDALE_BINARY_DIR) + "/media/main/Models/test.BSS");
}

std::string shoot(const ScreensaverSandbox& sandbox, const std::string& name, int camera, int key,
                  bool layered) {
    const std::string shot = sandbox.file(name);
    std::vector<std::string> args = {"--windowed",
                                     "--size",
                                     std::to_string(kWidth) + "x" + std::to_string(kHeight),
                                     "--no-vsync",
                                     "--fixed-dt",
                                     "1",
                                     "--seed",
                                     "1",
                                     "--time",
                                     "2026-12-24 18:00:00",
                                     "--camera",
                                     std::to_string(camera),
                                     "--camera-key",
                                     std::to_string(key),
                                     "--frames",
                                     "75",
                                     "--screenshot",
                                     shot};
    if (layered) args.push_back("--layered-drawing");
    args.push_back("/s");
    const auto result = sandbox.run(args, std::chrono::seconds(240));
    EXPECT_FALSE(result.timedOut) << sandbox.log();
    return shot;
}

TEST(SamePictures, QuickDrawingMatchesTheLayeredDrawing) {
    if (!testsupport::haveDisplay()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    ASSERT_TRUE(roomInMedia()) << "no Models/test.BSS in this build's media";
    const ScreensaverSandbox sandbox;
    sandbox.storeSettings(testsupport::quietSettings());
    // The overlay's clock and countdown along the bottom follow the wall clock; these views keep
    // the mantel clock out of sight.
    const std::vector<picturecompare::IgnoredRect> overlay = {{0, kHeight * 608 / 768, kWidth, kHeight}};
    struct Frame {
        int camera, key;
    };
    for (const Frame frame : {Frame{0, 150}, Frame{2, 0}, Frame{4, 290}}) {
        SCOPED_TRACE("camera " + std::to_string(frame.camera) + " key " + std::to_string(frame.key));
        const std::string name = std::to_string(frame.camera) + "_" + std::to_string(frame.key);
        const std::string layered = shoot(sandbox, "layered" + name + ".png", frame.camera, frame.key, true);
        const std::string quick = shoot(sandbox, "quick" + name + ".png", frame.camera, frame.key, false);
        pictures::Image a, b;
        std::string error;
        ASSERT_TRUE(pictures::readPngFile(layered, a, error)) << error;
        ASSERT_TRUE(pictures::readPngFile(quick, b, error)) << error;
        ASSERT_EQ(a.width, b.width);
        ASSERT_EQ(a.height, b.height);
        const picturecompare::CompareLimits limits;
        const auto difference = picturecompare::comparePictures(a, b, limits, overlay);
        EXPECT_GE(difference.closePercent(), limits.sameShare);
        // Where two surfaces meet at one depth (a bauble against a branch), the depth test keeps
        // whichever was drawn first, so a changed order shows the other at a few lone pixels.
        EXPECT_LE(difference.overLargest, difference.compared / 10000)
            << "largest difference " << difference.largest << " in x " << difference.overLeft << ".."
            << difference.overRight << ", y " << difference.overTop << ".." << difference.overBottom;
        // Not a black frame that would match anything.
        EXPECT_GT(testsupport::meanBrightness(quick), 0.05);
    }
}

}  // namespace
