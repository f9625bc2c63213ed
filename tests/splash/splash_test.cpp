#include "platform/forms/Forms.h"
#include "splash/AppIcon.h"
#include "splash/frmAbout.h"
#include "splash/frmSplash.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kShortInterval = 20;
constexpr int kWaitLimit = 5000;

// On a screen scaled 200 % the windows' pictures are the
// icon's own 64 pixel rendering, not its 32 pixel one blown up, and the tray may pick any size
// from 16 to 64 pixels.
TEST(AppIcon, SharpAtTheScreensPixelRatioAndOfferedAt16To64Pixels) {
    for (const int side : {16, 24, 32, 48, 64}) {
        EXPECT_TRUE(AppIcon().availableSizes().contains(QSize(side, side))) << side;
    }
    const QImage own(QStringLiteral(":/odovex/odovex-64.png"));
    EXPECT_EQ(AppIconPixmap(32, 2).toImage().convertToFormat(own.format()), own);
    frmSplash splash;
    frmAbout about;
    for (const QWidget* window : {static_cast<QWidget*>(&splash), static_cast<QWidget*>(&about)}) {
        ASSERT_EQ(window->devicePixelRatioF(), 2);
        const QPixmap image = window->findChild<QLabel*>(QStringLiteral("Image1"))->pixmap();
        EXPECT_EQ(image.size(), QSize(64, 64));
        EXPECT_EQ(image.devicePixelRatio(), 2);
    }
}

// Its place on the screen is left to the end-to-end test, with a real window manager. It loads
// hidden, Timer1 disabled; shown as the start-up does when it opens the setup dialog, it is
// hidden at once with Timer1 left running; then the plain five-second show, shortened.
TEST(Splash, LoadsHiddenAndTimer1HidesItAndDisablesItself) {
    frmSplash splash;
    EXPECT_FALSE(splash.isVisible() || splash.Timer1.isActive());
    EXPECT_EQ(splash.size(), TwipsSize(2535, 1575));
    splash.Timer1.setInterval(kShortInterval);
    splash.show();
    splash.Timer1.start();
    splash.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splash.Timer1.isActive(); }, kWaitLimit));
    EXPECT_FALSE(splash.isVisible());
    splash.show();
    splash.Timer1.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splash.isVisible(); }, kWaitLimit));
    EXPECT_FALSE(splash.Timer1.isActive());
}

} // namespace
