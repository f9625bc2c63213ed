#include "Win32Desktop.h"
#include "platform/DesktopBackend.h"
#include "platform/DisplayCheck.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

std::unique_ptr<DesktopProbe> CreateDesktopProbe(QString* error) {
    // Raw input and foreground events reach the probe's window procedure past Qt's event
    // filters; an event sent to this object for each takes them through those filters, where
    // the tick driver wakes a resting tick.
    auto waker = std::make_shared<QObject>();
    std::string problem;
    std::unique_ptr<Win32Desktop> desktop = Win32Desktop::open(
        [waker] {
            QEvent event(QEvent::User);
            QCoreApplication::sendEvent(waker.get(), &event);
        },
        &problem);
    if (!desktop && error) {
        *error = QString::fromStdString(problem);
    }
    return desktop;
}

// Nothing on Windows: the motion over a window comes to the main thread's queue as one merged
// message, with no event thread of the toolkit's to wake first.
void QuietPointerMotion(unsigned long long) {}

// Windows always has a desktop to run on.
std::string NoDisplayMessage() {
    return {};
}
