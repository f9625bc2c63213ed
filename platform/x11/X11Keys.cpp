#include "X11Desktop.h"

// Xlib after Qt: its macros (None, KeyPress, FocusIn...) clash with names in Qt's headers.
#include "KeyMap.h"
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <algorithm>

// Key and button state: what the input probe's sweeps see.

namespace {

constexpr int kButtonSource = 256;
// Touches take the place of button 0, which no pointer has: the pointer that a touch screen
// emulates presses its left button while a touch lasts.
constexpr int kTouchButton = 0;

int CodeOfButton(int button) {
    return button == kTouchButton ? VirtualButtonOf(1) : VirtualButtonOf(button);
}

} // namespace

int X11Desktop::codeOfSource(int source) {
    return source < kButtonSource ? VirtualKeyOfKeycode(source)
                                  : CodeOfButton(source - kButtonSource);
}

void X11Desktop::readStartState() {
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    for (int keycode = 0; keycode < 256; ++keycode) {
        keys_.setDown(keycode,
                      (static_cast<unsigned char>(keys[keycode >> 3]) >> (keycode & 7)) & 1);
    }
    // The pointer's mask names logical buttons; raw events name physical ones.
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int state = 0;
    XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &state);
    cursor_ = {rootX, rootY};
    unsigned char logicalOf[256] = {};
    const int buttons = XGetPointerMapping(display_, logicalOf, 256);
    for (int physical = 1; physical <= buttons; ++physical) {
        const int logical = logicalOf[physical - 1];
        if (logical >= 1 && logical <= 5 && (state & (Button1Mask << (logical - 1)))) {
            keys_.setDown(kButtonSource + physical, true);
        }
    }
    roundTrips_ += 3;
}

void X11Desktop::handleRaw(int type, int device, int detail, const unsigned char* valuatorMask,
                           int maskLength, unsigned long time) {
    const std::int64_t stamp = time != 0 ? stampOf(time) : latestStamp_;
    switch (type) {
    case XI_RawKeyPress:
    case XI_RawKeyRelease:
    case XI_RawButtonPress:
    case XI_RawButtonRelease: {
        const bool button = type == XI_RawButtonPress || type == XI_RawButtonRelease;
        const bool press = type == XI_RawKeyPress || type == XI_RawButtonPress;
        if (detail < 0 || detail > 255 ||
            (button && (detail == kTouchButton || VirtualButtonOf(detail) == kVkNone))) {
            return;
        }
        keys_.queue(detail + (button ? kButtonSource : 0), press, stamp);
        return;
    }
    case XI_RawTouchBegin:
    case XI_RawTouchEnd: {
        // Touch ids are unique per device while the touch lasts; the first touch presses, the
        // end of the last one releases.
        const std::pair<int, int> touch{device, detail};
        const auto known = std::find(touches_.begin(), touches_.end(), touch);
        const bool begin = type == XI_RawTouchBegin;
        if (begin == (known != touches_.end()) || (begin && touches_.size() >= kMaxTouches)) {
            return;
        }
        if (begin) {
            touches_.push_back(touch);
        } else {
            touches_.erase(known);
        }
        if (touches_.size() == (begin ? 1U : 0U)) {
            keys_.queue(kButtonSource + kTouchButton, begin, stamp);
        }
        moved_ = true; // the emulated pointer jumps to the touch
        return;
    }
    case XI_RawTouchUpdate:
        moved_ = true;
        return;
    case XI_RawMotion:
        // Valuators 0 and 1 are x and y; motion on the scroll valuators alone is the wheel.
        if (maskLength > 0 && (XIMaskIsSet(valuatorMask, 0) || XIMaskIsSet(valuatorMask, 1))) {
            moved_ = true;
        }
        return;
    default:
        return;
    }
}

int X11Desktop::pollKeys(bool armed) {
    // What is in the socket is the notifier's while it watches, dispatched before the tick's
    // timer in the same loop turn (it was registered first) or else by the next: reading the
    // socket on every tick would cost two recvmsg calls, measured as 0.3% of a core.
    // With stamps, the batch has read the sockets already (inputTime).
    drain(notifierResting_ && !record_);
    if (!record_) {
        noteSweep(kQuietSweeps);
    }
    return keys_.endSweep(keys_.sweep(armed, sampleTime_));
}

bool X11Desktop::keyActive(int code) {
    drain(notifierResting_ && !record_);
    return keys_.keyActive(code, sampleTime_);
}
