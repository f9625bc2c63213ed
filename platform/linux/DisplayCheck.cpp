#include "platform/DisplayCheck.h"

#include <X11/Xlib.h>
#include <cstdlib>

std::string NoDisplayMessage() {
    if (Display* display = XOpenDisplay(nullptr)) {
        XCloseDisplay(display);
        return {};
    }
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        return "Odovex: no X display (DISPLAY is not set); Odovex runs on an X11 desktop.";
    }
    return std::string("Odovex: cannot open the X display \"") + name +
           "\"; Odovex runs on an X11 desktop.";
}
