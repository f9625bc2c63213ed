#include "X11Desktop.h"

#include "platform/DesktopBackend.h"

#include <QCoreApplication>

// Xlib last: its macros (None, KeyPress, FocusIn...) clash with names in Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xrandr.h>
#include <cstdio>
#include <vector>

namespace {

// X errors logged one by one; further ones are counted only.
constexpr std::uint64_t kErrorsLogged = 20;

std::vector<X11Desktop*>& Instances() {
    static std::vector<X11Desktop*> instances;
    return instances;
}

} // namespace

// Xlib's handlers are process-wide: they pass what belongs to other connections on.
struct X11Handlers {
    static inline XErrorHandler previousError = nullptr;
    static inline XIOErrorHandler previousIOError = nullptr;

    static X11Desktop* find(Display* display) {
        for (X11Desktop* desktop : Instances()) {
            if (desktop->display_ == display) {
                return desktop;
            }
        }
        return nullptr;
    }
    static void install() {
        static const bool installed = [] {
            previousError = XSetErrorHandler(onError);
            previousIOError = XSetIOErrorHandler(onIOError);
            return true;
        }();
        (void)installed;
    }
    static int onError(Display* display, XErrorEvent* error) {
        X11Desktop* desktop = find(display);
        if (!desktop) {
            return previousError ? previousError(display, error) : 0;
        }
        if (++desktop->errors_ <= kErrorsLogged) {
            std::fprintf(stderr, "Odovex: X error %d on request %d.%d, ignored%s\n",
                         error->error_code, error->request_code, error->minor_code,
                         desktop->errors_ == kErrorsLogged ? " (further ones are not shown)" : "");
        }
        return 0;
    }
    // Called by Xlib when the connection breaks. Returning lets the Xlib call in progress
    // return too (the exit handler below keeps Xlib from ending the process); the probe then
    // stops using the connection and tells its owner from the event loop.
    static int onIOError(Display* display) {
        if (X11Desktop* desktop = find(display)) {
            desktop->lost_ = true;
            return 0;
        }
        return previousIOError ? previousIOError(display) : 0;
    }
    static void onIOErrorExit(Display*, void*) {}
};

std::unique_ptr<DesktopProbe> CreateDesktopProbe(QString* error) {
    return X11Desktop::open(error);
}

std::unique_ptr<X11Desktop> X11Desktop::open(QString* error) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const QString name = QString::fromLocal8Bit(XDisplayName(nullptr));
        if (error) {
            *error = name.isEmpty()
                         ? QStringLiteral("Odovex: no X display (DISPLAY is not set).")
                         : QStringLiteral("Odovex: cannot open the X display \"%1\".").arg(name);
        }
        return nullptr;
    }
    std::unique_ptr<X11Desktop> desktop(new X11Desktop(display));
    if (!desktop->init(error)) {
        return nullptr;
    }
    return desktop;
}

X11Desktop::X11Desktop(_XDisplay* display) : display_(display) {
    Instances().push_back(this);
    X11Handlers::install();
    XSetIOErrorExitHandler(display_, X11Handlers::onIOErrorExit, nullptr);
    graceTimer_.setSingleShot(true);
    graceTimer_.setTimerType(Qt::PreciseTimer);
    graceTimer_.setInterval(kNoneGraceMs);
    QObject::connect(&graceTimer_, &QTimer::timeout, [this] {
        drain(true);
        refreshForeground();
    });
    watchdog_.setInterval(kWatchdogMs);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { checkSweepsCome(); });
}

X11Desktop::~X11Desktop() {
    // After a lost connection Xlib only releases its memory here.
    XCloseDisplay(display_);
    std::erase(Instances(), this);
}

bool X11Desktop::init(QString* error) {
    int event = 0;
    int errorBase = 0;
    int major = 2;
    int minor = 2;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &errorBase)) {
        if (error) {
            *error = QStringLiteral("Odovex: the X server has no XInput; XInput 2.2 is needed.");
        }
        return false;
    }
    // Below 2.1, raw events stop whenever a client holds a grab (an open menu, a drag).
    if (XIQueryVersion(display_, &major, &minor) != Success || major * 100 + minor < 202) {
        if (error) {
            *error = QStringLiteral("Odovex: the X server offers XInput %1.%2; 2.2 is needed.")
                         .arg(major)
                         .arg(minor);
        }
        return false;
    }
    root_ = DefaultRootWindow(display_);

    // Select first, then read the state: a change in between is then also seen as an event.
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease,
                     XI_RawMotion, XI_RawTouchBegin, XI_RawTouchUpdate, XI_RawTouchEnd}) {
        XISetMask(mask, type);
    }
    XIEventMask events{XIAllMasterDevices, static_cast<int>(sizeof mask), mask};
    XISelectEvents(display_, root_, &events, 1);
    XSelectInput(display_, root_, PropertyChangeMask | StructureNotifyMask);

    char activeName[] = "_NET_ACTIVE_WINDOW";
    char supportedName[] = "_NET_SUPPORTED";
    char* names[] = {activeName, supportedName};
    Atom atoms[2] = {};
    XInternAtoms(display_, names, 2, False, atoms);
    atomActive_ = atoms[0];
    atomSupported_ = atoms[1];

    rootWidth_ = DisplayWidth(display_, DefaultScreen(display_));
    rootHeight_ = DisplayHeight(display_, DefaultScreen(display_));
    watchMonitors();
    readMonitors();
    readStartState();

    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    pointer_ = std::make_unique<PointerQuery>(DisplayString(display_));
    drain(false);
    if (lost_) {
        if (error) {
            *error = QStringLiteral("Odovex: the connection to the X display broke.");
        }
        return false;
    }
    firstRequest_ = NextRequest(display_);
    return true;
}

