#pragma once

#include "engine/RestingTick.h"

#include <QObject>
#include <memory>

class DesktopProbe;
class SampleTick;
class TickTimer;

// Runs the sampling tick on the platform's 1 ms timer: installed by start(), removed by stop().
// The one place that joins the tick to its timer.
//
// Between desktop events the tick rests: after a tick that changed nothing, on a desktop that
// holds nothing back, the timer stops. Everything the event loop delivers afterwards (the X
// connection became readable, a form timer fired, the user pressed a button, a message box
// answered) passes this object's application-wide event filter first, which starts the timer
// again before the event is handled; so no writer of the record or the labels can be missed,
// and none has to remember to wake the tick. On a desktop whose events carry time stamps the
// filter first runs the ticks of the input taken in so far, so that a handler sees the record
// as a 1 ms tick would have left it; stop() does the same, before the last save.
class TickDriver : public QObject {
public:
    TickDriver(SampleTick& tick, DesktopProbe& desktop, std::unique_ptr<TickTimer> timer);
    ~TickDriver() override;

    void start();
    void stop();
    // The ticks of the input taken in so far, as before an event: for a save that comes
    // without one of its own (the session manager's request arrives on a socket).
    void catchUp();
    // Installed, whether ticking or resting.
    bool isActive() const { return installed_; }
    bool resting() const { return resting_.resting(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTimer();
    void startTimer();

    RestingTick resting_;
    std::unique_ptr<TickTimer> timer_;
    bool installed_ = false;
    bool catchingUp_ = false;
};
