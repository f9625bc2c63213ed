#pragma once

#include <functional>
#include <memory>

// The sampling tick's clock: calls back every `periodMs` milliseconds on the event loop's thread.
class TickTimer {
public:
    virtual ~TickTimer() = default;
    virtual void start(std::function<void()> onTick, int periodMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The most precise periodic timer the platform offers.
std::unique_ptr<TickTimer> CreateTickTimer();
