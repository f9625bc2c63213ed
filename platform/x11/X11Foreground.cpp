#include "X11Desktop.h"

// Xlib after Qt: its macros (None, KeyPress, FocusIn...) clash with names in Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <vector>

// The foreground window: _NET_ACTIVE_WINDOW where the window manager publishes it, else the
// input focus.

namespace {

// Property lists longer than this (in 32-bit items) are read in part; EWMH lists are ~100.
constexpr long kMaxSupportedAtoms = 4096;

} // namespace

WindowHandle X11Desktop::foregroundWindow() {
    drain(false);
    if (record_ && ewmh_ && !supportedDirty_) {
        // Each change as of its own millisecond, then the sampled one: a 0 is reported once it
        // has lasted the grace in the server's milliseconds, however late the ticks run.
        for (; !activeChanges_.empty() && due(activeChanges_.front().first);
             activeChanges_.pop_front()) {
            dueActive_ = activeChanges_.front().second;
            grace_.see(dueActive_, activeChanges_.front().first);
        }
        return grace_.see(dueActive_, sampledTime());
    }
    // Without a window manager that publishes the active window (it left, or the connection
    // broke) the changes read from it are moot; kept, they would stay pending for good.
    if (!activeChanges_.empty()) {
        activeValue_ = activeChanges_.back().second;
        activeChanges_.clear();
    }
    refreshForeground();
    dueActive_ = activeValue_;
    return grace_.reported();
}

std::int64_t X11Desktop::sampledTime() const {
    // Ticks that sample the present (no batches yet): the server's time now, by our clock.
    return sampleTime_ == std::numeric_limits<std::int64_t>::max()
               ? latestStamp_ + (sinceOpen_.elapsed() - latestStampAt_)
               : sampleTime_;
}

// Each change is read as it comes: the main connection is watched all along. Two changes that
// reach us before one read (the process stopped or not scheduled in between) are read as one,
// the value they leave: a PropertyNotify carries no value, and a window manager that writes the
// same window again sends one too, so the window in between cannot be known from the property.
void X11Desktop::takeActive() {
    if (supportedDirty_ && !lost_) {
        readSupported();
    }
    // A change that lands while the property is read is read again, at most twice more.
    for (int reads = 0; ewmh_ && activeDirty_ && reads < 3 && !lost_; ++reads) {
        readActive();
        activeChanges_.emplace_back(activeStamp_, activeValue_);
        if (activeChanges_.size() > kMaxPendingInput) {
            activeChanges_.pop_front();
        }
    }
}

void X11Desktop::refreshForeground() {
    if (supportedDirty_ && !lost_) {
        readSupported();
    }
    if (lost_) {
        return;
    }
    if (!ewmh_) {
        grace_.set(readFocus());
        return;
    }
    // A change that lands while the property is read is read again, at most twice more.
    for (int reads = 0; activeDirty_ && reads < 3 && !lost_; ++reads) {
        readActive();
    }
    settleActive();
}

void X11Desktop::settleActive() {
    // While a 0 is held back the ticks do not rest (mayRest), so one of them sees it end.
    grace_.see(activeValue_, record_ ? sampledTime() : sinceOpen_.elapsed());
}

void X11Desktop::handleProperty(unsigned long atom, unsigned long serial, unsigned long time) {
    if (atom == atomActive_ && serial >= activeSerial_) {
        activeDirty_ = true;
        if (record_) {
            activeStamp_ = stampOf(time);
        }
    } else if (atom == atomSupported_ && serial >= supportedSerial_) {
        supportedDirty_ = true;
    }
}

std::vector<unsigned long> X11Desktop::readRootProperty(unsigned long property, unsigned long type,
                                                        long maxItems) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display_, root_, property, 0, maxItems, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        actualType == type && format == 32 && data) {
        // Xlib hands 32-bit items over as longs.
        const auto* first = reinterpret_cast<const unsigned long*>(data);
        items.assign(first, first + count);
    }
    if (data) {
        XFree(data);
    }
    ++roundTrips_;
    return items;
}

void X11Desktop::readSupported() {
    supportedSerial_ = NextRequest(display_);
    supportedDirty_ = false;
    const std::vector<unsigned long> atoms =
        readRootProperty(atomSupported_, XA_ATOM, kMaxSupportedAtoms);
    const bool listed = std::find(atoms.begin(), atoms.end(), atomActive_) != atoms.end();
    if (listed && !ewmh_) {
        activeDirty_ = true;
    }
    ewmh_ = listed;
    drain(false);
}

void X11Desktop::readActive() {
    activeSerial_ = NextRequest(display_);
    activeDirty_ = false;
    const std::vector<unsigned long> windows = readRootProperty(atomActive_, XA_WINDOW, 1);
    if (!lost_) {
        // X resource ids have 29 bits.
        activeValue_ = windows.size() == 1 ? static_cast<WindowHandle>(windows.front()) : 0;
    }
    drain(false);
}

WindowHandle X11Desktop::readFocus() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    ++roundTrips_;
    drain(false);
    if (lost_) {
        return grace_.reported();
    }
    return focus == None || focus == PointerRoot ? 0 : static_cast<WindowHandle>(focus);
}
