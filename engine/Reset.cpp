#include "Reset.h"

#include "Labels.h"
#include "StatsRecord.h"

void ResetCounters(StatsRecord& record, MainLabels& labels, const QString& sinceDate) {
    const QString zero = QStringLiteral("0");
    record.PendingClicks = 0;
    record.ClicksToday = {};
    record.TravelToday = {};
    record.PrevCursorValid = kFalse;
    record.WindowsToday = {};
    labels.write(Label::WindowsViewed, zero);
    labels.write(Label::InputClicks, zero);
    record.SinceDate = sinceDate;
    labels.write(Label::SinceDate, record.SinceDate);
    record.ClicksTotal = {};
    record.WindowsTotal = {};
    record.TravelTotal = {};
    labels.write(Label::TotalWinCount, zero);
    labels.write(Label::TotalInputClicks, zero);
}
