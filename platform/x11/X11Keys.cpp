#include "X11Desktop.h"

// Xlib after Qt: its macros (None, KeyPress, FocusIn...) clash with names in Qt's headers.
#include "KeyMap.h"
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <algorithm>
#include <bit>

// Key and button state: what the input probe's sweeps see.

namespace {

using Bits = std::array<std::uint64_t, 4>;

bool Test(const Bits& bits, int code) {
    return (bits[code >> 6] >> (code & 63)) & 1;
}
void Set(Bits& bits, int code, bool on) {
    const std::uint64_t mask = std::uint64_t{1} << (code & 63);
    bits[code >> 6] = on ? (bits[code >> 6] | mask) : (bits[code >> 6] & ~mask);
}
template <typename F> void ForEachSet(const Bits& bits, F&& f) {
    for (int word = 0; word < 4; ++word) {
        for (std::uint64_t rest = bits[word]; rest != 0; rest &= rest - 1) {
            f(word * 64 + std::countr_zero(rest));
        }
    }
}

// Key and button events wait here, in order, until the batch of ticks reaches their millisecond
// (two batches at most) or while changes come faster than the ticks see them. They name keys, so
// the wait is kept short: beyond this many (two batches of one change a millisecond) the oldest
// are applied at once, merging changes that only machine-made input produces.
constexpr std::size_t kMaxPendingInput = 256;
constexpr std::uint16_t kButtonSource = 256;
constexpr std::uint16_t kPressFlag = 512;
// Touches take the place of button 0, which no pointer has: the pointer that a touch screen
// emulates presses its left button while a touch lasts.
constexpr int kTouchButton = 0;

int CodeOfButton(int button) {
    return button == kTouchButton ? VirtualButtonOf(1) : VirtualButtonOf(button);
}

} // namespace

void X11Desktop::readStartState() {
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    for (int keycode = 0; keycode < 256; ++keycode) {
        Set(keyDown_, keycode,
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
            Set(buttonDown_, physical, true);
        }
    }
    roundTrips_ += 3;
    rebuildDown();
}

void X11Desktop::rebuildDown() {
    codeDown_ = {};
    ForEachSet(keyDown_,
               [this](int keycode) { Set(codeDown_, VirtualKeyOfKeycode(keycode), true); });
    ForEachSet(buttonDown_, [this](int button) {
        if (const int code = CodeOfButton(button); code != kVkNone) {
            Set(codeDown_, code, true);
        }
    });
}

void X11Desktop::queueInput(int source, bool press, std::int64_t time) {
    if (pendingInput_.size() >= kMaxPendingInput) {
        apply(pendingInput_.front().input);
        pendingInput_.pop_front();
    }
    pendingInput_.push_back({time, static_cast<std::uint16_t>(source + (press ? kPressFlag : 0))});
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
        queueInput(detail + (button ? kButtonSource : 0), press, stamp);
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
            queueInput(kButtonSource + kTouchButton, begin, stamp);
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

void X11Desktop::apply(std::uint16_t input) {
    const bool press = input & kPressFlag;
    const int source = input & (kPressFlag - 1);
    if (source >= kButtonSource) {
        const int button = source - kButtonSource;
        Set(buttonDown_, button, press);
        if (press) {
            Set(pressedSince_, CodeOfButton(button), true);
        }
    } else {
        Set(keyDown_, source, press);
        if (press) {
            Set(pressedSince_, VirtualKeyOfKeycode(source), true);
        }
    }
    rebuildDown();
}

int X11Desktop::lowestActive() const {
    for (int word = 0; word < 4; ++word) {
        if (const std::uint64_t active = codeDown_[word] | pressedSince_[word]) {
            return word * 64 + std::countr_zero(active);
        }
    }
    return kProbeSweepDone;
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
    int answer = kProbeSweepDone;
    if (armed) {
        answer = lowestActive();
        while (answer == lastAnswer_ && inputDue()) {
            apply(pendingInput_.front().input);
            pendingInput_.pop_front();
            answer = lowestActive();
        }
    } else {
        for (; inputDue(); pendingInput_.pop_front()) {
            apply(pendingInput_.front().input);
        }
    }
    // The sweep queried every code up to the answer, and so cleared their memory.
    for (int word = 0; word < 4; ++word) {
        const int first = word * 64;
        if (answer >= first + 63) {
            pressedSince_[word] = 0;
        } else if (answer >= first) {
            pressedSince_[word] &= ~((std::uint64_t{2} << (answer - first)) - 1);
        }
    }
    answeredFromMemory_ = answer != kProbeSweepDone && !Test(codeDown_, answer);
    lastAnswer_ = answer;
    return answer;
}

bool X11Desktop::keyActive(int code) {
    drain(notifierResting_ && !record_);
    for (; inputDue(); pendingInput_.pop_front()) {
        apply(pendingInput_.front().input);
    }
    const bool active = Test(codeDown_, code) || Test(pressedSince_, code);
    Set(pressedSince_, code, false);
    return active;
}
