#pragma once

#include <QTimer>
#include <QWidget>

// The topmost splash shown while Odovex starts hidden in the tray. Created hidden; its load step
// (the constructor) makes it topmost and centres it. It takes no focus and no clicks, and has no
// taskbar button.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    // Keeps the window above all others whenever it is shown (on X11 the window manager's
    // _NET_WM_STATE_ABOVE). Part of the load step: Qt hides a shown window to change its flags.
    void OnTopWindow();
    // Interval 5000 ms, disabled at load; whoever shows the splash enables it.
    QTimer Timer1;
    // Hides the splash and disables Timer1; harmless when the splash is already hidden.
    void Timer1_Timer();
};
