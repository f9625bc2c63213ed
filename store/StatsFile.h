#pragma once

#include "engine/StatsRecord.h"

#include <QByteArray>
#include <QString>
#include <functional>

inline constexpr char kStatsFileName[] = "Odovex1.dat";

// The outcome of reading the statistics file: loaded, or failed with a reason for logs. Every
// way a load can fail gives the same outcome; the file is never changed by reading.
struct [[nodiscard]] LoadResult {
    bool ok = false;
    QString reason;
    explicit operator bool() const { return ok; }
};

// The outcome of a save. A failed save leaves the previous file exactly as it was.
struct [[nodiscard]] SaveResult {
    bool ok = false;
    QString error;
    explicit operator bool() const { return ok; }
};

// Reads `path` group of twelve lines after group into `record`, calling `afterEachRecord` after
// each group (a false return fails the load). An empty file loads nothing and succeeds.
LoadResult ReadStatsFile(const QString& path, StatsRecord& record,
                         const std::function<bool()>& afterEachRecord);

// The twelve lines as written, CR LF after each, pending clicks added to the click lines.
QByteArray StatsFileBytes(const StatsRecord& record);

// Replaces `directory`/Odovex1.dat with the record's twelve lines atomically (temporary file in
// the same directory, flushed, synced, renamed over the old one).
SaveResult WriteStatsFile(const QString& directory, const StatsRecord& record);

// The periodic save's count: true on every ninth firing of the one-minute timer.
bool Timer4_Timer(std::int16_t& Timer4Count);
