#include "frmOdovexSetup.h"

#include "KeyPressFilter.h"
#include "engine/CurrencyText.h"
#include "platform/AutostartEntry.h"
#include "platform/DesktopProbe.h"
#include "platform/forms/Forms.h"
#include "splash/AppIcon.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace {

constexpr int kClientWidth = 3360; // twips
constexpr int kClientHeight = 2910;

// The program that the autostart entry starts, beside the statistics file in AppPath.
constexpr QStringView kProgramName = u"odovex";

// The key filter's range: the full stop, the slash and the digits.
constexpr std::int16_t kFullStop = 46;
constexpr std::int16_t kSlash = 47;
constexpr std::int16_t kDigitNine = 57;

constexpr double kCentimetersPerInch = 2.54;

// Line widths are in pixels of a 96 dpi screen, 15 twips each, so the drawing scales with the
// layout on a denser screen.
constexpr int kTwipsPerDesignPixel = 15;

struct Segment {
    int x1, y1, x2, y2; // twips
    int width;          // pixels at 96 dpi
};

// The monitor drawing, Line1 to Line26 in order.
constexpr std::array<Segment, 26> kLines = {{
    {2040, 2280, 2040, 1320, 2}, {3000, 1320, 2040, 1320, 2}, // screen
    {3000, 2280, 2040, 2280, 2}, {3000, 2280, 3000, 1320, 2}, //
    {1920, 2400, 1920, 1200, 2}, {1920, 1200, 3120, 1200, 2}, // bezel
    {3120, 2400, 3120, 1200, 2}, {1920, 2400, 3120, 2400, 2}, //
    {2520, 1920, 3000, 1920, 1}, {2310, 1920, 2040, 1920, 1}, // width arrow
    {2760, 1320, 2760, 1440, 1}, {2760, 1740, 2760, 2280, 1}, // height arrow
    {2280, 2400, 2280, 2520, 2}, {2760, 2400, 2760, 2520, 2}, // neck
    {2040, 2520, 2040, 2640, 2}, {2040, 2640, 3000, 2640, 2}, // base
    {2040, 2520, 3000, 2520, 2}, {3000, 2520, 3000, 2640, 2}, //
    {2040, 1920, 2100, 1860, 1}, {2040, 1920, 2100, 1980, 1}, // width arrow head
    {2760, 1320, 2700, 1380, 1}, {2820, 1380, 2760, 1320, 1}, // height arrow heads
    {2760, 2280, 2700, 2220, 1}, {2760, 2280, 2820, 2220, 1}, //
    {120, 960, 3120, 960, 1},    {1680, 840, 1680, 120, 1},   // separators
}};

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QLatin1StringView(name));
    control->setGeometry(TwipsRect(left, top, width, height));
    return control;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption,
                  Qt::Alignment horizontal, int left, int top, int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setWordWrap(true);
    return Place(label, name, left, top, width, height);
}

// A typed full stop is the decimal point in every locale: it is the only separator the key
// filter lets through. Where the locale writes another one (a decimal comma), that one is
// accepted too, for text pasted into a box. Group separators are not: "1,5" must not read 15.
std::optional<Currency> DimensionFromText(const QString& text) {
    if (const auto value = CurrencyFromText(text, u".", {})) {
        return value;
    }
    const QString localePoint = QLocale().decimalPoint();
    if (localePoint == u".") {
        return std::nullopt;
    }
    return CurrencyFromText(text, localePoint, {});
}

} // namespace

