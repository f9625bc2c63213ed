#pragma once

#include "engine/StatsRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

inline constexpr char kStatsFileName[] = "Odovex1.dat";
// Lines per record; a file holds one record or more, one after the other.
inline constexpr int kLinesPerRecord = 12;
// The longest line the reader accepts, in bytes without its line end. The longest line ever
// written is a date text of a few dozen bytes; the cap turns an endless line into a failure
// instead of a memory hog.
inline constexpr int kMaxLineBytes = 4096;
// The periodic save runs on every ninth firing of the one-minute timer.
inline constexpr int kSaveEveryMinutes = 9;

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

// Reads the file's bytes as they arrive, in chunks of any size, holding at most one line. A
// line ends at CR LF, a lone CR or a lone LF; the last line may end at the end of the file.
// Text is UTF-8. Number lines hold at most one decimal separator, whichever a locale writes (a
// full stop, a comma or the Arabic decimal separator) whatever the current locale, and no
// grouping, so a file reads the same under every locale; boolean lines hold "True"/"False" in
// any case or such a number (zero is false). A group of twelve lines reaches the
// record only once all twelve have converted; then the pending clicks are cleared (the loaded
// counts include them) and `afterEachRecord` runs, a false return failing the load. The first
// failure ends the read; later bytes are ignored.
class StatsFileReader {
public:
    StatsFileReader(StatsRecord& record, std::function<bool()> afterEachRecord);
    // False once the read has failed.
    bool feed(QByteArrayView bytes);
    // The outcome, once every byte has been fed. An empty input loads nothing and succeeds.
    LoadResult finish();

private:
    bool endLine();
    bool fail(const QString& reason);

    StatsRecord& record_;
    std::function<bool()> afterEachRecord_;
    StatsRecord staged_;
    QByteArray line_;
    bool afterCarriageReturn_ = false;
    int lineInRecord_ = 0;
    std::int64_t lineNumber_ = 0;
    std::optional<QString> failure_;
};

// Reads the file at `path` record after record into `record`, calling `afterEachRecord` after
// each. Only a regular file is read, and it is opened read-only; a link is followed. A bare name
// is looked up in the current directory, whatever bytes the directory's own name holds.
LoadResult ReadStatsFile(const QString& path, StatsRecord& record,
                         const std::function<bool()>& afterEachRecord);

// The twelve lines as written, CR LF after each, pending clicks added to the click lines (a sum
// beyond the Currency range is held at its end). Empty when the record holds a text the reader
// would not take back: one with a line break or over the line cap.
std::optional<QByteArray> StatsFileBytes(const StatsRecord& record,
                                         const QLocale& locale = QLocale());

// Replaces `directory`/Odovex1.dat with the record's twelve lines atomically, as
// ReplaceFileContents does: an empty `directory` is the current directory, a link keeps pointing at
// the file it names. On failure the old file is left byte for byte and the temporary file is
// removed.
SaveResult WriteStatsFile(const QString& directory, const StatsRecord& record);

// The periodic save's count: true on every ninth firing of the one-minute timer.
bool Timer4_Timer(std::int16_t& Timer4Count);
