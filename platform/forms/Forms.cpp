#include "Forms.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
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
    // The windows are laid out for MS Sans Serif. Where it is missing, a face with Arial's
    // metrics keeps every caption inside its box; the desktop's own sans-serif, often wider,
    // comes last.
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* candidate : {"MS Sans Serif", "Microsoft Sans Serif", "Arial",
                                      "Liberation Sans", "Nimbus Sans", "Helvetica"}) {
            if (installed.contains(QLatin1String(candidate))) {
                return QString::fromLatin1(candidate);
            }
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
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

QLabel* AddCentredLabel(QWidget* form, const QString& text, const QRect& box, const QFont& font) {
    auto* label = new QLabel(text, form);
    label->setGeometry(box);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}