frmOdovexSetup::frmOdovexSetup(StatsRecord& record, AutostartEntry& shortcut, QWidget* parent)
    : QWidget(parent), beep([] { QApplication::beep(); }), record_(record), shortcut_(shortcut) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Odovex Setup"));
    setWindowIcon(AppIcon());
    setFont(FormFont());
    setFixedSize(TwipsSize(kClientWidth, kClientHeight));

    // Created in tab order.
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Screen Measurements:"), Qt::AlignLeft, 240,
                       1080, 1215, 495);
    Label2 =
        MakeLabel(this, "Label2", QStringLiteral("Units:"), Qt::AlignLeft, 240, 120, 1215, 255);
    optEnglish = Place(new QRadioButton(QStringLiteral("&English"), this), "optEnglish", 240, 360,
                       1215, 255);
    optMetric =
        Place(new QRadioButton(QStringLiteral("&Metric"), this), "optMetric", 240, 600, 1215, 255);
    txtXDim = Place(new QLineEdit(this), "txtXDim", 240, 1800, 1215, 285);
    txtYDim = Place(new QLineEdit(this), "txtYDim", 240, 2400, 1215, 285);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("X"), Qt::AlignHCenter, 2370, 1830, 135, 255);
    cmdOk = Place(new QPushButton(QStringLiteral("&Ok"), this), "cmdOk", 2040, 120, 975, 375);
    cmdOk->setAutoDefault(false);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("Y"), Qt::AlignHCenter, 2700, 1500, 135, 165);
    Label5 = MakeLabel(this, "Label5", QStringLiteral("X"), Qt::AlignLeft, 240, 1560, 255, 255);
    Label6 = MakeLabel(this, "Label6", QStringLiteral("Y"), Qt::AlignLeft, 240, 2160, 255, 255);
    // The unit captions stay empty until a unit is chosen.
    Label7 = MakeLabel(this, "Label7", {}, Qt::AlignLeft, 480, 1560, 1215, 255);
    Label8 = MakeLabel(this, "Label8", {}, Qt::AlignLeft, 480, 2160, 1215, 255);
    chkAutoStart = Place(new QCheckBox(QStringLiteral("&AutoStart"), this), "chkAutoStart", 2040,
                         600, 975, 255);
    setTabOrder(optEnglish, optMetric);
    setTabOrder(optMetric, txtXDim);
    setTabOrder(txtXDim, txtYDim);
    setTabOrder(txtYDim, cmdOk);
    setTabOrder(cmdOk, chkAutoStart);

    connect(optEnglish, &QRadioButton::toggled, this, &frmOdovexSetup::optEnglish_Click);
    connect(optMetric, &QRadioButton::toggled, this, &frmOdovexSetup::optMetric_Click);
    new KeyPressFilter(txtXDim, [this](std::int16_t& KeyAscii) { txtXDim_KeyPress(KeyAscii); });
    new KeyPressFilter(txtYDim, [this](std::int16_t& KeyAscii) { txtYDim_KeyPress(KeyAscii); });
    connect(cmdOk, &QPushButton::clicked, this, &frmOdovexSetup::cmdOk_Click);
    // Every change of the box's state (the partial one too); Qt 6.7 renamed the signal.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    connect(chkAutoStart, &QCheckBox::checkStateChanged, this, &frmOdovexSetup::chkAutoStart_Click);
#else
    connect(chkAutoStart, &QCheckBox::stateChanged, this, &frmOdovexSetup::chkAutoStart_Click);
#endif

    // Load step. The entry starts the program in AppPath, the directory of its statistics file.
    QString program = record_.AppPath;
    if (!program.endsWith(u'/')) {
        program += u'/';
    }
    shortcut_.path = program.append(kProgramName);
    // Selecting an option runs its click handler, which sets the unit captions.
    if (record_.Units == u"English") {
        optEnglish->setChecked(true);
    }
    if (record_.Units == u"Metric") {
        optMetric->setChecked(true);
    }
    // Written with a full stop whatever the locale, so the text can be edited with the keys the
    // filter lets through.
    txtXDim->setText(CurrencyToText(record_.ScreenDimX, u"."));
    txtYDim->setText(CurrencyToText(record_.ScreenDimY, u"."));
    CentreOnScreen(this);
}

void frmOdovexSetup::AutoStart() {
    if (chkAutoStart->checkState() == Qt::Unchecked) {
        record_.AutoStartOn = kFalse;
        shortcut_.remove();
    } else if (chkAutoStart->checkState() == Qt::Checked) {
        record_.AutoStartOn = kTrue;
        if (const QString problem = shortcut_.create(); !problem.isEmpty()) {
            // Told without waiting for an answer: a start with AutoStart on goes on.
            auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Odovex"), problem,
                                        QMessageBox::Ok, this);
            box->setWindowModality(Qt::NonModal);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->show();
        }
    }
}

void frmOdovexSetup::optEnglish_Click() {
    if (!optEnglish->isChecked()) {
        return;
    }
    changeUnits(QStringLiteral("English"));
    Label7->setText(QStringLiteral("(Inches):"));
    Label8->setText(QStringLiteral("(Inches):"));
    offerSuggestion();
}

void frmOdovexSetup::optMetric_Click() {
    if (!optMetric->isChecked()) {
        return;
    }
    changeUnits(QStringLiteral("Metric"));
    Label7->setText(QStringLiteral("(Centimeters):"));
    Label8->setText(QStringLiteral("(Centimeters):"));
    offerSuggestion();
}

