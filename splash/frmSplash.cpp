#include "frmSplash.h"

#include "AppIcon.h"
#include "platform/forms/Forms.h"

#include <QLabel>

namespace {

constexpr int kShowMilliseconds = 5000;
constexpr int kGrey = 128;

} // namespace

// A splash-type window (_NET_WM_WINDOW_TYPE_SPLASH), which taskbars leave out, that the window
// manager never hands the focus (WM_HINTS input false), not even when it is clicked.
frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setWindowTitle(QStringLiteral("Form1"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(TwipsSize(2535, 1575));

    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(kGrey, kGrey, kGrey));
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);

    AddCentredLabel(this, QStringLiteral("Odovex"), TwipsRect(840, 120, 1455, 375),
                    FormFont(12, true));
    AddCentredLabel(this, QStringLiteral("Version 1.01"), TwipsRect(840, 480, 1455, 255),
                    FormFont());
    auto* Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwipsRect(240, 240, 480, 480));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(AppIconPixmap(Image1->width(), Image1->devicePixelRatioF()));

    Timer1.setInterval(kShowMilliseconds);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);

    // Form_Load
    OnTopWindow();
    CentreOnScreen(this);
}

void frmSplash::OnTopWindow() {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void frmSplash::Timer1_Timer() {
    hide();
    Timer1.stop();
}
