#pragma once

#include "engine/Labels.h"
#include "engine/StatsRecord.h"

#include <QDate>
#include <QDateTime>
#include <QString>

class Clock;
class DayHistory;

// The default locale's short date text; the form in which LastDate is stored and compared.
QString ShortDateText(const QDate& date);
// The default locale's general date-and-time text: short date, a blank, long time without a
// time zone, to the second; the time is left out at exactly midnight.
QString GeneralDateTimeText(const QDateTime& moment);

// The day rollover: when LastDate is not today's short date text, starts a new day (LastDate
// set and shown, pending clicks moved into ClicksTotal, Today counters zeroed and shown as "0").
// Returns false only when ClicksTotal cannot take the pending clicks (beyond the Currency
// range): the day is started all the same and ClicksTotal keeps its value. With a history, the
// day that ends gets its final row (pending clicks included) before the counters are zeroed, and
// the new day is opened.
bool DateCheck(StatsRecord& record, MainLabels& labels, const Clock& clock,
               DayHistory* history = nullptr);
