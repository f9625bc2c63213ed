#pragma once

#include <QIcon>
#include <QPixmap>

// The application icon: window icons, Image1 of the windows, and the tray. Its pictures are
// rendered from the SVG at 16, 24, 32, 48, 64, 128 and 256 pixels; Qt takes the one that fits.
QIcon AppIcon();
// Its picture for `side` x `side` logical pixels on a screen of `devicePixelRatio`: that many
// device pixels, so the picture stays sharp on a scaled screen.
QPixmap AppIconPixmap(int side, qreal devicePixelRatio);
