#pragma once

#include <string>

// Whether the X display named by $DISPLAY can be opened. Run before QApplication is
// constructed: Qt aborts with a core dump where this says one line. Empty when the display
// opened (it is closed again at once), else the one line to show on standard error.
std::string NoDisplayMessage();
