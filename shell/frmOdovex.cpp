#include "frmOdovex.h"

#include <algorithm>

#include "engine/Display.h"
#include "engine/Reset.h"
#include "history/frmHistory.h"
#include "platform/Clock.h"
#include "platform/DesktopBackend.h"
#include "platform/DesktopProbe.h"
#include "platform/TickTimer.h"
#include "platform/forms/Forms.h"
#include "setup/frmOdovexSetup.h"
#include "splash/AppIcon.h"
#include "splash/frmAbout.h"
#include "splash/frmSplash.h"
#include "store/DateCheck.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

// Client area and rows, in twips.
constexpr int kClientWidth = 4350;
constexpr int kClientHeight = 3630;
constexpr int kRowHeight = 255;
constexpr int kButtonTop = 3120;
constexpr int kButtonWidth = 855;
constexpr int kButtonHeight = 375;
constexpr int kValueLeft = 1560;
constexpr int kValueWidth = 2535;
constexpr double kTextPoints = 8.25;
constexpr double kHeadingPoints = 9.75;

const QString kZero = QStringLiteral("0");
const QString kStart = QStringLiteral("Start");

// A horizontal line control, one pixel of the window text colour.
void AddLine(QWidget* parent, const char* name, int x1, int x2, int y) {
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    const QRect area = TwipsRect(x1, y, x2 - x1, 0);
    line->setGeometry(area.x(), area.y(), area.width(), 1);
}

} // namespace

frmOdovex::frmOdovex(ShellServices services)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      s_(std::move(services)), record_(s_.record), sampleTick_(record_, s_.desktop, labels_),
      tick_(sampleTick_, s_.desktop, std::move(s_.tickTimer)) {
    setObjectName(QStringLiteral("frmOdovex"));
    setWindowTitle(QStringLiteral("Odovex"));
    setWindowIcon(AppIcon());
    setFont(FormFont(kTextPoints));
    buildWindow();
    buildMenus();
    labels_.setSink(this);
    labelTimer_.setSingleShot(true);
    sinceShown_.start();
    connect(&labelTimer_, &QTimer::timeout, this, &frmOdovex::showLabels);

    STI1 = new QSystemTrayIcon(AppIcon(), this);
    STI1->setObjectName(QStringLiteral("STI1"));
    STI1->setToolTip(QStringLiteral("Odovex Ver 1.00"));
    connect(STI1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (!loaded_) {
            // Start-up's failure message is open: the window is never to be shown.
            return;
        }
        if (why == QSystemTrayIcon::Trigger) {
            STI1_Click();
        } else if (why == QSystemTrayIcon::DoubleClick) {
            STI1_DblClick();
        }
    });
    buildTrayMenu();

    constexpr int kDateCheckMs = 30000;
    constexpr int kScreenMs = 5000;
    constexpr int kArmMs = 500;
    constexpr int kSaveTimerMs = 60000;
    const std::array<std::pair<QTimer*, int>, 4> timers{{{&Timer1, kDateCheckMs},
                                                         {&Timer2, kScreenMs},
                                                         {&Timer3, kArmMs},
                                                         {&Timer4, kSaveTimerMs}}};
    for (auto [timer, interval] : timers) {
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(interval);
    }
    connect(&Timer1, &QTimer::timeout, this, &frmOdovex::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &frmOdovex::Timer2_Timer);
    connect(&Timer3, &QTimer::timeout, this, &frmOdovex::Timer3_Timer);
    connect(&Timer4, &QTimer::timeout, this, &frmOdovex::Timer4_Timer);
}

frmOdovex::~frmOdovex() {
    s_.desktop.setScreenHandler({});
    delete about_.data();
}

QLabel* frmOdovex::addLabel(const char* name, const QString& caption, int left, int top, int width,
                            double points, bool bold) {
    auto* label = new QLabel(caption, centralWidget());
    label->setObjectName(QLatin1String(name));
    label->setGeometry(TwipsRect(left, top, width, kRowHeight));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(FormFont(points, bold));
    return label;
}

