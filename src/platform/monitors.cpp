#include "platform/monitors.h"

#include <algorithm>

namespace platform {

std::vector<MonitorRect> primaryFirst(const std::vector<MonitorRect>& monitors) {
    std::vector<MonitorRect> ordered;
    const auto sameRect = [](const MonitorRect& a, const MonitorRect& b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    };
    const auto keep = [&](const MonitorRect& monitor) {
        if (monitor.width <= 0 || monitor.height <= 0) return;
        for (MonitorRect& kept : ordered) {
            if (!sameRect(kept, monitor)) continue;
            kept.primary = kept.primary || monitor.primary;
            return;
        }
        ordered.push_back(monitor);
    };
    for (const MonitorRect& monitor : monitors)
        if (monitor.primary) keep(monitor);
    for (const MonitorRect& monitor : monitors)
        if (!monitor.primary) keep(monitor);
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