void frmOdovexSetup::changeUnits(const QString& units) {
    const bool converted =
        record_.Units != units && (record_.Units == u"English" || record_.Units == u"Metric");
    record_.Units = units;
    if (!converted) {
        return;
    }
    // A change between inches and centimetres keeps the screen's size: kept as the same digits
    // in the other unit, every pixel would count 2.54 times too far (or too short) from now on.
    // Both the record, which counts at once, and the boxes, which OK stores, are converted; a box
    // holding text that is no number keeps it.
    const double factor = units == u"Metric" ? kCentimetersPerInch : 1 / kCentimetersPerInch;
    const auto convert = [factor](Currency value) {
        return Currency::fromDouble(value.toDouble() * factor).value_or(value);
    };
    record_.ScreenDimX = convert(record_.ScreenDimX);
    record_.ScreenDimY = convert(record_.ScreenDimY);
    for (auto [box, offered] : {std::pair{txtXDim, &offeredX_}, std::pair{txtYDim, &offeredY_}}) {
        const auto value = DimensionFromText(box->text());
        if (!value) {
            continue;
        }
        const QString text = CurrencyToText(convert(*value), u".");
        if (box->text() == *offered) {
            *offered = text; // still the offer, which the new unit's offer may replace
        }
        box->setText(text);
    }
}

void frmOdovexSetup::SuggestSize(const ScreenMetrics& screen) {
    const auto pixels = [](double twips, double twipsPerPixel) {
        return twipsPerPixel > 0 ? static_cast<int>(std::lround(twips / twipsPerPixel)) : 0;
    };
    suggestion_ = PlausibleMonitorSize(pixels(screen.widthTwips, screen.twipsPerPixelX),
                                       pixels(screen.heightTwips, screen.twipsPerPixelY),
                                       screen.widthMm, screen.heightMm);
    offerSuggestion();
}

void frmOdovexSetup::offerSuggestion() {
    const bool english = optEnglish->isChecked();
    if (!suggestion_ || (!english && !optMetric->isChecked())) {
        return;
    }
    const auto untouched = [](const QLineEdit* box, const QString& offered) {
        const auto value = DimensionFromText(box->text());
        return (value && value->isZero()) || (!offered.isEmpty() && box->text() == offered);
    };
    if (!untouched(txtXDim, offeredX_) || !untouched(txtYDim, offeredY_)) {
        return;
    }
    const double perInch = english ? 1.0 : kCentimetersPerInch;
    offeredX_ = QString::number(suggestion_->width * perInch, 'f', 2);
    offeredY_ = QString::number(suggestion_->height * perInch, 'f', 2);
    txtXDim->setText(offeredX_);
    txtYDim->setText(offeredY_);
}

void frmOdovexSetup::txtXDim_KeyPress(std::int16_t& KeyAscii) {
    if (KeyAscii < kFullStop || KeyAscii > kDigitNine) {
        KeyAscii = 0;
        beep();
    }
    if (KeyAscii == kSlash) {
        KeyAscii = 0;
        beep();
    }
}

void frmOdovexSetup::txtYDim_KeyPress(std::int16_t& KeyAscii) {
    txtXDim_KeyPress(KeyAscii); // the same filter
}

void frmOdovexSetup::cmdOk_Click() {
    const auto reject = [this] {
        txtXDim->setText(QStringLiteral("InValid"));
        txtYDim->setText(QStringLiteral("Please re-enter."));
    };
    const auto width = DimensionFromText(txtXDim->text());
    if (!width) {
        return reject();
    }
    record_.ScreenDimX = *width; // kept even when the height fails
    const auto height = DimensionFromText(txtYDim->text());
    if (!height) {
        return reject();
    }
    record_.ScreenDimY = *height;
    suggestion_.reset(); // confirmed: nothing more is offered
    emit showMainWindow();
    hide();
}

void frmOdovexSetup::chkAutoStart_Click() {
    AutoStart();
}

void frmOdovexSetup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor ink = palette().color(QPalette::WindowText);
    for (const Segment& line : kLines) {
        painter.setPen(QPen(ink, TwipsToPixels(line.width * kTwipsPerDesignPixel), Qt::SolidLine,
                            Qt::SquareCap));
        painter.drawLine(TwipsPoint(line.x1, line.y1), TwipsPoint(line.x2, line.y2));
    }
}

// Closing by the frame leaves the dialog as OK does but stores nothing: the dialog hides, keeps
// its controls for the next opening, and the main window comes back, so the user is never left
// without a window. A close by code (the application quitting) only hides it.
void frmOdovexSetup::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        emit showMainWindow();
    }
    event->accept();
}
