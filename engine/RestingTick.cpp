#include "RestingTick.h"

#include "SampleTick.h"
#include "platform/DesktopProbe.h"

bool RestingTick::run() {
    const bool changed = tick_();
    quietTicks_ = !changed && desktop_.mayRest() ? quietTicks_ + 1 : 0;
    resting_ = quietTicks_ >= kQuietTicksBeforeRest;
    return !resting_;
}
