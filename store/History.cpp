#include "History.h"

#include "DateCheck.h"
#include "ReplaceFile.h"
#include "engine/CurrencyText.h"
#include "engine/StatsRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Ten years of rows take about 110 KB; a file far beyond any history is not read into memory.
constexpr qint64 kMaxHistoryBytes = 64 * 1024 * 1024;
constexpr int kMaxAsideNames = 100;

// How much `row` holds beyond `now`, never below zero.
Currency Beyond(Currency row, Currency now) {
    if (row <= now) {
        return {};
    }
    // Positive, and exact in unsigned arithmetic; only a `now` far below zero could exceed the
    // range.
    const std::uint64_t difference =
        static_cast<std::uint64_t>(row.raw()) - static_cast<std::uint64_t>(now.raw());
    return Currency::fromRaw(difference > INT64_MAX ? INT64_MAX
                                                    : static_cast<std::int64_t>(difference));
}

bool HasCount(const HistoryRow& row) {
    return !row.clicks.isZero() || !row.windows.isZero() || !row.travelInches.isZero();
}

bool Earlier(const HistoryRow& row, const QDate& date) {
    return row.date < date;
}

// Puts `row` in its place in `rows`, or takes the day out when it has no count. True when the
// rows changed.
bool PutRow(std::vector<HistoryRow>& rows, const HistoryRow& row) {
    const auto at = std::lower_bound(rows.begin(), rows.end(), row.date, Earlier);
    const bool present = at != rows.end() && at->date == row.date;
    if (!HasCount(row)) {
        if (present) {
            rows.erase(at);
        }
        return present;
    }
    if (present && *at == row) {
        return false;
    }
    if (present) {
        *at = row;
    } else {
        rows.insert(at, row);
    }
    return true;
}

// A day written YYYY-MM-DD, exactly so; invalid otherwise. (Qt's ISO reader also takes a
// one-digit month or day.)
QDate IsoDate(QStringView text) {
    constexpr qsizetype kLength = 10;
    int digits[8] = {};
    int count = 0;
    for (qsizetype i = 0; i < text.size() && text.size() == kLength; ++i) {
        const bool dash = i == 4 || i == 7;
        const char16_t c = text[i].unicode();
        if (dash ? c != u'-' : c < u'0' || c > u'9') {
            return {};
        }
        if (!dash) {
            digits[count++] = c - u'0';
        }
    }
    if (count != 8) {
        return {};
    }
    const auto number = [&](int from, int to) {
        int value = 0;
        for (int i = from; i < to; ++i) {
            value = value * 10 + digits[i];
        }
        return value;
    };
    return QDate(number(0, 4), number(4, 6), number(6, 8));
}

// YYYY-MM-DD, built from the numbers: QDate::toString relies on Qt's calendar registry, which
// may already be gone when the last save runs inside exit() (a lost X connection).
QString IsoText(const QDate& date) {
    const auto digits = [](int value, int width) {
        return QString::number(value).rightJustified(width, u'0');
    };
    return digits(date.year(), 4) + u'-' + digits(date.month(), 2) + u'-' + digits(date.day(), 2);
}

QString Number(Currency value) {
    return CurrencyToText(value, u".");
}

// Blanks read alike: releases of Qt's locale data write a space, a no-break space or a narrow
// no-break space in the same place.
QString PlainBlanks(QString text) {
    return text.replace(QChar(0x00A0), u' ').replace(QChar(0x202F), u' ');
}

// The day `text` names in `locale`'s short date form. Qt reads a two-digit year as 19yy; it is
// put in the century nearest `near`.
QDate ReadShortDate(const QString& text, const QLocale& locale, const QDate& near) {
    const QString format = PlainBlanks(locale.dateFormat(QLocale::ShortFormat));
    const QDate date = locale.toDate(PlainBlanks(text), format);
    if (!date.isValid() || format.contains(QLatin1String("yyyy"))) {
        return date;
    }
    QDate best = date;
    for (int centuries = 1; centuries <= 2; ++centuries) {
        const QDate later = date.addYears(100 * centuries);
        if (std::abs(later.daysTo(near)) < std::abs(best.daysTo(near))) {
            best = later;
        }
    }
    return best;
}

} // namespace

QByteArray HistoryBytes(const std::vector<HistoryRow>& rows) {
    QString text = QLatin1String(kHistoryHeader) + u'\n';
    for (const HistoryRow& row : rows) {
        text += IsoText(row.date) + u',' + Number(row.clicks) + u',' + Number(row.windows) + u',' +
                Number(row.travelInches) + u'\n';
    }
    return text.toUtf8();
}

