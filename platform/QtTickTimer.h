#pragma once

#include "platform/TickTimer.h"

#include <QTimer>

// The event loop's own precise timer: the fallback where the platform's timer cannot be had.
// Coarser than either backend's (about 930 ticks a second on X11, 10 ms at best on Windows).
class QtTickTimer : public TickTimer {
public:
    QtTickTimer() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { onTick_(); });
    }
    void start(std::function<void()> onTick, int periodMs) override {
        onTick_ = std::move(onTick);
        timer_.start(periodMs);
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> onTick_;
};
