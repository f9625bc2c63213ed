#pragma once

#include "engine/Labels.h"
#include "engine/StatsRecord.h"

#include <QDate>
#include <QDateTime>
#include <QString>

class Clock;

// The locale's short date text; the form in which LastDate is stored and compared.
QString ShortDateText(const QDate& date);
// The locale's general date-and-time text: short date, a blank, long time; the time is left out
// at exactly midnight.
QString GeneralDateTimeText(const QDateTime& moment);

// The day rollover: when LastDate is not today's text, starts a new day.
void DateCheck(StatsRecord& record, MainLabels& labels, const Clock& clock);
