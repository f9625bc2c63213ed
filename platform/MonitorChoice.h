#pragma once

#include <optional>
#include <span>

// One monitor of the desktop: its picture's place and size in device pixels, its physical size
// as it reports it (0 when unknown), and whether the user made it the primary one.
struct MonitorRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int widthMm = 0;
    int heightMm = 0;
    bool primary = false;
};

// The monitor whose picture the user's screen dimensions describe: the one marked primary, else
// the one holding the point 0,0 (where desktops put their panels and new windows), else none,
// and the caller takes the whole desktop. Monitors without a picture are passed over.
inline std::optional<MonitorRect> ChoosePrimaryMonitor(std::span<const MonitorRect> monitors) {
    std::optional<MonitorRect> atOrigin;
    for (const MonitorRect& monitor : monitors) {
        if (monitor.width <= 0 || monitor.height <= 0) {
            continue;
        }
        if (monitor.primary) {
            return monitor;
        }
        if (!atOrigin && monitor.x <= 0 && monitor.y <= 0 && monitor.x + monitor.width > 0 &&
            monitor.y + monitor.height > 0) {
            atOrigin = monitor;
        }
    }
    return atOrigin;
}
