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

QPixmap AppIconPixmap() {
    LoadIconResources();
    return QPixmap(QStringLiteral(":/odovex/odovex-32.png"));
}

QIcon AppIcon() {
    return QIcon(AppIconPixmap());
}
