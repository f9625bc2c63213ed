#pragma once

#include "HistoryBars.h"

#include <QDialog>
#include <QImage>
#include <functional>
#include <vector>

class BarChart;
class QComboBox;
class QLabel;
class QPushButton;

// What the History window shows: the days with today's as it stands, the day that is today, and
// the units of the travel.
struct HistoryView {
    std::vector<HistoryRow> rows;
    QDate today;
    UnitSystem units = UnitSystem::English;
    friend bool operator==(const HistoryView&, const HistoryView&) = default;
};

// The History window: one statistic at a time as a bar chart over a chosen period, the period's
// total, daily average and best day below it, and an export of what is shown. It reads its days
// from `source` whenever it is shown or brought to the front, so it follows today's counts and
// the units setting. Escape closes it; it is hidden, not destroyed.
class frmHistory : public QDialog {
    Q_OBJECT
public:
    explicit frmHistory(std::function<HistoryView()> source, QWidget* parent = nullptr);

    // Reads the source again and redraws when anything changed.
    void refresh();
    // Writes the shown bars as CSV, all three statistics, or the chart under exportTitle() as a
    // PNG image when the name ends in ".png" (any case), replacing the file atomically. On
    // failure the file is left as it was; the window tells either outcome.
    bool exportTo(const QString& path);
    // The statistic, the period and its days.
    QString exportTitle() const;
    // Asks for a file name, then exports.
    void cmdExport_Click();
    // What hovering bar `index` shows: its day, week or month and its value.
    QString barText(int index) const;

    const PeriodBars& shown() const { return bars_; }
    Statistic statistic() const;
    Period period() const;

    // Asks where to export: returns the name (empty when cancelled) and the chosen filter. The
    // desktop's save dialog; tests put a stand-in here.
    std::function<QString(QWidget* parent, QString* selectedFilter)> chooseExportFile;

    QComboBox* cboStatistic = nullptr;
    QComboBox* cboPeriod = nullptr;
    BarChart* chart = nullptr;
    QLabel* lblTotal = nullptr;
    QLabel* lblAverage = nullptr;
    QLabel* lblBest = nullptr;
    QLabel* lblExported = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void draw();
    QString valueText(double value, int decimals) const;
    QByteArray csvBytes() const;
    QImage chartImage() const;

    std::function<HistoryView()> source_;
    HistoryView view_;
    PeriodBars bars_;
    bool drawn_ = false;
};
