#pragma once

#include "DesktopProbe.h"

#include <QString>
#include <memory>

// The desktop backend this build was made for (X11 on Linux). Returns null and sets `error` to
// one line for the user ("no X display", "XInput 2.2 missing", ...) when the desktop cannot be
// watched. Call with a running QCoreApplication: the backend watches its connection on the
// event loop of the calling thread.
std::unique_ptr<DesktopProbe> CreateDesktopProbe(QString* error);

// Keeps the pointer's motion over a top-level window of the program (its native id) from
// reaching the program: presses, releases, touches, entering and leaving still do. Each motion
// would wake the toolkit's event thread and then the main one, a thousand times a second while
// the pointer moves over the window, for a window whose widgets need no hover. The toolkit
// chooses what its windows receive when it makes them: call it again when the window is shown.
// Nothing where the toolkit's events do not wake the program for each motion.
void QuietPointerMotion(unsigned long long window);
