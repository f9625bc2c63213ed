#include "X11Desktop.h"

#include "platform/MonitorChoice.h"

// Xlib after Qt: its macros (None, Bool, Status...) clash with names in Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <vector>

// The monitors: RandR 1.5's list holds the outputs in use and the monitors users define.

namespace {

constexpr int kRandrMonitorsMinor = 5;

// The physical size the first output of `monitor` that knows one reports. User-defined monitors
// carry a size someone typed, and the server invents one from 96 dpi for outputs that report
// none: neither is what the monitor says.
void OutputSize(Display* display, XRRScreenResources* resources, const XRRMonitorInfo& monitor,
                MonitorRect& rect) {
    for (int i = 0; resources && i < monitor.noutput; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, monitor.outputs[i]);
        if (!output) {
            continue;
        }
        const bool known = output->mm_width > 0 && output->mm_height > 0;
        if (known) {
            rect.widthMm = static_cast<int>(output->mm_width);
            rect.heightMm = static_cast<int>(output->mm_height);
        }
        XRRFreeOutputInfo(output);
        if (known) {
            return;
        }
    }
}

} // namespace

bool X11Desktop::watchMonitors() {
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(display_, &event, &error) ||
        !XRRQueryVersion(display_, &major, &minor) ||
        major * 100 + minor < 100 + kRandrMonitorsMinor) {
        return false;
    }
    randrEvent_ = event;
    XRRSelectInput(display_, root_,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    return true;
}

bool X11Desktop::isMonitorEvent(const XEvent& event) const {
    return randrEvent_ >= 0 && (event.type == randrEvent_ + RRScreenChangeNotify ||
                                event.type == randrEvent_ + RRNotify);
}

void X11Desktop::readMonitors() {
    std::vector<MonitorRect> rects;
    if (randrEvent_ >= 0) {
        int count = 0;
        XRRMonitorInfo* monitors = XRRGetMonitors(display_, root_, True, &count);
        XRRScreenResources* resources =
            count > 0 ? XRRGetScreenResourcesCurrent(display_, root_) : nullptr;
        roundTrips_ += count > 0 ? 2 : 1;
        for (int i = 0; i < count; ++i) {
            const XRRMonitorInfo& monitor = monitors[i];
            MonitorRect rect{monitor.x, monitor.y, monitor.width,       monitor.height,
                             0,         0,         monitor.primary != 0};
            OutputSize(display_, resources, monitor, rect);
            roundTrips_ += monitor.noutput;
            rects.push_back(rect);
        }
        if (resources) {
            XRRFreeScreenResources(resources);
        }
        if (monitors) {
            XRRFreeMonitors(monitors);
        }
        monitorCount_ = count;
    }
    const std::optional<MonitorRect> primary = ChoosePrimaryMonitor(rects);
    width_ = primary ? primary->width : rootWidth_;
    height_ = primary ? primary->height : rootHeight_;
    widthMm_ = primary ? primary->widthMm : 0;
    heightMm_ = primary ? primary->heightMm : 0;
}

ScreenMetrics X11Desktop::screen() {
    drain(false);
    ScreenMetrics metrics = ScreenMetrics::fromPixels(width_, height_);
    metrics.widthMm = widthMm_;
    metrics.heightMm = heightMm_;
    return metrics;
}
