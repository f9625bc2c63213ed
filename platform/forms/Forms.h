#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

class QLabel;
class QString;
class QWidget;

// Windows are laid out in twips, 1/1440 inch, converted to pixels with the screen's logical
// dots per inch, so that they keep their proportions at 96 dpi and on a HiDPI screen alike.
inline constexpr double kTwipsPerInch = 1440.0;

// Twips per pixel of the primary screen (15 at 96 dots per inch).
double TwipsPerPixel();
int TwipsToPixels(double twips);
QPoint TwipsPoint(int x, int y);
QSize TwipsSize(int width, int height);
QRect TwipsRect(int left, int top, int width, int height);

// The form font at `points`: MS Sans Serif where installed, else a face with the same widths
// (Arial, Liberation Sans, Nimbus Sans), else the desktop's sans-serif.
QFont FormFont(double points = 8.25, bool bold = false);

// Centres a top-level window on its screen, whole window (frame included), not clamped: a
// window larger than the screen overhangs both edges equally.
void CentreOnScreen(QWidget* window);

// A label of `form` at `box` whose text is centred across the box and kept to its top, so that
// a large font is never clipped at the top of a box drawn for a smaller one.
QLabel* AddCentredLabel(QWidget* form, const QString& text, const QRect& box, const QFont& font);
