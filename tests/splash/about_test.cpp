#include "platform/forms/Forms.h"
#include "splash/frmAbout.h"

#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void ShowAndWait(QWidget& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

QPoint ScreenCentreFor(const QWidget& window) {
    const QRect area = window.screen()->geometry();
    const QSize whole = window.frameGeometry().size();
    return {area.x() + (area.width() - whole.width()) / 2,
            area.y() + (area.height() - whole.height()) / 2};
}

// Escape and Alt+O are left to the end-to-end test: QTest's key clicks do not reach Qt's
// shortcut map.
TEST(AboutBox, ShowsCentredWithOkFocusedWhichEnterSpaceAndClicksPressKeepingItsPlace) {
    frmAbout about;
    QSignalSpy showMainWindow(&about, &frmAbout::showMainWindow);
    ShowAndWait(about);
    EXPECT_EQ(about.width(), TwipsToPixels(3150));
    EXPECT_EQ(about.frameGeometry().height(), TwipsToPixels(2560));
    EXPECT_EQ(about.pos(), ScreenCentreFor(about));
    EXPECT_EQ(about.focusWidget(), about.cmdOk);
    for (const QWidget* child : about.findChildren<QWidget*>()) {
        EXPECT_TRUE(child == about.cmdOk || child->focusPolicy() == Qt::NoFocus);
    }
    const QPoint moved = about.pos() + QPoint(37, -23);
    about.move(moved);
    QTest::mouseClick(about.cmdOk, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    for (const auto& [key, modifier] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                        {Qt::Key_Enter, Qt::KeypadModifier},
                                        {Qt::Key_Space, Qt::NoModifier}}) {
        ShowAndWait(about);
        EXPECT_EQ(about.pos(), moved);
        QTest::keyClick(about.windowHandle(), key, modifier);
        EXPECT_FALSE(about.isVisible()) << "key " << key;
    }
    EXPECT_EQ(showMainWindow.count(), 4);
}

TEST(AboutBox, CloseByTheFrameDestroysItAndLeavesTheMainWindowHidden) {
    QPointer<frmAbout> about = new frmAbout;
    QSignalSpy showMainWindow(about.data(), &frmAbout::showMainWindow);
    ShowAndWait(*about);
    about->move(about->pos() + QPoint(50, 50));
    about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
    EXPECT_EQ(showMainWindow.count(), 0);

    frmAbout again;
    ShowAndWait(again);
    EXPECT_EQ(again.pos(), ScreenCentreFor(again));
}

} // namespace
