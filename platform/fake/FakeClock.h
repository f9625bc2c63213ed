#pragma once

#include "platform/Clock.h"

// A clock that stands where the test puts it.
struct FakeClock : Clock {
    explicit FakeClock(QDateTime at) : moment(std::move(at)) {}
    QDateTime moment;
    QDateTime now() const override { return moment; }
};
