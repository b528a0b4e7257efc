#include "platform/monitors.h"

#include <algorithm>

namespace platform {

namespace {

bool overlap(const MonitorRect& a, const MonitorRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

MonitorRect boxRound(const MonitorRect& a, const MonitorRect& b) {
    MonitorRect box;
    box.x = std::min(a.x, b.x);
    box.y = std::min(a.y, b.y);
    box.width = std::max(a.x + a.width, b.x + b.width) - box.x;
    box.height = std::max(a.y + a.height, b.y + b.height) - box.y;
    box.primary = a.primary || b.primary;
    return box;
}

}  // namespace

std::vector<MonitorRect> primaryFirst(const std::vector<MonitorRect>& monitors) {
    std::vector<MonitorRect> ordered;
    for (const bool primary : {true, false}) {
        for (const MonitorRect& monitor : monitors)
            if (monitor.primary == primary && monitor.width > 0 && monitor.height > 0)
                ordered.push_back(monitor);
    }
    // Monitors that overlap show one part of the desktop (mirrored outputs, of one size or several):
    // one window covers their box, or a window of one would lie over part of the other. A box can
    // reach over a third monitor, so they are merged until none overlap; each merged box keeps the
    // place of its first monitor.
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t i = 0; i < ordered.size() && !merged; ++i) {
            for (std::size_t j = i + 1; j < ordered.size() && !merged; ++j) {
                if (!overlap(ordered[i], ordered[j])) continue;
                ordered[i] = boxRound(ordered[i], ordered[j]);
                ordered.erase(ordered.begin() + std::ptrdiff_t(j));
                merged = true;
            }
        }
    }
    for (std::size_t i = 0; i < ordered.size(); ++i) ordered[i].primary = i == 0;
    return ordered;
}

MonitorRect desktopBox(const std::vector<MonitorRect>& monitors) {
    MonitorRect box;
    bool first = true;
    int right = 0, bottom = 0;
    for (const MonitorRect& monitor : monitors) {
        if (monitor.width <= 0 || monitor.height <= 0) continue;
        if (first) {
            box.x = monitor.x;
            box.y = monitor.y;
            right = monitor.x + monitor.width;
            bottom = monitor.y + monitor.height;
            first = false;
            continue;
        }
        box.x = std::min(box.x, monitor.x);
        box.y = std::min(box.y, monitor.y);
        right = std::max(right, monitor.x + monitor.width);
        bottom = std::max(bottom, monitor.y + monitor.height);
    }
    box.width = right - box.x;
    box.height = bottom - box.y;
    return box;
}

std::vector<Surface> surfacesInBox(const std::vector<MonitorRect>& monitors, const MonitorRect& box) {
    std::vector<Surface> surfaces;
    const std::vector<MonitorRect> ordered = primaryFirst(monitors);
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        const MonitorRect& monitor = ordered[i];
        const int left = std::max(monitor.x, box.x);
        const int top = std::max(monitor.y, box.y);
        const int right = std::min(monitor.x + monitor.width, box.x + box.width);
        const int bottom = std::min(monitor.y + monitor.height, box.y + box.height);
        if (right <= left || bottom <= top) continue;
        Surface surface;
        surface.x = left - box.x;
        // GL counts rows from the bottom of the drawable.
        surface.y = box.y + box.height - bottom;
        surface.width = right - left;
        surface.height = bottom - top;
        surface.primary = monitor.primary;
        surface.monitor = int(i);
        surface.wholeDrawable =
            surface.x == 0 && surface.y == 0 && surface.width == box.width && surface.height == box.height;
        surfaces.push_back(surface);
    }
    return surfaces;
}

int monitorAt(const std::vector<MonitorRect>& monitors, int x, int y) {
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const MonitorRect& m = monitors[i];
        if (x >= m.x && x < m.x + m.width && y >= m.y && y < m.y + m.height) return int(i);
    }
    return -1;
}

}  // namespace platform
