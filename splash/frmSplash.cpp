#include "frmSplash.h"

// Placeholder until the splash is drawn.
frmSplash::frmSplash(QWidget* parent) : QWidget(parent) {
    Timer1.setInterval(5000);
    connect(&Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}
void frmSplash::OnTopWindow() {}
void frmSplash::Timer1_Timer() {
    hide();
    Timer1.stop();
}
