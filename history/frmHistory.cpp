#include "frmHistory.h"

#include "BarChart.h"
#include "platform/forms/Forms.h"
#include "splash/AppIcon.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <algorithm>
#include <array>

namespace {

constexpr int kWidthTwips = 11400;
constexpr int kHeightTwips = 7200;
constexpr double kTextPoints = 8.25;
// Up to this many months each bar is named on the axis; more are named by year.
constexpr int kNamedMonths = 12;
// The value axis of a count runs at least this high, so that its ticks are whole numbers.
constexpr double kLeastCountAxis = 4;

const std::array<QString, 3> kStatisticNames{QStringLiteral("Input Clicks"),
                                             QStringLiteral("Windows Viewed"),
                                             QStringLiteral("Mouse Travel")};
const std::array<QString, 3> kColumnNames{QStringLiteral("input_clicks"),
                                          QStringLiteral("windows_viewed"),
                                          QStringLiteral("mouse_travel")};
const std::array<QString, 4> kPeriodNames{
    QStringLiteral("Last 30 days"), QStringLiteral("Last 26 weeks"),
    QStringLiteral("Last 12 months"), QStringLiteral("Every day kept")};
const QString kCsvFilter = QStringLiteral("CSV file (*.csv)");
const QString kPngFilter = QStringLiteral("PNG image (*.png)");

QString UnitName(UnitSystem units) {
    return units == UnitSystem::Metric ? QStringLiteral("Meters") : QStringLiteral("Feet");
}

// A bar's name in the export and when hovered: its day, its week's Monday, or its month.
QString BarName(const Bar& bar, Grouping grouping) {
    return grouping == Grouping::Month ? bar.first.toString(QStringLiteral("yyyy-MM"))
                                       : bar.first.toString(Qt::ISODate);
}

// The names under the bars. A name must fit the width of what it names, and ten years of months
// would lay out 121 of them: days are named by the day of the month, up to twelve months by the
// month, and weeks and more months by spans of their month or year.
std::vector<BarLabel> LabelsUnder(const PeriodBars& bars) {
    const auto count = static_cast<int>(bars.bars.size());
    const bool each = bars.grouping == Grouping::Day ||
                      (bars.grouping == Grouping::Month && count <= kNamedMonths);
    const auto name = [&](int i) {
        const QDate first = bars.bars[static_cast<size_t>(i)].first;
        switch (bars.grouping) {
        case Grouping::Week:
            return first.toString(QStringLiteral("yyyy-MM"));
        case Grouping::Month:
            return each ? QLocale().monthName(first.month(), QLocale::ShortFormat)
                        : first.toString(QStringLiteral("yyyy"));
        case Grouping::Day:
            break;
        }
        return QString::number(first.day());
    };
    std::vector<BarLabel> labels;
    for (int i = 0; i < count; ++i) {
        if (each || labels.empty() || labels.back().text != name(i)) {
            labels.push_back({i, i, name(i)});
        } else {
            labels.back().last = i;
        }
    }
    return labels;
}

QString GroupingColumn(Grouping grouping) {
    switch (grouping) {
    case Grouping::Week:
        return QStringLiteral("week");
    case Grouping::Month:
        return QStringLiteral("month");
    case Grouping::Day:
        break;
    }
    return QStringLiteral("day");
}

QPushButton* Button(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

frmHistory::frmHistory(std::function<HistoryView()> source, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      source_(std::move(source)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Odovex History"));
    setWindowIcon(AppIcon());
    setFont(FormFont(kTextPoints));
    resize(TwipsSize(kWidthTwips, kHeightTwips));
    chooseExportFile = [](QWidget* parent, QString* filter) {
        return QFileDialog::getSaveFileName(
            parent, QStringLiteral("Export History"),
            QDir::home().filePath(QStringLiteral("Odovex history.csv")),
            kCsvFilter + QStringLiteral(";;") + kPngFilter, filter);
    };

    cboStatistic = new QComboBox(this);
    cboStatistic->addItems({kStatisticNames.begin(), kStatisticNames.end()});
    cboPeriod = new QComboBox(this);
    cboPeriod->addItems({kPeriodNames.begin(), kPeriodNames.end()});
    auto* lblStatistic = new QLabel(QStringLiteral("&Statistic:"), this);
    lblStatistic->setBuddy(cboStatistic);
    auto* lblPeriod = new QLabel(QStringLiteral("&Period:"), this);
    lblPeriod->setBuddy(cboPeriod);

    chart = new BarChart(this);
    chart->barText = [this](int index) {
        return barText(index);
    };

    lblTotal = new QLabel(this);
    lblAverage = new QLabel(this);
    lblBest = new QLabel(this);
    lblExported = new QLabel(this);
    lblExported->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* cmdExport = Button(QStringLiteral("&Export..."), this);
    QPushButton* cmdClose = Button(QStringLiteral("&Close"), this);

    auto* choices = new QHBoxLayout();
    choices->addWidget(lblStatistic);
    choices->addWidget(cboStatistic);
    choices->addSpacing(TwipsToPixels(240));
    choices->addWidget(lblPeriod);
    choices->addWidget(cboPeriod);
    choices->addStretch();
    auto* summary = new QHBoxLayout();
    for (QLabel* label : {lblTotal, lblAverage, lblBest}) {
        summary->addWidget(label, 1);
    }
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(lblExported, 1);
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdClose);
    auto* column = new QVBoxLayout(this);
    column->addLayout(choices);
    column->addWidget(chart, 1);
    column->addLayout(summary);
    column->addLayout(buttons);

    connect(cboStatistic, &QComboBox::currentIndexChanged, this, &frmHistory::draw);
    connect(cboPeriod, &QComboBox::currentIndexChanged, this, &frmHistory::draw);
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory::cmdExport_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    refresh();
}

Statistic frmHistory::statistic() const {
    return static_cast<Statistic>(cboStatistic->currentIndex());
}

Period frmHistory::period() const {
    return static_cast<Period>(cboPeriod->currentIndex());
}

void frmHistory::refresh() {
    HistoryView view = source_();
    if (drawn_ && view == view_) {
        return;
    }
    view_ = std::move(view);
    draw();
}

void frmHistory::showEvent(QShowEvent* event) {
    refresh();
    QDialog::showEvent(event);
}

void frmHistory::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        refresh();
    }
    QDialog::changeEvent(event);
}

