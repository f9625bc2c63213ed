#pragma once

#include "StatsFile.h"
#include "engine/Currency.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

struct StatsRecord;

// The history of the days: one row per day that had any count, beside the statistics file.
inline constexpr char kHistoryFileName[] = "OdovexHistory.csv";
inline constexpr char kHistoryHeader[] = "date,clicks,windows,travel_inches";

// One day's counts; travel in inches, as the record keeps it.
struct HistoryRow {
    QDate date;
    Currency clicks;
    Currency windows;
    Currency travelInches;
    friend bool operator==(const HistoryRow&, const HistoryRow&) = default;
};

// The file's text: the header, then the rows in date order, "\n" after each line. ISO dates,
// numbers with "." and no grouping, whatever the locale.
QByteArray HistoryBytes(const std::vector<HistoryRow>& rows);
// The rows of a history file's text, in date order; empty with `problem` set when the text is
// not such a file (another header, a line that is not a date and three numbers, a day twice). A
// UTF-8 byte order mark, CR LF line ends and empty lines are taken; rows without a count are
// dropped.
std::optional<std::vector<HistoryRow>> ParseHistory(QByteArrayView bytes, QString* problem);

// The day that a date text of the statistics file names (LastDate, written in some locale's
// short date form). Read in the default locale's form first; when that gives no day within a
// day of `savedOn` (the file was written under another locale), the reading nearest `savedOn`
// among every locale's form is taken. A two-digit year falls in the century nearest `savedOn`.
// `savedOn` itself when no form reads the text (an empty LastDate).
QDate DayOfDateText(const QString& text, const QDate& savedOn);

// The days kept in memory and the day the record's Today counters belong to. The open day's row
// is the counts kept from before the last Reset of that day (its base) plus the Today counters,
// pending clicks included; it is brought up to date when asked, never by the tick.
class DayHistory {
public:
    // Reads `directory`/OdovexHistory.csv. A file that is there but cannot be read or does not
    // parse is renamed aside (never deleted) and a new history begins; the returned text says
    // so, once. Empty when there is nothing to tell.
    QString load(const QString& directory, const QDateTime& now);
    // After the statistics file is loaded: the Today counters belong to today when LastDate is
    // today's text, else to the day LastDate names (see DayOfDateText).
    void start(const StatsRecord& record, const QDate& today, const QDate& savedOn);
    // From now on the Today counters belong to `day`; what that day's row already holds beyond
    // them is its base.
    void openDay(const StatsRecord& record, const QDate& day);
    // The open day's row brought up to date.
    void update(const StatsRecord& record);
    // Before a Reset zeroes the Today counters: the day's row keeps what they hold.
    void keepCounts(const StatsRecord& record);
    // Replaces `directory`/OdovexHistory.csv with the rows, atomically; the statistics file is
    // never touched. A failure leaves the rows in memory for the next save.
    SaveResult save(const QString& directory);

    const std::vector<HistoryRow>& rows() const { return rows_; }
    // The rows with the open day's as it stands now; nothing is changed.
    std::vector<HistoryRow> rowsAsOf(const StatsRecord& record) const;
    QDate day() const { return day_; }
    // True when the rows changed since the last good save.
    bool unsaved() const { return unsaved_; }

private:
    HistoryRow currentRow(const StatsRecord& record) const;
    void setRow(const HistoryRow& row);

    std::vector<HistoryRow> rows_;
    QDate day_;
    HistoryRow base_;
    bool unsaved_ = false;
    // Why the file in the history's place must not be replaced, when it could not be set aside.
    QString blocked_;
};
