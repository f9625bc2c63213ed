#include "frmAbout.h"

// Placeholder until the About box is laid out.
frmAbout::frmAbout(QWidget* parent) : QWidget(parent) {}
