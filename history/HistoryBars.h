#pragma once

#include "engine/Display.h"
#include "store/History.h"

#include <QDate>
#include <QString>
#include <vector>

enum class Statistic { Clicks, Windows, Travel };
// The periods the History window offers, each ending today: 30 days by day, 26 weeks (Monday to
// Sunday) by week, 12 months by month, and every day kept by month.
enum class Period { Days30, Weeks26, Months12, All };
enum class Grouping { Day, Week, Month };

// One bar: the sum of its days, in the statistic's unit.
struct Bar {
    QDate first; // the bar's day, the Monday of its week or the first of its month
    double value = 0;
};

// What a period shows: its bars, oldest first, and its summary.
struct PeriodBars {
    Grouping grouping = Grouping::Day;
    QDate first; // the period's first and last day
    QDate last;
    std::vector<Bar> bars;
    double total = 0;
    // Over the period's days from the first day kept on (before it nothing was counted), days
    // without a count included.
    double dailyAverage = 0;
    QDate bestDay; // the earliest day of the highest value; invalid when none is above 0
    double best = 0;
};

// A day's value for a statistic: clicks and windows as counted, travel in feet, or in meters
// under "Metric".
double StatisticValue(const HistoryRow& row, Statistic statistic, UnitSystem units);

// The bars of `period` ending on `today`, from rows in date order. "All" runs from the first
// row (or today) to the last row (or today) and is grouped by month.
PeriodBars BarsOf(const std::vector<HistoryRow>& rows, Statistic statistic, Period period,
                  const QDate& today, UnitSystem units);
