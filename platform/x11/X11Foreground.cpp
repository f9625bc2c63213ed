#include "X11Desktop.h"

// Xlib after Qt: its macros (None, KeyPress, FocusIn...) clash with names in Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>

// The foreground window: _NET_ACTIVE_WINDOW where the window manager publishes it, else the
// input focus.

namespace {

// Property lists longer than this (in 32-bit items) are read in part; EWMH lists are ~100.
constexpr long kMaxSupportedAtoms = 4096;

} // namespace

WindowHandle X11Desktop::foregroundWindow() {
    drain(false);
    refreshForeground();
    return reported_;
}

void X11Desktop::refreshForeground() {
    if (supportedDirty_ && !lost_) {
        readSupported();
    }
    if (lost_) {
        return;
    }
    if (!ewmh_) {
        holding_ = false;
        graceTimer_.stop();
        reported_ = readFocus();
        return;
    }
    // A change that lands while the property is read is read again, at most twice more.
    for (int reads = 0; activeDirty_ && reads < 3 && !lost_; ++reads) {
        readActive();
    }
    settleActive();
}

void X11Desktop::settleActive() {
    if (activeValue_ != 0 || reported_ == 0) {
        reported_ = activeValue_;
        holding_ = false;
        graceTimer_.stop();
    } else if (!holding_) {
        holding_ = true;
        graceTimer_.start();
    } else if (!graceTimer_.isActive()) {
        // The None has lasted the whole grace: no window is active.
        reported_ = 0;
        holding_ = false;
    }
}

void X11Desktop::handleProperty(unsigned long atom, unsigned long serial) {
    if (atom == atomActive_ && serial >= activeSerial_) {
        activeDirty_ = true;
    } else if (atom == atomSupported_ && serial >= supportedSerial_) {
        supportedDirty_ = true;
    }
}

void X11Desktop::readSupported() {
    supportedSerial_ = NextRequest(display_);
    supportedDirty_ = false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool listed = false;
    if (XGetWindowProperty(display_, root_, atomSupported_, 0, kMaxSupportedAtoms, False, XA_ATOM,
                           &type, &format, &count, &after, &data) == Success &&
        type == XA_ATOM && format == 32 && data) {
        const auto* atoms = reinterpret_cast<const unsigned long*>(data);
        listed = std::find(atoms, atoms + count, atomActive_) != atoms + count;
    }
    if (data) {
        XFree(data);
    }
    ++roundTrips_;
    if (listed && !ewmh_) {
        activeDirty_ = true;
    }
    ewmh_ = listed;
    drain(false);
}

void X11Desktop::readActive() {
    activeSerial_ = NextRequest(display_);
    activeDirty_ = false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    WindowHandle value = 0;
    if (XGetWindowProperty(display_, root_, atomActive_, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1 && data) {
        // X resource ids have 29 bits.
        value = static_cast<WindowHandle>(*reinterpret_cast<const unsigned long*>(data));
    }
    if (data) {
        XFree(data);
    }
    ++roundTrips_;
    if (!lost_) {
        activeValue_ = value;
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
        return reported_;
    }
    return focus == None || focus == PointerRoot ? 0 : static_cast<WindowHandle>(focus);
}