std::optional<std::vector<HistoryRow>> ParseHistory(QByteArrayView bytes, QString* problem) {
    qsizetype lineNumber = 0;
    const auto fail = [&](const char* why) {
        if (problem != nullptr) {
            *problem = QStringLiteral("line %1: %2").arg(lineNumber).arg(QLatin1String(why));
        }
        return std::nullopt;
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    }
    std::vector<HistoryRow> rows;
    bool headerSeen = bytes.isEmpty();
    while (!bytes.isEmpty()) {
        ++lineNumber;
        const qsizetype end = bytes.indexOf('\n');
        QByteArrayView line = end < 0 ? bytes : bytes.first(end);
        bytes = end < 0 ? QByteArrayView() : bytes.sliced(end + 1);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (!headerSeen) {
            if (line != QByteArrayView(kHistoryHeader)) {
                return fail("not the header of a history");
            }
            headerSeen = true;
            continue;
        }
        if (line.isEmpty()) {
            continue;
        }
        const QString text = QString::fromLatin1(line);
        const QList<QStringView> fields = QStringView(text).split(u',');
        if (fields.size() != 4) {
            return fail("not four fields");
        }
        HistoryRow row;
        row.date = IsoDate(fields[0]);
        if (!row.date.isValid()) {
            return fail("not a date (YYYY-MM-DD)");
        }
        Currency* const values[] = {&row.clicks, &row.windows, &row.travelInches};
        for (int i = 0; i < 3; ++i) {
            const std::optional<Currency> value = CurrencyFromText(fields[i + 1], u".", u"");
            if (!value) {
                return fail("not a number in range");
            }
            *values[i] = *value;
        }
        if (HasCount(row)) {
            rows.push_back(row);
        }
    }
    if (!headerSeen) {
        return fail("no header");
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const HistoryRow& a, const HistoryRow& b) { return a.date < b.date; });
    const auto twice = std::adjacent_find(
        rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.date == b.date; });
    if (twice != rows.end()) {
        if (problem != nullptr) {
            *problem = QStringLiteral("the day %1 twice").arg(IsoText(twice->date));
        }
        return std::nullopt;
    }
    return rows;
}

QDate DayOfDateText(const QString& text, const QDate& savedOn) {
    if (text.isEmpty()) {
        return savedOn; // a file that never held a day
    }
    const QDate own = ReadShortDate(text, QLocale(), savedOn);
    if (own.isValid() && std::abs(own.daysTo(savedOn)) <= 1) {
        return own;
    }
    // Written under another locale: the reading nearest the day the file was saved, each form
    // tried once (forms that name the month in words are tried in every language).
    QDate best = own;
    QSet<QString> tried;
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory)) {
        const QString format = locale.dateFormat(QLocale::ShortFormat);
        if (!format.contains(QLatin1String("MMM")) && tried.contains(format)) {
            continue;
        }
        tried.insert(format);
        const QDate date = ReadShortDate(text, locale, savedOn);
        if (date.isValid() &&
            (!best.isValid() || std::abs(date.daysTo(savedOn)) < std::abs(best.daysTo(savedOn)))) {
            best = date;
        }
    }
    return best.isValid() ? best : savedOn;
}

QString DayHistory::load(const QString& directory, const QDateTime& now) {
    *this = DayHistory();
    const QDir dir(directory);
    const QString path = dir.filePath(QLatin1String(kHistoryFileName));
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return {};
    }
    QString problem = QStringLiteral("not a regular file");
    if (info.isFile()) {
        QFile file(path);
        if (info.size() > kMaxHistoryBytes) {
            problem = QStringLiteral("larger than any history");
        } else if (!file.open(QIODevice::ReadOnly)) {
            problem = file.errorString();
        } else if (std::optional<std::vector<HistoryRow>> rows =
                       ParseHistory(file.readAll(), &problem)) {
            rows_ = std::move(*rows);
            return {};
        }
    }
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= kMaxAsideNames; ++n) {
        const QString aside = QStringLiteral("OdovexHistory-unreadable-%1%2.csv")
                                  .arg(stamp, n == 1 ? QString() : QStringLiteral("-%1").arg(n));
        const QString asidePath = dir.filePath(aside);
        if (!QFileInfo(asidePath).exists() && !QFileInfo(asidePath).isSymLink() &&
            QFile::rename(path, asidePath)) {
            return QStringLiteral("%1 could not be read (%2); it is kept as %3 and a new history "
                                  "begins.")
                .arg(QLatin1String(kHistoryFileName), problem, aside);
        }
    }
    blocked_ = QStringLiteral("%1 could not be read (%2) nor set aside; it is left as it is")
                   .arg(path, problem);
    return blocked_ + QStringLiteral(" and no history is kept in this run.");
}

void DayHistory::start(const StatsRecord& record, const QDate& today, const QDate& savedOn) {
    openDay(record, record.LastDate == ShortDateText(today)
                        ? today
                        : DayOfDateText(record.LastDate, savedOn));
}

HistoryRow DayHistory::currentRow(const StatsRecord& record) const {
    const Currency clicks =
        record.ClicksToday.clampedPlus(*Currency::fromInt(record.PendingClicks));
    return {day_, base_.clicks.clampedPlus(clicks), base_.windows.clampedPlus(record.WindowsToday),
            base_.travelInches.clampedPlus(record.TravelToday)};
}

void DayHistory::openDay(const StatsRecord& record, const QDate& day) {
    day_ = day;
    base_ = {};
    const HistoryRow counters = currentRow(record);
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), day, Earlier);
    if (at != rows_.end() && at->date == day) {
        base_ = {day, Beyond(at->clicks, counters.clicks), Beyond(at->windows, counters.windows),
                 Beyond(at->travelInches, counters.travelInches)};
    }
    update(record);
}

void DayHistory::update(const StatsRecord& record) {
    if (day_.isValid() && PutRow(rows_, currentRow(record))) {
        unsaved_ = true;
    }
}

void DayHistory::keepCounts(const StatsRecord& record) {
    update(record);
    base_ = currentRow(record);
}

SaveResult DayHistory::save(const QString& directory) {
    if (!blocked_.isEmpty()) {
        return {false, blocked_};
    }
    QString error =
        ReplaceFileContents(directory, QLatin1String(kHistoryFileName), HistoryBytes(rows_));
    unsaved_ = unsaved_ && !error.isEmpty();
    return {error.isEmpty(), std::move(error)};
}

std::vector<HistoryRow> DayHistory::rowsAsOf(const StatsRecord& record) const {
    std::vector<HistoryRow> rows = rows_;
    if (day_.isValid()) {
        PutRow(rows, currentRow(record));
    }
    return rows;
}
