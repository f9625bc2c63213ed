#pragma once

#include <QString>

enum class MsgButtons { OkOnly, YesNo };
enum class MsgIcon { None, Critical, Exclamation };
enum class MsgResult { Ok, Yes, No };

// One message box: text lines joined by CR LF, the caption, the buttons, the icon and the
// button that Enter presses.
struct MsgBoxSpec {
    QString prompt;
    QString title;
    MsgButtons buttons = MsgButtons::OkOnly;
    MsgIcon icon = MsgIcon::None;
    MsgResult defaultButton = MsgResult::Ok;
};

// Where the windows ask and tell: modal boxes on the desktop, a scripted answerer in tests.
// The call returns the button pressed; while it waits, the event loop keeps delivering the
// tick and the timers.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgResult MsgBox(const MsgBoxSpec& box) = 0;
};
