#pragma once

#include <QIcon>
#include <QPixmap>

// The application icon: window icons, Image1 of the windows, and the tray.
QIcon AppIcon();
// Its 32 x 32 picture.
QPixmap AppIconPixmap();
