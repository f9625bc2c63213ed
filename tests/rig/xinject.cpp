// Drives the X display for end-to-end tests: input through XTest with exact timing, and the
// windows and root properties a window manager would look after. Commands come one per
// argument, or one per line on standard input; each answers one line, "ok" and its values, once
// the server has processed what it sent. A failed command prints "error: ..." and exits 1.
// Windows it creates live as long as the process. The commands are listed in README.md.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kActivateTimeoutNs = 5 * kNanosPerSecond;
constexpr std::int64_t kPollNs = 1'000'000;
constexpr std::int64_t kLoadHoldNs = 10'000'000;
constexpr std::int64_t kLoadSweepMoves = 200;
constexpr std::int64_t kLoadButtonOffsetNs = 50'000'000;

Display* gDisplay = nullptr;

std::int64_t Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * kNanosPerSecond + t.tv_nsec;
}

void SleepUntil(std::int64_t when) {
    const timespec t{static_cast<time_t>(when / kNanosPerSecond),
                     static_cast<long>(when % kNanosPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

int OnXError(Display* display, XErrorEvent* error) {
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::printf("error: X error %s on request %d\n", text, error->request_code);
    std::exit(1);
}

// Actions at times relative to the start, run in time order; an XFlush after each, so that the
// server sees each one when it is due.
struct Schedule : std::vector<std::pair<std::int64_t, std::function<void()>>> {
    void at(std::int64_t offsetNs, std::function<void()> action) {
        emplace_back(offsetNs, std::move(action));
    }
    void run() {
        std::stable_sort(begin(), end(), [](auto& a, auto& b) { return a.first < b.first; });
        const std::int64_t start = Now();
        for (const auto& [offset, action] : *this) {
            SleepUntil(start + offset);
            action();
            XFlush(gDisplay);
        }
    }
};

// A keysym name, or "#" and a keycode: a key by its place, whatever the layout.
KeyCode KeycodeOf(const std::string& name) {
    if (name.size() > 1 && name[0] == '#') {
        return static_cast<KeyCode>(std::stoi(name.substr(1)));
    }
    const KeySym sym = XStringToKeysym(name.c_str());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(gDisplay, sym);
    if (code == 0) {
        throw std::runtime_error("no key for " + name);
    }
    return code;
}

Atom AtomOf(const char* name) {
    return XInternAtom(gDisplay, name, False);
}

Window ActiveWindow() {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window active = 0;
    if (XGetWindowProperty(gDisplay, DefaultRootWindow(gDisplay), AtomOf("_NET_ACTIVE_WINDOW"), 0,
                           1, False, XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        count == 1) {
        active = *reinterpret_cast<unsigned long*>(data);
    }
    if (data) {
        XFree(data);
    }
    return active;
}

// Press/release pairs: `count` of them, one every 1/rate s, each held `holdNs`.
void Pairs(int count, double rate, std::int64_t holdNs, const std::function<void(bool)>& press) {
    Schedule schedule;
    const auto period = static_cast<std::int64_t>(kNanosPerSecond / rate);
    for (int i = 0; i < count; ++i) {
        if (holdNs == 0) {
            schedule.at(i * period, [&press] {
                press(true);
                press(false);
            });
        } else {
            schedule.at(i * period, [&press] { press(true); });
            schedule.at(i * period + holdNs, [&press] { press(false); });
        }
    }
    schedule.run();
}

// The hold of a pair: the optional argument in microseconds, else half a period.
std::int64_t HoldOf(std::istringstream& in, double rate) {
    std::int64_t micros = -1;
    if (in >> micros && micros >= 0) {
        return micros * 1000;
    }
    return static_cast<std::int64_t>(kNanosPerSecond / rate / 2);
}

std::string Run(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    Window root = DefaultRootWindow(gDisplay);
    std::ostringstream out;
    if (command == "press" || command == "release") {
        unsigned button = 0;
        in >> button;
        XTestFakeButtonEvent(gDisplay, button, command == "press", CurrentTime);
    } else if (command == "keydown" || command == "keyup") {
        std::string key;
        in >> key;
        XTestFakeKeyEvent(gDisplay, KeycodeOf(key), command == "keydown", CurrentTime);
    } else if (command == "click" || command == "tap") {
        std::string what;
        int count = 0;
        double rate = 0;
        in >> what >> count >> rate;
        if (count <= 0 || rate <= 0) {
            throw std::runtime_error("usage: " + command + " WHAT COUNT RATE_HZ [HOLD_US]");
        }
        const std::int64_t hold = HoldOf(in, rate);
        if (command == "click") {
            const unsigned button = std::stoul(what);
            Pairs(count, rate, hold,
                  [button](bool down) { XTestFakeButtonEvent(gDisplay, button, down, 0); });
        } else {
            const KeyCode key = KeycodeOf(what);
            Pairs(count, rate, hold,
                  [key](bool down) { XTestFakeKeyEvent(gDisplay, key, down, 0); });
        }
    } else if (command == "move" || command == "moveto") {
        int x = 0, y = 0;
        in >> x >> y;
        command == "move" ? XTestFakeRelativeMotionEvent(gDisplay, x, y, CurrentTime)
                          : XTestFakeMotionEvent(gDisplay, -1, x, y, CurrentTime);
    } else if (command == "line") {
        int x = 0, y = 0, step = 0;
        double rate = 0;
        in >> x >> y >> step >> rate;
        if (step <= 0 || rate <= 0) {
            throw std::runtime_error("usage: line X Y STEP RATE_HZ");
        }
        Window child = 0;
        int fromX = 0, fromY = 0, winX = 0, winY = 0;
        unsigned state = 0;
        XQueryPointer(gDisplay, root, &root, &child, &fromX, &fromY, &winX, &winY, &state);
        const int steps = static_cast<int>(
            std::ceil(std::hypot(x - fromX, y - fromY) / static_cast<double>(step)));
        // Each step gets a millisecond of the server's own, however late a busy machine runs
        // this: it is sent once the step before has been handled and two more have passed, so
        // the pointer is seen at every point of the path (steps that shared a millisecond would
        // be seen at the last of them only, and the rounded points are not quite in line).
        const auto period = static_cast<std::int64_t>(kNanosPerSecond / rate);
        const std::int64_t start = Now();
        std::int64_t handled = 0;
        for (int i = 1; i <= steps; ++i) {
            const int atX = fromX + static_cast<int>(std::lround((x - fromX) * double(i) / steps));
            const int atY = fromY + static_cast<int>(std::lround((y - fromY) * double(i) / steps));
            SleepUntil(std::max(start + i * period, handled + 2'000'000));
            XTestFakeMotionEvent(gDisplay, -1, atX, atY, 0);
            XSync(gDisplay, False);
            handled = Now();
        }
    } else if (command == "load") {
        double seconds = 0, movesPerSecond = 0;
        int tapEveryMs = 0;
        in >> seconds >> movesPerSecond >> tapEveryMs;
        if (seconds <= 0 || movesPerSecond <= 0 || tapEveryMs <= 0) {
            throw std::runtime_error("usage: load SECONDS MOVES_HZ TAP_EVERY_MS");
        }
        const auto end = static_cast<std::int64_t>(seconds * kNanosPerSecond);
        const auto movePeriod = static_cast<std::int64_t>(kNanosPerSecond / movesPerSecond);
        const std::int64_t tapPeriod = std::int64_t{tapEveryMs} * 1'000'000;
        const KeyCode key = KeycodeOf("a");
        Schedule schedule;
        for (std::int64_t t = 0, i = 0; t < end; t += movePeriod, ++i) {
            // Sweeps to and fro, as a hand moves a mouse: every move lands on a new point.
            const int dx = (i / kLoadSweepMoves) % 2 == 0 ? 1 : -1;
            schedule.at(t, [dx] { XTestFakeRelativeMotionEvent(gDisplay, dx, 0, 0); });
        }
        int taps = 0;
        for (std::int64_t t = 0; t + kLoadButtonOffsetNs + kLoadHoldNs < end; t += tapPeriod) {
            schedule.at(t, [key] { XTestFakeKeyEvent(gDisplay, key, True, 0); });
            schedule.at(t + kLoadHoldNs, [key] { XTestFakeKeyEvent(gDisplay, key, False, 0); });
            schedule.at(t + kLoadButtonOffsetNs,
                        [] { XTestFakeButtonEvent(gDisplay, 1, True, 0); });
            schedule.at(t + kLoadButtonOffsetNs + kLoadHoldNs,
                        [] { XTestFakeButtonEvent(gDisplay, 1, False, 0); });
            taps += 2;
        }
        schedule.run();
        out << " taps=" << taps;
    } else if (command == "window") {
        static int made = 0;
        const int offset = 40 * made++;
        const Window window = XCreateSimpleWindow(gDisplay, root, 50 + offset, 50 + offset, 200,
                                                  150, 0, 0, WhitePixel(gDisplay, 0));
        XStoreName(gDisplay, window, ("odovex-rig-" + std::to_string(made)).c_str());
        XMapWindow(gDisplay, window);
        out << " " << window;
    } else if (command == "activate") {
        Window window = 0;
        in >> window;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = AtomOf("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // source: a pager, which window managers obey
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(gDisplay, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        const std::int64_t deadline = Now() + kActivateTimeoutNs;
        while (ActiveWindow() != window) {
            if (Now() > deadline) {
                throw std::runtime_error("window " + std::to_string(window) + " not activated");
            }
            SleepUntil(Now() + kPollNs);
        }
    } else if (command == "set-active") {
        unsigned long window = 0;
        in >> window;
        XSelectInput(gDisplay, root, PropertyChangeMask);
        XChangeProperty(gDisplay, root, AtomOf("_NET_ACTIVE_WINDOW"), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&window), 1);
        XSync(gDisplay, False);
        Time stamp = 0; // the server's time of the change
        for (XEvent e; XCheckTypedWindowEvent(gDisplay, root, PropertyNotify, &e);) {
            stamp = e.xproperty.atom == AtomOf("_NET_ACTIVE_WINDOW") ? e.xproperty.time : stamp;
        }
        out << " " << stamp;
    } else if (command == "set-supported") {
        std::string state;
        in >> state;
        unsigned long active = AtomOf("_NET_ACTIVE_WINDOW");
        if (state == "on") {
            XChangeProperty(gDisplay, root, AtomOf("_NET_SUPPORTED"), XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&active), 1);
        } else {
            XDeleteProperty(gDisplay, root, AtomOf("_NET_SUPPORTED"));
        }
    } else if (command == "focus") {
        Window window = 0;
        in >> window;
        XSetInputFocus(gDisplay, window, RevertToPointerRoot, CurrentTime);
    } else if (command == "sleep") {
        int ms = 0;
        in >> ms;
        SleepUntil(Now() + std::int64_t{ms} * 1'000'000);
    } else {
        throw std::runtime_error("unknown command: " + line);
    }
    XSync(gDisplay, False);
    return "ok" + out.str();
}

} // namespace

int main(int argc, char** argv) {
    gDisplay = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!gDisplay || !XTestQueryExtension(gDisplay, &event, &error, &major, &minor)) {
        std::printf("error: no X display with XTest\n");
        return 1;
    }
    XSetErrorHandler(OnXError);
    std::vector<std::string> commands(argv + 1, argv + argc);
    const auto runOne = [](const std::string& line) {
        try {
            std::printf("%s\n", Run(line).c_str());
        } catch (const std::exception& e) {
            std::printf("error: %s\n", e.what());
            std::exit(1);
        }
        std::fflush(stdout);
    };
    if (!commands.empty()) {
        std::for_each(commands.begin(), commands.end(), runOne);
        return 0;
    }
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty()) {
            runOne(line);
        }
    }
    return 0;
}
