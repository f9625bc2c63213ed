#include "StatsFile.h"

// Placeholder until the statistics file is written: every load fails, every save fails.
LoadResult ReadStatsFile(const QString&, StatsRecord&, const std::function<bool()>&) {
    return {false, QStringLiteral("not implemented")};
}
QByteArray StatsFileBytes(const StatsRecord&) {
    return {};
}
SaveResult WriteStatsFile(const QString&, const StatsRecord&) {
    return {false, QStringLiteral("not implemented")};
}
bool Timer4_Timer(std::int16_t& Timer4Count) {
    if (++Timer4Count == 9) {
        Timer4Count = 0;
        return true;
    }
    return false;
}
