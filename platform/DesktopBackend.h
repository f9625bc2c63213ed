#pragma once

#include "DesktopProbe.h"

#include <QString>
#include <memory>

// The desktop backend this build was made for (X11 on Linux). Returns null and sets `error` to
// one line for the user ("no X display", "XInput 2.2 missing", ...) when the desktop cannot be
// watched. Call with a running QCoreApplication: the backend watches its connection on the
// event loop of the calling thread.
std::unique_ptr<DesktopProbe> CreateDesktopProbe(QString* error);