QPushButton* frmOdovex::addButton(const char* name, const QString& caption, int left,
                                  void (frmOdovex::*handler)()) {
    auto* button = new QPushButton(caption, centralWidget());
    button->setObjectName(QLatin1String(name));
    button->setGeometry(TwipsRect(left, kButtonTop, kButtonWidth, kButtonHeight));
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

void frmOdovex::buildWindow() {
    auto* client = new QWidget(this);
    client->setFixedSize(TwipsSize(kClientWidth, kClientHeight));
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto value = [this](Label label, const char* name, int top, const QString& caption) {
        valueLabels_[static_cast<int>(label)] =
            addLabel(name, caption, kValueLeft, top, kValueWidth, kTextPoints, true);
    };
    addLabel("Label1", QStringLiteral("Today:"), 120, 120, 1215, kHeadingPoints, true);
    addLabel("lblInputClicksTitle", QStringLiteral("Input Clicks:"), 120, 480, 1335, kTextPoints,
             false);
    value(Label::InputClicks, "lblInputClicks", 480, kZero);
    addLabel("lblWindowsViewedTitle", QStringLiteral("Windows Viewed:"), 120, 720, 1335,
             kTextPoints, false);
    value(Label::WindowsViewed, "lblWindowsViewed", 720, kZero);
    addLabel("lblMouseTravelTitle", QStringLiteral("Mouse Travel:"), 120, 960, 1215, kTextPoints,
             false);
    value(Label::DistTotal, "lblDistTotal", 960, kZero);
    addLabel("lblSince", QStringLiteral("Date:"), 120, 1200, 495, kTextPoints, false);
    value(Label::Date, "lblDate", 1200, kStart);
    addLabel("Label2", QStringLiteral("Total:"), 120, 1680, 1215, kHeadingPoints, true);
    addLabel("Label9", QStringLiteral("Input Clicks:"), 120, 2040, 1335, kTextPoints, false);
    value(Label::TotalInputClicks, "lblTotalInputClicks", 2040, kZero);
    addLabel("Label8", QStringLiteral("Windows Viewed:"), 120, 2280, 1335, kTextPoints, false);
    value(Label::TotalWinCount, "lblTotalWinCount", 2280, kZero);
    addLabel("Label5", QStringLiteral("Mouse Travel:"), 120, 2520, 1215, kTextPoints, false);
    value(Label::TotalDistTotal, "lblTotalDistTotal", 2520, kZero);
    addLabel("Label4", QStringLiteral("Since:"), 120, 2760, 495, kTextPoints, false);
    value(Label::SinceDate, "lblSinceDate", 2760, kStart);

    QPushButton* cmdSetup =
        addButton("cmdSetup", QStringLiteral("S&etup"), 120, &frmOdovex::cmdSetup_Click);
    QPushButton* cmdReset =
        addButton("cmdReset", QStringLiteral("&Reset"), 1200, &frmOdovex::cmdReset_Click);
    QPushButton* cmdHide =
        addButton("cmdHide", QStringLiteral("H&ide"), 2280, &frmOdovex::cmdHide_Click);
    QPushButton* cmdQuit = addButton("cmdQuit", QStringLiteral("&Quit"), 3360, &frmOdovex::Quit);
    setTabOrder(cmdHide, cmdQuit);
    setTabOrder(cmdQuit, cmdSetup);
    setTabOrder(cmdSetup, cmdReset);
    cmdHide->setFocus();

    auto* Image1 = new QLabel(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwipsRect(3720, 1440, 480, 480));
    Image1->setPixmap(AppIconPixmap(Image1->width(), Image1->devicePixelRatioF()));
    Image1->setScaledContents(true);

    AddLine(client, "Line1", 120, 3600, 1560);
    AddLine(client, "Line2", 120, 4200, 0);
}

void frmOdovex::buildMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* mnuHistory =
        mnuFile->addAction(QStringLiteral("&History..."), this, &frmOdovex::mnuHistory_Click);
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    QAction* mnuExit = mnuFile->addAction(QStringLiteral("&Exit"), this, &frmOdovex::Quit);
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuProgram =
        mnuHelp->addAction(QStringLiteral("&Program"), this, &frmOdovex::mnuProgram_Click);
    mnuProgram->setObjectName(QStringLiteral("mnuProgram"));
    QAction* mnuAbout =
        mnuHelp->addAction(QStringLiteral("&About"), this, &frmOdovex::mnuAbout_Click);
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void frmOdovex::buildTrayMenu() {
    // A right click opens the menu; a left click keeps showing the window.
    auto* mnuTray = new QMenu(this);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    const auto add = [this, mnuTray](const QString& caption, void (frmOdovex::*command)()) {
        mnuTray->addAction(caption, this, [this, command] {
            if (loaded_) {
                (this->*command)();
            }
        });
    };
    add(QStringLiteral("&Show Odovex"), &frmOdovex::showMainWindow);
    add(QStringLiteral("&History..."), &frmOdovex::mnuHistory_Click);
    add(QStringLiteral("&Quit"), &frmOdovex::Quit);
    STI1->setContextMenu(mnuTray);
}

void frmOdovex::setLabel(Label label, const QString&) {
    unshownLabels_ |= 1U << static_cast<int>(label);
    // Out of sight, the texts wait for the window to come back. Else they are shown once this
    // turn of the event loop is done (the ticks write several), or kLabelRefreshMs after the
    // last showing.
    if (isVisible() && !isMinimized() && !labelTimer_.isActive()) {
        labelTimer_.start(static_cast<int>(
            std::clamp<qint64>(kLabelRefreshMs - sinceShown_.elapsed(), 0, kLabelRefreshMs)));
    }
}

void frmOdovex::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    QuietPointerMotion(winId());
    showLabels();
}

