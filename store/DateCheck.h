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

// LastDate as loaded from a file saved on `savedOn`, written in the default locale's short date
// form: the day it names is read as DayOfDateText reads it, in whichever locale's form the file
// holds it, so that the day check and the history agree on the day. Empty stays empty.
QString LastDateInLocale(const QString& loaded, const QDate& savedOn);

// The day rollover: when LastDate is not today's short date text, starts a new day (LastDate
// set and shown, pending clicks moved into ClicksTotal, which stays at the end of its range
// when it reaches it, Today counters zeroed and shown as "0"). With a history, the day that ends
// gets its final row (pending clicks included) before the counters are zeroed, and the new day
// is opened.
void DateCheck(StatsRecord& record, MainLabels& labels, const Clock& clock,
               DayHistory* history = nullptr);
