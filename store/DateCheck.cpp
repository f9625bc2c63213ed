#include "DateCheck.h"

#include "platform/Clock.h"

#include <QLocale>

// Placeholder until the day rollover is written.
QString ShortDateText(const QDate& date) {
    return QLocale().toString(date, QLocale::ShortFormat);
}
QString GeneralDateTimeText(const QDateTime& moment) {
    return QLocale().toString(moment, QLocale::ShortFormat);
}
void DateCheck(StatsRecord&, MainLabels&, const Clock&) {}
