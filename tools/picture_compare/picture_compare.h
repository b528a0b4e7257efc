#pragma once
// How far two pictures of the same frame lie apart, channel by channel (red, green, blue; alpha is
// not compared): the share of pixels whose every channel is within a small tolerance, and the
// pixels off by more than a larger limit. Rectangles can be left out, for what follows the wall
// clock (a clock's hands, the overlay's time), which differs between two runs of one build.
//
//   IgnoredRect / parseIgnoredRect   a left-out rectangle and its "X,Y,W,H" form
//   CompareLimits                    the tolerances and the share that counts as the same picture
//   PictureDifference / comparePictures
//   runPictureCompare                the command line

#include <iosfwd>
#include <string>
#include <vector>

#include "pictures/pictures.h"

namespace picturecompare {

struct IgnoredRect {
    int x = 0, y = 0, width = 0, height = 0;  // pixels, y from the top row
};

// "X,Y,W,H" with X, Y at least 0 and W, H at least 1. False for anything else.
bool parseIgnoredRect(const std::string& text, IgnoredRect& rect);

struct CompareLimits {
    int closeLevels = 2;      // a channel this close (in 1/255) counts as the same
    double sameShare = 99.5;  // percent of the compared pixels that must be the same
    int largestAllowed = 16;  // no compared channel may be off by more than this
};

struct PictureDifference {
    long compared = 0;     // pixels outside the left-out rectangles
    long close = 0;        // of those, every channel within closeLevels
    long overLargest = 0;  // of those, some channel off by more than largestAllowed
    int largest = 0;       // the largest channel difference among the compared pixels
    // The box around the pixels over largestAllowed (meaningful when overLargest > 0).
    int overLeft = 0, overTop = 0, overRight = 0, overBottom = 0;

    double closePercent() const { return compared > 0 ? 100.0 * double(close) / double(compared) : 100.0; }
    bool same(const CompareLimits& limits) const {
        return overLargest == 0 && closePercent() >= limits.sameShare;
    }
};

// Both pictures must have the same size (the caller checks).
PictureDifference comparePictures(const pictures::Image& a, const pictures::Image& b,
                                  const CompareLimits& limits, const std::vector<IgnoredRect>& ignored);

// Arguments: A.png B.png [--ignore X,Y,W,H]... [--close N] [--largest N] [--share PERCENT].
// Prints one line of figures to `out`; returns 0 when the pictures count as the same, 1 when they
// differ, 2 for bad arguments, a file that cannot be read or pictures of different sizes (the
// reason on `errors`).
int runPictureCompare(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors);

}  // namespace picturecompare
