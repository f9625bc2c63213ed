#include "TickDriver.h"

#include "engine/SampleTick.h"
#include "platform/TickTimer.h"

#include <QCoreApplication>
#include <QEvent>

TickDriver::TickDriver(SampleTick& tick, DesktopProbe& desktop, std::unique_ptr<TickTimer> timer)
    : resting_(tick, desktop), timer_(std::move(timer)) {}

TickDriver::~TickDriver() {
    stop();
}

void TickDriver::start() {
    installed_ = true;
    resting_.wake();
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
    startTimer();
}

void TickDriver::stop() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
    if (installed_) {
        resting_.catchUp(); // the last input counts before the record is saved
    }
    installed_ = false;
    timer_->stop();
}

void TickDriver::startTimer() {
    timer_->start([this] { onTimer(); }, resting_.periodMs());
}

void TickDriver::onTimer() {
    if (!resting_.run()) {
        timer_->stop();
    }
}

void TickDriver::catchUp() {
    if (!installed_ || catchingUp_) {
        return;
    }
    // No ticks inside ticks, whatever a label write may send.
    catchingUp_ = true;
    resting_.catchUp();
    catchingUp_ = false;
    resting_.touch();
}

namespace {

// Events that run no handler of the record or the labels: socket and Windows event notifiers
// (the desktop's connections, the timer itself), the window system's painting and layout, and
// the pointer passing over a window (no handler of the program reads the record on a move or a
// hover; a press or a release may run one).
bool WritesNothing(QEvent::Type type) {
    switch (type) {
    case QEvent::SockAct:
    case QEvent::WinEventAct:
    case QEvent::Paint:
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
    case QEvent::LayoutRequest:
    case QEvent::Polish:
    case QEvent::PolishRequest:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::Enter:
    case QEvent::Leave:
        return true;
    default:
        return false;
    }
}

} // namespace

// Cheap: a test or two per event, and for an event that may run a handler, the ticks of the
// input taken in, which the handler may be about to read or change.
bool TickDriver::eventFilter(QObject*, QEvent* event) {
    if (!installed_ || catchingUp_) {
        return false;
    }
    if (!WritesNothing(event->type())) {
        catchUp();
    }
    if (resting_.resting()) {
        resting_.wake();
        startTimer();
    }
    return false;
}
