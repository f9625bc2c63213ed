#include "AppIcon.h"

// Placeholder until the icon is drawn.
QPixmap AppIconPixmap() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::blue);
    return pixmap;
}
QIcon AppIcon() {
    return QIcon(AppIconPixmap());
}
