#pragma once

#include <QString>

struct StatsRecord;
class MainLabels;

// Reset's changes, all in one go so that no tick sees them half done: every counter to zero, no
// clicks pending, no travel for the jump to the next sample, the four count labels "0", and the
// Total counters running from `sinceDate`. The distance labels show the zeroed travel at the
// next tick; the date, the settings and the windows are left as they are.
void ResetCounters(StatsRecord& record, MainLabels& labels, const QString& sinceDate);
