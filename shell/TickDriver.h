#pragma once

#include <memory>

class SampleTick;
class TickTimer;

// Runs the sampling tick on the platform's 1 ms timer: installed by start(), removed by stop().
// The one place that joins the tick to its timer.
class TickDriver {
public:
    TickDriver(SampleTick& tick, std::unique_ptr<TickTimer> timer);
    ~TickDriver();

    void start();
    void stop();
    bool isActive() const;

private:
    SampleTick& tick_;
    std::unique_ptr<TickTimer> timer_;
};
