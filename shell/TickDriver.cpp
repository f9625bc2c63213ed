#include "TickDriver.h"

#include "engine/SampleTick.h"
#include "platform/TickTimer.h"

#include <QCoreApplication>

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
    timer_->start([this] { onTimer(); });
}

void TickDriver::stop() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
    installed_ = false;
    timer_->stop();
}

void TickDriver::onTimer() {
    if (!resting_.run()) {
        timer_->stop();
    }
}

// Cheap: one test per event while ticking.
bool TickDriver::eventFilter(QObject*, QEvent*) {
    if (installed_ && resting_.resting()) {
        resting_.wake();
        timer_->start([this] { onTimer(); });
    }
    return false;
}
