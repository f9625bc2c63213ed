#include "HistoryBars.h"

#include <algorithm>

namespace {

constexpr int kDays = 30;
constexpr int kWeeks = 26;
constexpr int kMonths = 12;
constexpr int kDaysPerWeek = 7;
constexpr int kMonthsPerYear = 12;

QDate Monday(const QDate& day) {
    return day.addDays(1 - day.dayOfWeek());
}

QDate FirstOfMonth(const QDate& day) {
    return QDate(day.year(), day.month(), 1);
}

QDate BarStart(const QDate& day, Grouping grouping) {
    switch (grouping) {
    case Grouping::Week:
        return Monday(day);
    case Grouping::Month:
        return FirstOfMonth(day);
    case Grouping::Day:
        break;
    }
    return day;
}

// Which bar, counted from the bar starting at `first`, holds `day`.
qint64 BarIndex(const QDate& first, const QDate& day, Grouping grouping) {
    switch (grouping) {
    case Grouping::Week:
        return first.daysTo(day) / kDaysPerWeek;
    case Grouping::Month:
        return (day.year() - first.year()) * kMonthsPerYear + day.month() - first.month();
    case Grouping::Day:
        break;
    }
    return first.daysTo(day);
}

QDate NextBar(const QDate& start, Grouping grouping) {
    switch (grouping) {
    case Grouping::Week:
        return start.addDays(kDaysPerWeek);
    case Grouping::Month:
        return start.addMonths(1);
    case Grouping::Day:
        break;
    }
    return start.addDays(1);
}

} // namespace

double StatisticValue(const HistoryRow& row, Statistic statistic, UnitSystem units) {
    switch (statistic) {
    case Statistic::Clicks:
        return row.clicks.toDouble();
    case Statistic::Windows:
        return row.windows.toDouble();
    case Statistic::Travel:
        break;
    }
    return row.travelInches.toDouble() /
           (units == UnitSystem::Metric ? kInchesPerMeter : kInchesPerFoot);
}

PeriodBars BarsOf(const std::vector<HistoryRow>& rows, Statistic statistic, Period period,
                  const QDate& today, UnitSystem units) {
    PeriodBars out;
    if (!today.isValid()) {
        return out;
    }
    out.last = today;
    switch (period) {
    case Period::Days30:
        out.first = today.addDays(1 - kDays);
        break;
    case Period::Weeks26:
        out.grouping = Grouping::Week;
        out.first = Monday(today).addDays(-kDaysPerWeek * (kWeeks - 1));
        break;
    case Period::Months12:
        out.grouping = Grouping::Month;
        out.first = FirstOfMonth(today).addMonths(1 - kMonths);
        break;
    case Period::All:
        out.grouping = Grouping::Month;
        out.first = rows.empty() ? today : std::min(rows.front().date, today);
        out.last = rows.empty() ? today : std::max(rows.back().date, today);
        break;
    }
    const QDate firstBar = BarStart(out.first, out.grouping);
    for (QDate start = firstBar; start <= out.last; start = NextBar(start, out.grouping)) {
        out.bars.push_back({start, 0});
    }
    const auto from =
        std::lower_bound(rows.begin(), rows.end(), out.first,
                         [](const HistoryRow& row, const QDate& date) { return row.date < date; });
    for (auto row = from; row != rows.end() && row->date <= out.last; ++row) {
        const double value = StatisticValue(*row, statistic, units);
        out.bars[static_cast<size_t>(BarIndex(firstBar, row->date, out.grouping))].value += value;
        out.total += value;
        if (value > out.best) {
            out.bestDay = row->date;
            out.best = value;
        }
    }
    const QDate counted =
        rows.empty() ? out.last : std::clamp(rows.front().date, out.first, out.last);
    out.dailyAverage = out.total / static_cast<double>(counted.daysTo(out.last) + 1);
    return out;
}
