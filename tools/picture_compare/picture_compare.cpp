#include "picture_compare/picture_compare.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iomanip>
#include <ostream>

#include "pictures/pictures.h"

namespace picturecompare {

namespace {

bool readWholeNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty() || text[0] == '+' || text[0] == '-' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number < low || number > high) return false;
    value = number;
    return true;
}

bool readPercent(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(number >= 0.0 && number <= 100.0)) return false;
    value = number;
    return true;
}

bool insideAny(const std::vector<IgnoredRect>& rects, int x, int y) {
    return std::any_of(rects.begin(), rects.end(), [x, y](const IgnoredRect& r) {
        return x >= r.x && y >= r.y && x - r.x < r.width && y - r.y < r.height;
    });
}

int channelDistance(pictures::Rgba p, pictures::Rgba q) {
    return std::max(
        {std::abs(int(p.r) - int(q.r)), std::abs(int(p.g) - int(q.g)), std::abs(int(p.b) - int(q.b))});
}

}  // namespace

bool parseIgnoredRect(const std::string& text, IgnoredRect& rect) {
    long parts[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == 3)) return false;
        const std::string piece =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!readWholeNumber(piece, i < 2 ? 0 : 1, 1000000, parts[i])) return false;
        start = comma + 1;
    }
    rect = {int(parts[0]), int(parts[1]), int(parts[2]), int(parts[3])};
    return true;
}

PictureDifference comparePictures(const pictures::Image& a, const pictures::Image& b,
                                  const CompareLimits& limits, const std::vector<IgnoredRect>& ignored) {
    PictureDifference difference;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (insideAny(ignored, x, y)) continue;
            const int distance = channelDistance(a.at(x, y), b.at(x, y));
            ++difference.compared;
            if (distance <= limits.closeLevels) ++difference.close;
            difference.largest = std::max(difference.largest, distance);
            if (distance <= limits.largestAllowed) continue;
            if (difference.overLargest == 0) {
                difference.overLeft = difference.overRight = x;
                difference.overTop = difference.overBottom = y;
            }
            ++difference.overLargest;
            difference.overLeft = std::min(difference.overLeft, x);
            difference.overRight = std::max(difference.overRight, x);
            difference.overTop = std::min(difference.overTop, y);
            difference.overBottom = std::max(difference.overBottom, y);
        }
    }
    return difference;
}

int runPictureCompare(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors) {
    const char* const usage =
        "usage: picture_compare A.png B.png [--ignore X,Y,W,H]... [--close N] [--largest N] [--share "
        "PERCENT]";
    std::vector<std::string> files;
    std::vector<IgnoredRect> ignored;
    CompareLimits limits;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) {
            files.push_back(argument);
            continue;
        }
        if (i + 1 >= arguments.size()) {
            errors << argument << " needs a value\n" << usage << "\n";
            return 2;
        }
        const std::string& value = arguments[++i];
        long number = 0;
        bool good = false;
        if (argument == "--ignore") {
            IgnoredRect rect;
            good = parseIgnoredRect(value, rect);
            if (good) ignored.push_back(rect);
        } else if (argument == "--close") {
            good = readWholeNumber(value, 0, 255, number);
            limits.closeLevels = int(number);
        } else if (argument == "--largest") {
            good = readWholeNumber(value, 0, 255, number);
            limits.largestAllowed = int(number);
        } else if (argument == "--share") {
            good = readPercent(value, limits.sameShare);
        } else {
            errors << "unknown option " << argument << "\n" << usage << "\n";
            return 2;
        }
        if (!good) {
            errors << "bad value for " << argument << ": " << value << "\n" << usage << "\n";
            return 2;
        }
    }
    if (files.size() != 2) {
        errors << usage << "\n";
        return 2;
    }
    pictures::Image pictures[2];
    for (int i = 0; i < 2; ++i) {
        std::string error;
        if (!pictures::readPngFile(files[std::size_t(i)], pictures[i], error)) {
            errors << files[std::size_t(i)] << ": " << error << "\n";
            return 2;
        }
    }
    if (pictures[0].width != pictures[1].width || pictures[0].height != pictures[1].height) {
        errors << "the pictures differ in size: " << pictures[0].width << "x" << pictures[0].height << " and "
               << pictures[1].width << "x" << pictures[1].height << "\n";
        return 2;
    }
    const PictureDifference difference = comparePictures(pictures[0], pictures[1], limits, ignored);
    const bool same = difference.same(limits);
    out << (same ? "same" : "different") << ": " << std::fixed << std::setprecision(3)
        << difference.closePercent() << " % of " << difference.compared << " pixels within "
        << limits.closeLevels << "/255, largest difference " << difference.largest << "/255, "
        << difference.overLargest << " pixels over " << limits.largestAllowed << "/255";
    if (difference.overLargest > 0) {
        out << " (in x " << difference.overLeft << ".." << difference.overRight << ", y "
            << difference.overTop << ".." << difference.overBottom << ")";
    }
    out << "\n";
    return same ? 0 : 1;
}

}  // namespace picturecompare
