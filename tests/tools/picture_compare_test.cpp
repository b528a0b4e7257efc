// The screenshot comparison: its figures on pictures with known differences, left-out rectangles,
// and the command line's answers to bad input.
#include <gtest/gtest.h>

#include <sstream>

#include "picture_compare/picture_compare.h"

namespace {

using picturecompare::CompareLimits;
using picturecompare::IgnoredRect;

pictures::Image grey(int width, int height, std::uint8_t level) {
    return pictures::Image(width, height, pictures::Rgba{level, level, level, 255});
}

TEST(PictureCompare, CountsCloseAndLargePixelsOnTheWorstChannel) {
    const pictures::Image a = grey(10, 10, 100);
    pictures::Image b = a;
    b.at(1, 1).r = 102;  // within 2: close
    b.at(2, 2).g = 103;  // 3 off: not close, not over 16
    b.at(3, 4).b = 117;  // 17 off: over the limit
    b.at(9, 9).a = 0;    // alpha is not compared
    const auto difference = picturecompare::comparePictures(a, b, CompareLimits{}, {});
    EXPECT_EQ(difference.compared, 100);
    EXPECT_EQ(difference.close, 98);
    EXPECT_EQ(difference.overLargest, 1);
    EXPECT_EQ(difference.largest, 17);
    EXPECT_EQ(difference.overLeft, 3);
    EXPECT_EQ(difference.overTop, 4);
    EXPECT_FALSE(difference.same(CompareLimits{}));
}

TEST(PictureCompare, SameNeedsTheShareAndNothingOverTheLimit) {
    const pictures::Image a = grey(100, 10, 50);
    pictures::Image b = a;
    for (int x = 0; x < 5; ++x) b.at(x, 0).r = 60;  // 5 of 1000 off by 10: 99.5 % close
    auto difference = picturecompare::comparePictures(a, b, CompareLimits{}, {});
    EXPECT_DOUBLE_EQ(difference.closePercent(), 99.5);
    EXPECT_TRUE(difference.same(CompareLimits{}));
    b.at(5, 0).r = 60;
    difference = picturecompare::comparePictures(a, b, CompareLimits{}, {});
    EXPECT_FALSE(difference.same(CompareLimits{}));
}

TEST(PictureCompare, LeftOutRectanglesAreNotCounted) {
    const pictures::Image a = grey(8, 8, 0);
    pictures::Image b = a;
    b.at(6, 7) = pictures::Rgba{255, 255, 255, 255};
    b.at(2, 2) = pictures::Rgba{255, 255, 255, 255};
    // x 5..7, y 6..7 (the far edges included) and x 2, y 2.
    const std::vector<IgnoredRect> ignored = {{5, 6, 3, 2}, {2, 2, 1, 1}};
    const auto difference = picturecompare::comparePictures(a, b, CompareLimits{}, ignored);
    EXPECT_EQ(difference.compared, 64 - 6 - 1);
    EXPECT_EQ(difference.overLargest, 0);
    EXPECT_TRUE(difference.same(CompareLimits{}));
}

TEST(PictureCompare, IgnoredRectangleText) {
    IgnoredRect rect;
    ASSERT_TRUE(picturecompare::parseIgnoredRect("0,608,1024,160", rect));
    EXPECT_EQ(rect.y, 608);
    EXPECT_EQ(rect.width, 1024);
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "-1,2,3,4", "1,2,3,x", "1,,3,4", "1,2,3,4,",
                            "99999999999,0,1,1"}) {
        EXPECT_FALSE(picturecompare::parseIgnoredRect(bad, rect)) << bad;
    }
}

TEST(PictureCompare, CommandLineRefusesBadInput) {
    std::ostringstream out, errors;
    EXPECT_EQ(picturecompare::runPictureCompare({"only-one.png"}, out, errors), 2);
    EXPECT_EQ(picturecompare::runPictureCompare({"a.png", "b.png", "--ignore"}, out, errors), 2);
    EXPECT_EQ(picturecompare::runPictureCompare({"a.png", "b.png", "--share", "101"}, out, errors), 2);
    EXPECT_EQ(picturecompare::runPictureCompare({"a.png", "b.png", "--bogus", "1"}, out, errors), 2);
    errors.str("");
    EXPECT_EQ(picturecompare::runPictureCompare({"/nonexistent/a.png", "/nonexistent/b.png"}, out, errors),
              2);
    EXPECT_NE(errors.str().find("/nonexistent/a.png"), std::string::npos);
}

}  // namespace
