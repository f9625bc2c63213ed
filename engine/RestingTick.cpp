#include "RestingTick.h"

#include "SampleTick.h"
#include "platform/DesktopProbe.h"

bool RestingTick::run() {
    const bool changed = tick_();
    resting_ = !changed && desktop_.mayRest();
    return !resting_;
}
