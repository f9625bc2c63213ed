#include "BarChart.h"

#include "engine/Display.h"

#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace {

// About this many steps from zero to the top of the value axis.
constexpr double kSteps = 5;
constexpr double kMargin = 8;
constexpr double kGap = 4;
// A bar takes this share of its column.
constexpr double kBarShare = 0.5;
const QColor kBarColour(0x20, 0x9f, 0xdf);
const QColor kGridColour(0xdd, 0xdd, 0xdd);
const QColor kAxisColour(0x88, 0x88, 0x88);

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

int StepCount(const ValueAxis& axis) {
    return static_cast<int>(std::lround(axis.top / axis.step));
}

} // namespace

ValueAxis AxisFor(double highest, bool whole) {
    if (!(highest > 0)) {
        highest = 1;
    }
    const double rough = highest / kSteps;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (const double nice : {1.0, 2.0, 2.5, 5.0}) {
        if (rough <= nice * power * (1 + 1e-9)) {
            step = nice * power;
            break;
        }
    }
    if (whole) {
        step = std::max(1.0, std::ceil(step));
    }
    return {std::ceil(highest / step - 1e-9) * step, step};
}

QString TickText(const ValueAxis& axis, int index) {
    constexpr int kMostDecimals = 6;
    int decimals = 0;
    for (double scaled = axis.step;
         decimals < kMostDecimals && std::abs(scaled - std::round(scaled)) > 1e-6 * scaled;
         scaled *= 10) {
        ++decimals;
    }
    return GroupingLocale().toString(axis.step * index, 'f', decimals);
}

BarChart::BarChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarChart::setBars(std::vector<double> values, std::vector<BarLabel> labels, QString title,
                       QString unit, bool whole, double least) {
    values_ = std::move(values);
    labels_ = std::move(labels);
    title_ = std::move(title);
    unit_ = std::move(unit);
    double highest = least;
    for (const double value : values_) {
        highest = std::max(highest, value);
    }
    axis_ = AxisFor(highest, whole);
    update();
}

QRectF BarChart::plotArea() const {
    const QFontMetricsF metrics(font());
    const QFontMetricsF bold(Bold(font()));
    double tickWidth = 0;
    for (int i = 0; i <= StepCount(axis_); ++i) {
        tickWidth = std::max(tickWidth, metrics.horizontalAdvance(TickText(axis_, i)));
    }
    const double left = kMargin + (unit_.isEmpty() ? 0 : bold.height() + kGap) + tickWidth + kGap;
    const double top = kMargin + metrics.height() / 2;
    const double bottom = kGap + metrics.height() + kGap + bold.height() + kMargin;
    return {left, top, width() - left - kMargin, height() - top - bottom};
}

double BarChart::slotWidth(const QRectF& plot) const {
    return plot.width() / static_cast<double>(std::max<size_t>(values_.size(), 1));
}

int BarChart::barAt(QPoint point) const {
    const QRectF plot = plotArea();
    if (!plot.contains(point)) {
        return -1;
    }
    const auto index = static_cast<size_t>((point.x() - plot.left()) / slotWidth(plot));
    return index < values_.size() ? static_cast<int>(index) : -1;
}

bool BarChart::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const int index = barAt(help->pos());
    if (index >= 0 && barText) {
        const QRectF plot = plotArea();
        const double slot = slotWidth(plot);
        const QRectF column(plot.left() + slot * index, plot.top(), slot, plot.height());
        QToolTip::showText(help->globalPos(), barText(index), this, column.toAlignedRect());
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

void BarChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRectF plot = plotArea();
    if (plot.width() <= 0 || plot.height() <= 0) {
        return;
    }
    const QFontMetricsF metrics(font());
    const QFontMetricsF bold(Bold(font()));
    const QColor text = palette().text().color();

    // The value axis: a grid line and a name at each tick, the unit turned along it.
    const int steps = StepCount(axis_);
    for (int i = 0; i <= steps; ++i) {
        const double y = plot.bottom() - plot.height() * i / steps;
        painter.setPen(i == 0 ? kAxisColour : kGridColour);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(text);
        painter.drawText(QRectF(0, y - metrics.height() / 2, plot.left() - kGap, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, TickText(axis_, i));
    }
    painter.setPen(kAxisColour);
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    if (!unit_.isEmpty()) {
        painter.save();
        painter.translate(kMargin, plot.center().y());
        painter.rotate(-90);
        painter.setFont(Bold(font()));
        painter.setPen(text);
        painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), bold.height()),
                         Qt::AlignCenter, unit_);
        painter.restore();
    }

    const double slot = slotWidth(plot);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBarColour);
    for (size_t i = 0; i < values_.size(); ++i) {
        const double height = plot.height() * std::clamp(values_[i] / axis_.top, 0.0, 1.0);
        painter.drawRect(QRectF(plot.left() + slot * (static_cast<double>(i) + kBarShare / 2),
                                plot.bottom() - height, slot * kBarShare, height));
    }

    // The names under the bars, the last kept inside the chart; one that would touch the name
    // before it is left out. A name of several bars has a grid line where its bars begin.
    double shownRight = -kGap;
    for (const BarLabel& label : labels_) {
        if (label.last > label.first && label.first > 0) {
            painter.setPen(kGridColour);
            const double x = plot.left() + slot * label.first;
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
        const double half = metrics.horizontalAdvance(label.text) / 2;
        const double centre =
            std::min(plot.left() + slot * (label.first + label.last + 1) / 2, width() - half - 1);
        if (centre - half < shownRight + kGap) {
            continue;
        }
        painter.setPen(text);
        painter.drawText(
            QRectF(centre - half, plot.bottom() + kGap, 2 * half + 1, metrics.height()),
            Qt::AlignCenter, label.text);
        shownRight = centre + half;
    }
    painter.setFont(Bold(font()));
    painter.setPen(text);
    painter.drawText(
        QRectF(plot.left(), height() - kMargin - bold.height(), plot.width(), bold.height()),
        Qt::AlignCenter, title_);
}
