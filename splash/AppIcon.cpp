#include "AppIcon.h"

// Outside any namespace, as Q_INIT_RESOURCE requires. The resources live in a static library
// where nothing refers to their initialiser, so the linker would drop it unless called.
static void LoadIconResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(odovex);
        return true;
    }();
    (void)loaded;
}

QIcon AppIcon() {
    LoadIconResources();
    QIcon icon;
    for (const int side : {ODOVEX_ICON_SIZES}) {
        icon.addFile(QStringLiteral(":/odovex/odovex-%1.png").arg(side), QSize(side, side));
    }
    return icon;
}

QPixmap AppIconPixmap(int side, qreal devicePixelRatio) {
    return AppIcon().pixmap(QSize(side, side), devicePixelRatio);
}
