// The layout of the surfaces from the monitors' desktop rectangles: the primary first, GL's
// bottom-up rows, negative origins, gaps, different sizes, mirrored and empty monitors.

#include "platform/monitors.h"

#include <gtest/gtest.h>

namespace {

using platform::MonitorRect;
using platform::Surface;

struct Case {
    const char* what;
    std::vector<MonitorRect> monitors;
    // Expected surfaces in a window over the monitors' box: x, y (from the bottom), width, height, monitor.
    std::vector<std::array<int, 5>> surfaces;
    MonitorRect box;
};

TEST(MonitorLayout, SurfacesFollowTheMonitorsInAWindowOverTheirBox) {
    const std::vector<Case> cases = {
        {"one monitor", {{0, 0, 1024, 768, true}}, {{0, 0, 1024, 768, 0}}, {0, 0, 1024, 768}},
        {"side by side",
         {{0, 0, 1024, 768, true}, {1024, 0, 1024, 768, false}},
         {{0, 0, 1024, 768, 0}, {1024, 0, 1024, 768, 1}},
         {0, 0, 2048, 768}},
        {"left of the primary (negative origin)",
         {{-1024, 0, 1024, 768, false}, {0, 0, 1024, 768, true}},
         {{1024, 0, 1024, 768, 0}, {0, 0, 1024, 768, 1}},
         {-1024, 0, 2048, 768}},
        {"different sizes, tops aligned: the small one's rows start above the box's bottom",
         {{0, 0, 1920, 1080, true}, {1920, 0, 1280, 1024, false}},
         {{0, 0, 1920, 1080, 0}, {1920, 56, 1280, 1024, 1}},
         {0, 0, 3200, 1080}},
        {"above the primary, with a gap to its right",
         {{0, 0, 800, 600, true}, {1000, -768, 1024, 768, false}},
         {{0, 0, 800, 600, 0}, {1000, 600, 1024, 768, 1}},
         {0, -768, 2024, 1368}},
        {"no primary marked: the first is",
         {{500, 0, 640, 480, false}, {0, 0, 500, 400, false}},
         {{500, 0, 640, 480, 0}, {0, 80, 500, 400, 1}},
         {0, 0, 1140, 480}},
        {"mirrored outputs and an empty one count once",
         {{0, 0, 1024, 768, false}, {0, 0, 1024, 768, true}, {1024, 0, 0, 768, false}},
         {{0, 0, 1024, 768, 0}},
         {0, 0, 1024, 768}},
        {"a mirror of another size is one monitor, the larger of the two, even when the primary is the "
         "smaller",
         {{0, 0, 800, 600, true}, {1024, 0, 1024, 768, false}, {0, 0, 1024, 768, false}},
         {{0, 0, 1024, 768, 0}, {1024, 0, 1024, 768, 1}},
         {0, 0, 2048, 768}},
        {"overlapping monitors are one box, and so is a third that box reaches over",
         {{0, 0, 1000, 500, false},
          {500, 0, 1000, 1000, true},
          {0, 600, 400, 300, false},
          {1500, 0, 500, 500, false}},
         {{0, 0, 1500, 1000, 0}, {1500, 500, 500, 500, 1}},
         {0, 0, 2000, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MonitorRect box = platform::desktopBox(c.monitors);
        EXPECT_EQ(box.x, c.box.x);
        EXPECT_EQ(box.y, c.box.y);
        EXPECT_EQ(box.width, c.box.width);
        EXPECT_EQ(box.height, c.box.height);
        const std::vector<Surface> surfaces = platform::surfacesInBox(c.monitors, box);
        ASSERT_EQ(surfaces.size(), c.surfaces.size());
        for (std::size_t i = 0; i < surfaces.size(); ++i) {
            const Surface& s = surfaces[i];
            EXPECT_EQ((std::array<int, 5>{s.x, s.y, s.width, s.height, s.monitor}), c.surfaces[i]) << i;
            EXPECT_EQ(s.primary, i == 0) << i;
            EXPECT_EQ(s.wholeDrawable, surfaces.size() == 1) << i;
        }
    }
}

TEST(MonitorLayout, AWindowSmallerThanTheDesktopClipsOrDropsSurfaces) {
    // The virtual screen shrank before the window followed: a monitor outside the window gets no
    // surface; one reaching out of it is cut to what the window holds.
    const std::vector<MonitorRect> monitors = {
        {0, 0, 1024, 768, true}, {1424, 0, 1024, 768, false}, {1024, 0, 400, 300, false}};
    const std::vector<Surface> surfaces = platform::surfacesInBox(monitors, MonitorRect{0, 0, 1224, 768});
    ASSERT_EQ(surfaces.size(), 2u);
    EXPECT_EQ(surfaces[0].width, 1024);
    EXPECT_EQ((std::array<int, 5>{surfaces[1].x, surfaces[1].y, surfaces[1].width, surfaces[1].height,
                                  surfaces[1].monitor}),
              (std::array<int, 5>{1024, 468, 200, 300, 2}));
    EXPECT_TRUE(platform::surfacesInBox({}, MonitorRect{}).empty());
    EXPECT_EQ(platform::desktopBox({}).width, 0);
}

TEST(MonitorLayout, APointBelongsToTheMonitorThatHoldsIt) {
    const std::vector<MonitorRect> monitors = {{0, 0, 1024, 768, true}, {-1024, 0, 1024, 768, false}};
    EXPECT_EQ(platform::monitorAt(monitors, 0, 0), 0);
    EXPECT_EQ(platform::monitorAt(monitors, -1, 767), 1);
    EXPECT_EQ(platform::monitorAt(monitors, 1024, 0), -1);  // right and bottom edges lie outside
    EXPECT_EQ(platform::monitorAt(monitors, 0, 768), -1);
}

}  // namespace