QString frmHistory::valueText(double value, int decimals) const {
    const QString number = GroupingLocale().toString(value, 'f', decimals);
    return statistic() == Statistic::Travel ? number + u' ' + UnitName(view_.units) : number;
}

void frmHistory::draw() {
    drawn_ = true;
    bars_ = BarsOf(view_.rows, statistic(), period(), view_.today, view_.units);
    const bool travel = statistic() == Statistic::Travel;
    const int decimals = travel ? 2 : 0;
    std::vector<double> values;
    for (const Bar& bar : bars_.bars) {
        values.push_back(bar.value);
    }
    chart->setBars(std::move(values), LabelsUnder(bars_),
                   bars_.first.toString(Qt::ISODate) + QStringLiteral(" to ") +
                       bars_.last.toString(Qt::ISODate),
                   travel ? UnitName(view_.units) : QString(), !travel,
                   travel ? 0 : kLeastCountAxis);
    lblTotal->setText(QStringLiteral("Total: ") + valueText(bars_.total, decimals));
    lblAverage->setText(QStringLiteral("Daily average: ") +
                        valueText(bars_.dailyAverage, travel ? 2 : 1));
    lblBest->setText(QStringLiteral("Best day: ") +
                     (bars_.bestDay.isValid()
                          ? bars_.bestDay.toString(Qt::ISODate) + QStringLiteral(", ") +
                                valueText(bars_.best, decimals)
                          : QStringLiteral("none")));
}

QString frmHistory::barText(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= bars_.bars.size()) {
        return {};
    }
    const Bar& bar = bars_.bars[static_cast<size_t>(index)];
    const QString name = BarName(bar, bars_.grouping);
    return (bars_.grouping == Grouping::Week ? QStringLiteral("Week of ") + name : name) +
           QStringLiteral(": ") + valueText(bar.value, statistic() == Statistic::Travel ? 2 : 0);
}

QString frmHistory::exportTitle() const {
    return cboStatistic->currentText() + QStringLiteral(", ") + cboPeriod->currentText() +
           QStringLiteral(" (") + bars_.first.toString(Qt::ISODate) + QStringLiteral(" to ") +
           bars_.last.toString(Qt::ISODate) + u')';
}

// All three statistics of the shown bars, whichever is on screen.
QByteArray frmHistory::csvBytes() const {
    QString text = GroupingColumn(bars_.grouping);
    std::vector<PeriodBars> columns;
    for (size_t i = 0; i < kColumnNames.size(); ++i) {
        const auto statistic = static_cast<Statistic>(i);
        text +=
            u',' + kColumnNames[i] +
            (statistic == Statistic::Travel ? u'_' + UnitName(view_.units).toLower() : QString());
        columns.push_back(BarsOf(view_.rows, statistic, period(), view_.today, view_.units));
    }
    text += u'\n';
    for (size_t bar = 0; bar < bars_.bars.size(); ++bar) {
        text += BarName(bars_.bars[bar], bars_.grouping);
        for (size_t i = 0; i < columns.size(); ++i) {
            const bool travel = static_cast<Statistic>(i) == Statistic::Travel;
            text += u',' + QString::number(columns[i].bars[bar].value, 'f', travel ? 2 : 0);
        }
        text += u'\n';
    }
    return text.toUtf8();
}

// The chart under a heading that names the statistic and the period.
QImage frmHistory::chartImage() const {
    QFont font = chart->font();
    font.setBold(true);
    const int heading = QFontMetrics(font).height() * 2;
    const qreal ratio = chart->devicePixelRatioF();
    QImage image(QSize(chart->width(), chart->height() + heading) * ratio,
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(chart->palette().base().color());
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(chart->palette().text().color());
    painter.drawText(QRect(0, 0, chart->width(), heading), Qt::AlignCenter, exportTitle());
    painter.drawPixmap(0, heading, chart->grab());
    return image;
}

bool frmHistory::exportTo(const QString& path) {
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written && path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        written = chartImage().save(&file, "PNG");
    } else if (written) {
        const QByteArray bytes = csvBytes();
        written = file.write(bytes) == bytes.size();
    }
    written = written && file.commit();
    const QString shownPath = QDir::toNativeSeparators(path);
    lblExported->setText(
        written ? QStringLiteral("Saved %1").arg(shownPath)
                : QStringLiteral("Could not save %1: %2").arg(shownPath, file.errorString()));
    return written;
}

void frmHistory::cmdExport_Click() {
    QString filter = kCsvFilter;
    QString path = chooseExportFile(this, &filter);
    if (path.isEmpty()) {
        return;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("csv") && suffix != QLatin1String("png")) {
        path += filter == kPngFilter ? QStringLiteral(".png") : QStringLiteral(".csv");
    }
    exportTo(path);
}
