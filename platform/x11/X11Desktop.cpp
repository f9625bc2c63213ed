#include "X11Desktop.h"

#include "platform/DesktopBackend.h"

#include <QCoreApplication>
#include <QGuiApplication>

// Xlib last: its macros (None, KeyPress, FocusIn...) clash with names in Qt's headers.
#include <X11/XKBlib.h>
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

// Qt's own connection asks XKB for every change of the keyboard's state, the pointer's buttons
// among them, so each press and release of a button would wake its event thread and then the
// main one. Qt follows the modifiers and the group only: it keeps those.
void QuietToolkitButtons() {
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (Display* display = x11 ? x11->display() : nullptr) {
        XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbAllStateComponentsMask,
                              XkbAllStateComponentsMask & ~XkbPointerButtonMask);
        XFlush(display);
    }
}

} // namespace

// Xlib's handlers are process-wide: they pass what belongs to other connections on.
struct X11Handlers {
    static inline XErrorHandler previousError = nullptr;
    static inline XIOErrorHandler previousIOError = nullptr;

    static X11Desktop* find(Display* display) {
        for (X11Desktop* desktop : Instances()) {
            if (desktop->display_ == display || desktop->record_ == display ||
                desktop->raw_ == display) {
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

void QuietPointerMotion(unsigned long long window) {
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display || window == 0) {
        return;
    }
    // The toolkit's own selections on its own connection, less the motion: the core one, which
    // the server would deliver in place of the XInput one, and XInput's, every device's.
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes)) {
        XSelectInput(display, window,
                     attributes.your_event_mask &
                         ~(PointerMotionMask | PointerMotionHintMask | ButtonMotionMask |
                           Button1MotionMask | Button2MotionMask | Button3MotionMask |
                           Button4MotionMask | Button5MotionMask));
    }
    int count = 0;
    XIEventMask* masks = XIGetSelectedEvents(display, window, &count);
    for (int i = 0; i < count; ++i) {
        if (masks[i].mask_len > XI_Motion / 8) {
            XIClearMask(masks[i].mask, XI_Motion);
        }
    }
    if (count > 0) {
        XISelectEvents(display, window, masks, count);
    }
    XFree(masks);
    XFlush(display);
}

std::unique_ptr<DesktopProbe> CreateDesktopProbe(QString* error) {
    QuietToolkitButtons();
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

void X11Desktop::keepProcessOnIOError(_XDisplay* display) {
    XSetIOErrorExitHandler(display, X11Handlers::onIOErrorExit, nullptr);
}

X11Desktop::X11Desktop(_XDisplay* display) : display_(display), raw_(display) {
    Instances().push_back(this);
    X11Handlers::install();
    keepProcessOnIOError(display_);
    sinceOpen_.start();
    watchdog_.setInterval(kWatchdogMs);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { checkSweepsCome(); });
}

X11Desktop::~X11Desktop() {
    closeRecord();
    if (raw_ != display_) {
        XCloseDisplay(raw_);
    }
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
    openRecord();
    openRaw();
    selectRaw(true);
    if (raw_ != display_) {
        // The selection must hold before the state is read on the other connection.
        XSync(raw_, False);
        ++roundTrips_;
    }
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
    if (record_) {
        recordNotifier_ =
            std::make_unique<QSocketNotifier>(ConnectionNumber(record_), QSocketNotifier::Read);
        QObject::connect(recordNotifier_.get(), &QSocketNotifier::activated,
                         [this] { onReadable(); });
    }
    if (raw_ != display_) {
        rawNotifier_ =
            std::make_unique<QSocketNotifier>(ConnectionNumber(raw_), QSocketNotifier::Read);
        QObject::connect(rawNotifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    }
    pointer_ = std::make_unique<PointerQuery>(DisplayString(display_));
    drain(false);
    drainRaw();
    if (lost_) {
        if (error) {
            *error = QStringLiteral("Odovex: the connection to the X display broke.");
        }
        return false;
    }
    firstRequest_ = NextRequest(display_);
    firstRawRequest_ = NextRequest(raw_);
    return true;
}

void X11Desktop::selectRaw(bool motion) {
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease,
                     XI_RawTouchBegin, XI_RawTouchUpdate, XI_RawTouchEnd}) {
        XISetMask(mask, type);
    }
    if (motion) {
        XISetMask(mask, XI_RawMotion);
    }
    XIEventMask events{XIAllMasterDevices, static_cast<int>(sizeof mask), mask};
    XISelectEvents(raw_, root_, &events, 1);
    XFlush(raw_);
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
            QMetaObject::invokeMethod(&watchdog_, onScreen_, Qt::QueuedConnection);
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
        // With RECORD raw motion says nothing new: it is passed over unread.
        if (event.xcookie.extension == xiOpcode_ &&
            !(record_ && event.xcookie.evtype == XI_RawMotion) &&
            XGetEventData(raw_, &event.xcookie)) {
            const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
            handleRaw(raw->evtype, raw->deviceid, raw->detail, raw->valuators.mask,
                      raw->valuators.mask_len, raw->time);
            XFreeEventData(raw_, &event.xcookie);
        }
        break;
    case PropertyNotify:
        if (event.xproperty.window == root_) {
            handleProperty(event.xproperty.atom, event.xproperty.serial, event.xproperty.time);
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
    if (record_) {
        for (; !motions_.empty() && due(motions_.front().time); motions_.pop_front()) {
            cursor_ = motions_.front().at;
        }
        // After a touch the emulated pointer may have jumped unseen (a warp): asked once.
        if (touchQuery_) {
            if (const auto at = pointer_->take()) {
                cursor_ = *at;
                touchQuery_ = false;
            }
            touchQuery_ = touchQuery_ && pointer_->isOpen();
        } else if (moved_ && !pointer_->inFlight() && pointer_->isOpen()) {
            moved_ = false;
            touchQuery_ = true;
            pointer_->send();
        }
        return cursor_;
    }
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
    if (record_) {
        // The notifiers watch again at the first batch without events (kQuietBatches), the
        // only batch after which the ticks rest.
        return ewmh_ && !grace_.holding() && !keys_.answeredFromMemory() &&
               !keys_.due(sampleTime_) && (motions_.empty() || !due(motions_.front().time)) &&
               (activeChanges_.empty() || !due(activeChanges_.front().first)) && !activeDirty_ &&
               !supportedDirty_ && !moved_ && !touchQuery_;
    }
    return ewmh_ && !grace_.holding() && !keys_.answeredFromMemory() && !keys_.due() &&
           eventsHandled_ == eventsAtSweep_ && !moved_ && !pointer_->inFlight() &&
           !notifierResting_ && !activeDirty_ && !supportedDirty_;
}

std::uint64_t X11Desktop::requestsSent() const {
    const unsigned long raw = raw_ != display_ ? NextRequest(raw_) - firstRawRequest_ : 0;
    return NextRequest(display_) - firstRequest_ + raw + (pointer_ ? pointer_->sent() : 0);
}

std::optional<std::int64_t> X11Desktop::inputTime() {
    if (!record_) {
        return std::nullopt;
    }
    // The main connection first, RECORD's last (see X11Record.cpp).
    drain(true);
    drainRaw();
    drainRecord();
    takeActive();
    if (!touchQuery_ && pointer_->isOpen()) {
        (void)pointer_->take(); // the batch's query, answered: see endBatch()
    }
    return latestStamp_;
}

void X11Desktop::endBatch() {
    noteSweep(kQuietBatches);
    // The answer is not needed: the query makes the server write out the recorded motion for the
    // next batch. Sent by the batches alone, not by the reads a handler needs first (several for
    // each click or key that reaches the program's own window). After a touch the next query is
    // the cursor's (cursorPos).
    if (!touchQuery_ && notifierResting_ && !moved_ && pointer_->isOpen() &&
        !pointer_->inFlight()) {
        pointer_->send();
    }
}

std::optional<std::int64_t> X11Desktop::pendingTime() const {
    std::optional<std::int64_t> first = keys_.firstStamp();
    if (!activeChanges_.empty() && (!first || activeChanges_.front().first < *first)) {
        first = activeChanges_.front().first;
    }
    if (!motions_.empty() && (!first || motions_.front().time < *first)) {
        first = motions_.front().time;
    }
    return first;
}

std::int64_t UnwrapServerTime(std::uint32_t serverTime, std::int64_t expected) {
    return expected + static_cast<std::int32_t>(serverTime - static_cast<std::uint32_t>(expected));
}

std::int64_t X11Desktop::stampOf(unsigned long serverTime) {
    const auto raw = static_cast<std::uint32_t>(serverTime);
    const std::int64_t now = sinceOpen_.elapsed();
    // The server's clock has gone on as ours has since the latest stamp, however long the
    // desktop stayed without input in between.
    const std::int64_t stamp =
        stamped_ ? UnwrapServerTime(raw, latestStamp_ + (now - latestStampAt_)) : raw;
    if (!stamped_ || stamp > latestStamp_) {
        stamped_ = true;
        latestStamp_ = stamp;
        latestStampAt_ = now;
    }
    return stamp;
}

void X11Desktop::noteSweep(int quietLimit) {
    ++sweeps_;
    if (notifierResting_) {
        quietSweeps_ = eventsHandled_ == eventsAtSweep_ ? quietSweeps_ + 1 : 0;
        if (quietSweeps_ >= quietLimit) {
            wakeNotifier();
        }
    }
    eventsAtSweep_ = eventsHandled_;
}

void X11Desktop::setNotifiersEnabled(bool enabled) {
    // With stamps the main connection, which then carries window and monitor changes only, is
    // watched even while batches run: a window change must be read before the next one.
    notifier_->setEnabled(enabled || (record_ && !lostNoticed_));
    if (rawNotifier_) {
        rawNotifier_->setEnabled(enabled);
    }
    if (recordNotifier_) {
        recordNotifier_->setEnabled(enabled);
    }
}

void X11Desktop::onReadable() {
    drain(true);
    if (record_) {
        drainRaw();
        drainRecord();
        takeActive();
    }
    // Ticks came since the last time: they will read the socket, so the notifier may rest.
    if (sweeps_ != sweepsAtActivation_ && !lost_ && !notifierResting_) {
        restNotifier();
    }
    sweepsAtActivation_ = sweeps_;
}

void X11Desktop::restNotifier() {
    setNotifiersEnabled(false);
    if (record_) {
        selectRaw(false); // the batches' pointer queries make the output instead
    }
    notifierResting_ = true;
    quietSweeps_ = 0;
    sweepsAtCheck_ = sweeps_;
    watchdog_.start();
}

void X11Desktop::wakeNotifier() {
    if (record_ && !lostNoticed_) {
        selectRaw(true);
    }
    notifierResting_ = false;
    watchdog_.stop();
    setNotifiersEnabled(!lostNoticed_);
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
        setNotifiersEnabled(false);
    }
    watchdog_.stop();
    std::fprintf(stderr, "Odovex: the connection to the X display was lost.\n");
    QMetaObject::invokeMethod(
        &watchdog_,
        [this] {
            if (onLost_) {
                onLost_();
            } else {
                QCoreApplication::exit(1);
            }
        },
        Qt::QueuedConnection);
}