void X11Desktop::drain(bool readSocket) {
    for (;;) {
        while (!lost_ && (readSocket ? XPending(display_) : XQLength(display_)) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            handle(event);
        }
        if (lost_ || !monitorsStale_) {
            break;
        }
        monitorsStale_ = false;
        readMonitors();
        readSocket = false;
        if (onScreen_) {
            QMetaObject::invokeMethod(&graceTimer_, onScreen_, Qt::QueuedConnection);
        }
    }
    if (lost_) {
        noticeLost();
    }
}

void X11Desktop::handle(XEvent& event) {
    ++eventsHandled_;
    switch (event.type) {
    case GenericEvent:
        if (event.xcookie.extension == xiOpcode_ && XGetEventData(display_, &event.xcookie)) {
            const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
            handleRaw(raw->evtype, raw->deviceid, raw->detail, raw->valuators.mask,
                      raw->valuators.mask_len);
            XFreeEventData(display_, &event.xcookie);
        }
        break;
    case PropertyNotify:
        if (event.xproperty.window == root_) {
            handleProperty(event.xproperty.atom, event.xproperty.serial);
        }
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == root_) {
            rootWidth_ = event.xconfigure.width;
            rootHeight_ = event.xconfigure.height;
            monitorsStale_ = true;
        }
        break;
    default:
        // Monitors are read outside the event loop above: it takes round trips.
        if (isMonitorEvent(event)) {
            XRRUpdateConfiguration(&event);
            monitorsStale_ = true;
        }
        break;
    }
}

Point X11Desktop::cursorPos() {
    drain(false);
    if (lost_) {
        return cursor_;
    }
    if (pointer_->isOpen()) {
        if (const auto at = pointer_->take()) {
            cursor_ = *at;
        }
        if (moved_ && !pointer_->inFlight() && pointer_->isOpen()) {
            moved_ = false;
            pointer_->send();
        }
        return cursor_;
    }
    if (moved_) {
        moved_ = false;
        Window rootReturn = 0;
        Window child = 0;
        int winX = 0;
        int winY = 0;
        unsigned int state = 0;
        Point at;
        XQueryPointer(display_, root_, &rootReturn, &child, &at.x, &at.y, &winX, &winY, &state);
        ++roundTrips_;
        if (!lost_) {
            cursor_ = at;
        }
        drain(false);
    }
    return cursor_;
}

bool X11Desktop::mayRest() const {
    return ewmh_ && !holding_ && !answeredFromMemory_ && pendingInput_.empty() &&
           eventsHandled_ == eventsAtSweep_ && !moved_ && !pointer_->inFlight() &&
           !notifierResting_ && !activeDirty_ && !supportedDirty_;
}

std::uint64_t X11Desktop::requestsSent() const {
    return NextRequest(display_) - firstRequest_ + pointer_->sent();
}

void X11Desktop::onReadable() {
    drain(true);
    // Ticks came since the last time: they will read the socket, so the notifier may rest.
    if (sweeps_ != sweepsAtActivation_ && !lost_) {
        restNotifier();
    }
    sweepsAtActivation_ = sweeps_;
}

void X11Desktop::restNotifier() {
    notifier_->setEnabled(false);
    notifierResting_ = true;
    quietSweeps_ = 0;
    sweepsAtCheck_ = sweeps_;
    watchdog_.start();
}

void X11Desktop::wakeNotifier() {
    notifierResting_ = false;
    watchdog_.stop();
    notifier_->setEnabled(!lostNoticed_);
}

void X11Desktop::checkSweepsCome() {
    if (sweeps_ == sweepsAtCheck_) {
        wakeNotifier(); // the ticks stopped: the notifier watches again
    }
    sweepsAtCheck_ = sweeps_;
}

void X11Desktop::noticeLost() {
    if (lostNoticed_) {
        return;
    }
    lostNoticed_ = true;
    // Read end of file from now on: the notifier would fire forever. It may be the caller.
    if (notifier_) {
        notifier_->setEnabled(false);
    }
    graceTimer_.stop();
    watchdog_.stop();
    std::fprintf(stderr, "Odovex: the connection to the X display was lost.\n");
    QMetaObject::invokeMethod(
        &graceTimer_,
        [this] {
            if (onLost_) {
                onLost_();
            } else {
                QCoreApplication::exit(1);
            }
        },
        Qt::QueuedConnection);
}
