#include "RestingTick.h"

#include "SampleTick.h"
#include "platform/DesktopProbe.h"

#include <algorithm>

RestingTick::RestingTick(SampleTick& tick, DesktopProbe& desktop)
    : RestingTick([&tick] { return tick(); }, desktop) {}

int RestingTick::periodMs() const {
    return desktop_.inputTime() ? kBatchMs : 1;
}

void RestingTick::tickAt(std::int64_t ms) {
    lastTicked_ = ms;
    desktop_.sampleAt(ms);
    const bool changed = tick_();
    quietTicks_ = !changed && desktop_.mayRest() ? quietTicks_ + 1 : 0;
}

void RestingTick::ticksUpTo(std::int64_t horizon, bool settle) {
    for (int beyond = 0;;) {
        if (quiet()) {
            // Until the next event every tick would find what this one found: skipped.
            const std::int64_t next =
                std::min(desktop_.pendingTime().value_or(horizon + 1), horizon + 1);
            lastTicked_ = std::max(*lastTicked_, next - 1);
        }
        const std::optional<std::int64_t> pending = desktop_.pendingTime();
        const bool late = pending && *pending <= *lastTicked_;
        // However the desktop answers, one call runs at most kBatchMs ticks past the horizon.
        if (*lastTicked_ >= horizon && (beyond >= kBatchMs || (!late && (!settle || quiet())))) {
            return;
        }
        tickAt(*lastTicked_ + 1);
        if (*lastTicked_ > horizon) {
            ++beyond;
        }
    }
}

bool RestingTick::run() {
    const std::optional<std::int64_t> horizon = desktop_.inputTime();
    if (!horizon) {
        const bool changed = tick_();
        quietTicks_ = !changed && desktop_.mayRest() ? quietTicks_ + 1 : 0;
        resting_ = quiet();
        return !resting_;
    }
    // Nothing new since the last call: the input has paused, and the quiet ticks after it may
    // run now without getting ahead of any event still on its way.
    if (!lastTicked_) {
        lastTicked_ = *horizon - 1;
    }
    const bool settle = lastRunHorizon_ == horizon;
    lastRunHorizon_ = horizon;
    // The latest millisecond may have more events on their way; it is ticked with the next.
    ticksUpTo(settle ? *horizon : *horizon - 1, settle);
    desktop_.endBatch();
    resting_ = settle && quiet() && !desktop_.pendingTime();
    return !resting_;
}

void RestingTick::catchUp() {
    if (const std::optional<std::int64_t> horizon = desktop_.inputTime(); horizon && lastTicked_) {
        ticksUpTo(*horizon, false);
    }
}
