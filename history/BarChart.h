#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

// A value axis from zero: its top and the distance between its ticks.
struct ValueAxis {
    double top = 1;
    double step = 1;
    friend bool operator==(const ValueAxis&, const ValueAxis&) = default;
};

// The axis that holds `highest` in about five ticks of 1, 2, 2.5 or 5 times a power of ten;
// with `whole` the ticks are whole numbers. Nothing above zero gets the axis from 0 to 1.
ValueAxis AxisFor(double highest, bool whole);

// The name of the value axis's tick `index`: its value in the locale's digits and groups, with
// as many decimals as the axis's step needs and no more.
QString TickText(const ValueAxis& axis, int index);

// A name under the bars, centred under bars `first` to `last`.
struct BarLabel {
    int first = 0;
    int last = 0;
    QString text;
};

// One series of values as bars over a value axis, with names under the bars and a title under
// the names. Hovering a bar shows `barText` of its index. It paints itself with QPainter, so
// the program needs no charting library on any platform.
class BarChart : public QWidget {
public:
    explicit BarChart(QWidget* parent = nullptr);

    // Shows `values` (oldest first) named by `labels`; the value axis is titled `unit` and holds
    // at least `least`, its ticks whole numbers when `whole`.
    void setBars(std::vector<double> values, std::vector<BarLabel> labels, QString title,
                 QString unit, bool whole, double least);
    const std::vector<double>& values() const { return values_; }
    // The bar whose column holds `point`, or -1.
    int barAt(QPoint point) const;

    std::function<QString(int index)> barText;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRectF plotArea() const;
    double slotWidth(const QRectF& plot) const;

    std::vector<double> values_;
    std::vector<BarLabel> labels_;
    QString title_;
    QString unit_;
    ValueAxis axis_;
};
