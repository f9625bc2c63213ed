#include "frmAbout.h"

#include "AppIcon.h"
#include "platform/forms/Forms.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int kClientWidthTwips = 3150;
// The whole window, title bar and frame included.
constexpr int kWindowHeightTwips = 2560;
// Title bar and borders assumed until the window manager has framed the window: openbox's
// default theme at 96 dpi, so that under it the box opens at its final size.
constexpr int kFrameEstimateTwips = 315;

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Odovex"));
    setWindowIcon(AppIcon());
    setFixedSize(TwipsToPixels(kClientWidthTwips),
                 TwipsToPixels(kWindowHeightTwips - kFrameEstimateTwips));

    AddCentredLabel(this, QStringLiteral("Odovex"), TwipsRect(1200, 120, 1455, 255),
                    FormFont(12, true));
    AddCentredLabel(this, QStringLiteral("Version 1.01"), TwipsRect(1080, 480, 1695, 255),
                    FormFont());
    auto* Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwipsRect(480, 240, 480, 480));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(AppIconPixmap(Image1->width(), Image1->devicePixelRatioF()));

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setGeometry(TwipsRect(1080, 1560, 975, 375));
    // Enter presses a button that holds the focus; it is neither the default nor the cancel
    // button, so Enter elsewhere and Escape do nothing.
    cmdOk->setAutoDefault(true);
    cmdOk->setFocus();
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
}

void frmAbout::cmdOk_Click() {
    emit showMainWindow();
    hide();
}

// Form_Load. The window manager frames the window only once it is mapped: the first show centres
// the box with the frame it expects, the first exposure fits the height to the real frame and
// centres again. Later shows keep the user's position.
void frmAbout::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (loaded_) {
        return;
    }
    loaded_ = true;
    Centre();
    awaitingFrame_ = true;
    windowHandle()->installEventFilter(this);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (awaitingFrame_ && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        awaitingFrame_ = false;
        windowHandle()->removeEventFilter(this);
        setFixedHeight(TwipsToPixels(kWindowHeightTwips) - (frameGeometry().height() - height()));
        Centre();
    }
    return QWidget::eventFilter(watched, event);
}

// Whole window, not clamped: a screen smaller than the box leaves it overhanging both edges.
void frmAbout::Centre() {
    const QRect area = screen()->geometry();
    move(area.x() + (area.width() - frameGeometry().width()) / 2,
         area.y() + (area.height() - TwipsToPixels(kWindowHeightTwips)) / 2);
}
