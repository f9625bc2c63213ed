#include "platform/forms/Forms.h"
#include "splash/AppIcon.h"
#include "splash/frmSplash.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kShortInterval = 20;
constexpr int kWaitLimit = 5000;

TEST(AppIcon, IsTheCompiledIn32PixelPicture) {
    EXPECT_EQ(AppIconPixmap().size(), QSize(32, 32));
    EXPECT_FALSE(AppIcon().isNull());
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