void frmOdovex::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        showLabels();
    }
}

void frmOdovex::showLabels() {
    labelTimer_.stop();
    sinceShown_.start();
    for (int index = 0; index < kLabelCount; ++index) {
        if (unshownLabels_ & (1U << index)) {
            valueLabels_[index]->setText(labels_.text(static_cast<Label>(index)));
        }
    }
    unshownLabels_ = 0;
}

void frmOdovex::showMainWindow() {
    showNormal();
}

void frmOdovex::hideMainWindow() {
    if (s_.trayAvailable()) {
        hide();
    } else {
        // Without a notification area a hidden window could not be brought back.
        showMinimized();
    }
}

void frmOdovex::closeEvent(QCloseEvent* event) {
    if (!event->spontaneous()) {
        // The application is closing its windows on its way out (session end).
        QMainWindow::closeEvent(event);
        return;
    }
    // The frame's close button, Alt+F4: a tray program goes on counting in the tray.
    event->ignore();
    hideMainWindow();
    if (!closeNoticeShown_ && s_.trayAvailable()) {
        closeNoticeShown_ = true;
        STI1->showMessage(QStringLiteral("Odovex"),
                          QStringLiteral("Odovex goes on counting. Click its icon here to view it; "
                                         "Quit ends it."));
    }
}

void frmOdovex::cmdHide_Click() {
    s_.messages.MsgBox({QStringLiteral("Click icon in System Tray to view Odovex."),
                        QStringLiteral("Hide Odovex")});
    hideMainWindow();
}

void frmOdovex::cmdReset_Click() {
    const MsgResult answer = s_.messages.MsgBox(
        {QStringLiteral("Are you sure you want to reset Odovex?"), QStringLiteral("Reset Odovex"),
         MsgButtons::YesNo, MsgIcon::None, MsgResult::Yes});
    if (answer != MsgResult::Yes) {
        return;
    }
    history_.keepCounts(record_); // the day's row keeps what Reset zeroes
    ResetCounters(record_, labels_, GeneralDateTimeText(s_.clock.now()));
}

void frmOdovex::cmdSetup_Click() {
    setupDialog().show();
    hideMainWindow();
}

void frmOdovex::mnuAbout_Click() {
    if (!about_) {
        // Closed by its frame, the box destroys itself; the next show makes and centres a new one.
        about_ = new frmAbout();
        connect(about_, &frmAbout::showMainWindow, this, &frmOdovex::showMainWindow);
    }
    about_->show();
    hideMainWindow();
}

void frmOdovex::mnuHistory_Click() {
    if (!historyWindow_) {
        historyWindow_ = std::make_unique<frmHistory>([this] {
            return HistoryView{history_.rowsAsOf(record_), s_.clock.now().date(),
                               UnitsOf(record_.Units)};
        });
        CentreOnScreen(historyWindow_.get());
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void frmOdovex::mnuProgram_Click() {
    const QStringList lines{
        QStringLiteral("Select \"Setup\" to choose units of measure, enter screen dimensions,"),
        QStringLiteral("or specify execution at System Start-Up."),
        QStringLiteral("Select \"Reset\" to set both \"Today\" and \"Total\" values to zero."),
        QStringLiteral("\"Hide\" will make the Odovex window invisible."),
        QStringLiteral("Select the Odovex icon in the system tray to view the Odovex window."),
    };
    s_.messages.MsgBox({lines.join(QStringLiteral("\r\n")), QStringLiteral("Odovex Help")});
}

frmOdovexSetup& frmOdovex::setupDialog() {
    if (!setup_) {
        setup_ = std::make_unique<frmOdovexSetup>(record_, s_.autostart);
        connect(setup_.get(), &frmOdovexSetup::showMainWindow, this, &frmOdovex::showMainWindow);
        connect(setup_.get(), &frmOdovexSetup::showMainWindow, this, [this] {
            if (historyWindow_) {
                historyWindow_->refresh(); // the units may have changed
            }
        });
    }
    return *setup_;
}

frmSplash& frmOdovex::splash() {
    if (!splash_) {
        splash_ = std::make_unique<frmSplash>();
    }
    return *splash_;
}
