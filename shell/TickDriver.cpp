#include "TickDriver.h"

#include "engine/SampleTick.h"
#include "platform/TickTimer.h"

TickDriver::TickDriver(SampleTick& tick, std::unique_ptr<TickTimer> timer)
    : tick_(tick), timer_(std::move(timer)) {}

TickDriver::~TickDriver() = default;

void TickDriver::start() {
    timer_->start([this] { tick_(); });
}

void TickDriver::stop() {
    timer_->stop();
}

bool TickDriver::isActive() const {
    return timer_->isActive();
}
