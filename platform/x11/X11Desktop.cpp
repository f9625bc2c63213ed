#include "platform/DesktopBackend.h"

// Placeholder until the X11 backend is written.
std::unique_ptr<DesktopProbe> CreateDesktopProbe(QString* error) {
    if (error) {
        *error = QStringLiteral("Odovex: the X11 desktop backend is not built yet.");
    }
    return nullptr;
}
