#pragma once

#include <QTimer>
#include <QWidget>

// The topmost splash shown while Odovex starts hidden in the tray. Created hidden; its load step
// (the constructor) makes it topmost and centres it.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    void OnTopWindow();
    // Interval 5000 ms, disabled at load; whoever shows the splash enables it.
    QTimer Timer1;
    void Timer1_Timer();
};
