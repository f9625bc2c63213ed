#include "StatsRecord.h"

StatsRecord& Stats() {
    static StatsRecord record;
    return record;
}
