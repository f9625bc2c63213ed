#include "DateCheck.h"

#include "History.h"
#include "platform/Clock.h"

#include <QLocale>

namespace {

// Qt's long time formats carry a time-zone designator ("t", "(t)", "[t]", ", t", "t " before
// the time) that the desktop's general date-and-time text does not show. Drops it, with the
// brackets and separators that only framed it; quoted literals stay as they are.
QString WithoutTimeZone(const QString& format) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        quoted = quoted != (c == u'\'');
        if (quoted || c != u't') {
            result += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == u't') {
            ++i;
        }
        const bool framed = result.endsWith(u'(') || result.endsWith(u'[');
        if (framed && i + 1 < format.size() && (format[i + 1] == u')' || format[i + 1] == u']')) {
            result.chop(1);
            ++i;
        }
    }
    const auto isFrame = [](QChar c) {
        return c == u' ' || c == u',';
    };
    while (!result.isEmpty() && isFrame(result.back())) {
        result.chop(1);
    }
    while (!result.isEmpty() && isFrame(result.front())) {
        result.remove(0, 1);
    }
    return result;
}

} // namespace

QString ShortDateText(const QDate& date) {
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString GeneralDateTimeText(const QDateTime& moment) {
    const QLocale locale;
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    const QTime time = moment.time();
    const QTime toTheSecond(time.hour(), time.minute(), time.second());
    if (toTheSecond == QTime(0, 0)) {
        return date;
    }
    return date + u' ' +
           locale.toString(toTheSecond, WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString LastDateInLocale(const QString& loaded, const QDate& savedOn) {
    return loaded.isEmpty() ? loaded : ShortDateText(DayOfDateText(loaded, savedOn));
}

void DateCheck(StatsRecord& record, MainLabels& labels, const Clock& clock, DayHistory* history) {
    if (record.LastDate == ShortDateText(clock.now().date())) {
        return;
    }
    if (history != nullptr) {
        history->update(record);
    }
    const QDate today = clock.now().date();
    record.LastDate = ShortDateText(today);
    labels.write(Label::Date, record.LastDate);
    // The clicks of the day that ends count for the total only.
    record.ClicksTotal = record.ClicksTotal.clampedPlus(*Currency::fromInt(record.PendingClicks));
    record.PendingClicks = 0;
    record.ClicksToday = Currency();
    record.TravelToday = Currency();
    record.PrevCursorValid = kFalse;
    record.WindowsToday = Currency();
    labels.write(Label::WindowsViewed, QStringLiteral("0"));
    labels.write(Label::InputClicks, QStringLiteral("0"));
    if (history != nullptr) {
        history->openDay(record, today);
    }
}
