#pragma once
// The monitors of the desk and the parts of the picture that cover them.
//
//   MonitorRect        one monitor in desktop coordinates (what the system reports)
//   Surface            one monitor's part of a window's drawable (what the renderer draws into)
//   primaryFirst       the monitors in drawing order, monitors that overlap (mirrored) as one
//   desktopBox         the bounding box of the monitors (the virtual screen)
//   surfacesInBox      the surfaces of one window spanning that box, one per monitor
//   monitorAt          which monitor holds a point
//
// Desktop coordinates run right and down from the primary monitor's top-left corner, so monitors
// left of or above it have negative origins. GL's drawable coordinates run right and up from the
// lower-left corner: the arithmetic between the two lives here, where it is tested.

#include <vector>

namespace platform {

struct MonitorRect {
    int x = 0, y = 0;           // top-left corner, desktop pixels
    int width = 0, height = 0;  // pixels
    bool primary = false;
};

struct Surface {
    int x = 0, y = 0;           // lower-left corner in the window's drawable, pixels
    int width = 0, height = 0;  // pixels
    bool primary = false;       // the monitor that shows the overlay and changes its mode
    int monitor = 0;            // the monitor's place in primaryFirst's order
    bool wholeDrawable = true;  // the surface is all of its window (no scissor needed to stay in it)
    // Its window has a GL context of its own, sharing the primary's textures, display lists and
    // buffer objects but none of its state or queries. It starts with GL's defaults and goes with
    // the window. False: the primary's context draws into it.
    bool ownContext = false;
};

// The monitors with a size, the primary first and the others in the order given; the first
// becomes the primary when none is marked. Monitors that overlap (mirrored outputs, of the same size
// or not) are one: the box round them, in the place of the first of them, the primary when one of
// them is. None of the rectangles returned overlap.
std::vector<MonitorRect> primaryFirst(const std::vector<MonitorRect>& monitors);

// The smallest rectangle holding every monitor; all zero for none.
MonitorRect desktopBox(const std::vector<MonitorRect>& monitors);

// One surface per monitor of primaryFirst(monitors) for a window whose drawable covers `box`,
// clipped to it: the parts of the box no monitor covers (the gaps) belong to no surface. A monitor
// wholly outside the box gets none.
std::vector<Surface> surfacesInBox(const std::vector<MonitorRect>& monitors, const MonitorRect& box);

// The index in `monitors` of the first monitor holding the point (x, y), −1 when none does.
int monitorAt(const std::vector<MonitorRect>& monitors, int x, int y);

}  // namespace platform
