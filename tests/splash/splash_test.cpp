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

// Its place on the screen is left to the end-to-end test, with a real window manager.
TEST(Splash, LoadsHiddenWithTimer1Disabled) {
    frmSplash splash;
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.Timer1.isActive());
    EXPECT_EQ(splash.size(), TwipsSize(2535, 1575));
}

// First as the start-up does when it opens the setup dialog: it hides the splash at once and
// leaves Timer1 running. Then the plain five-second show, shortened.
TEST(Splash, Timer1HidesTheSplashAndDisablesItself) {
    frmSplash splash;
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
