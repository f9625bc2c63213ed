#include "Forms.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace {

constexpr double kDefaultDpi = 96.0;

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : kDefaultDpi;
    return dpi > 0 ? dpi : kDefaultDpi;
}

} // namespace

double TwipsPerPixel() {
    return kTwipsPerInch / LogicalDpi();
}

int TwipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips * LogicalDpi() / kTwipsPerInch));
}

QPoint TwipsPoint(int x, int y) {
    return {TwipsToPixels(x), TwipsToPixels(y)};
}

QSize TwipsSize(int width, int height) {
    return {TwipsToPixels(width), TwipsToPixels(height)};
}

QRect TwipsRect(int left, int top, int width, int height) {
    return {TwipsPoint(left, top), TwipsSize(width, height)};
}

QFont FormFont(double points, bool bold) {
    static const QString family = [] {
        const QString preferred = QStringLiteral("MS Sans Serif");
        return QFontDatabase::families().contains(preferred)
                   ? preferred
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2);
}
