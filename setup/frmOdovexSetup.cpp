#include "frmOdovexSetup.h"

#include "platform/AutostartEntry.h"

#include <QApplication>
#include <QCheckBox>

// Placeholder until the dialog is laid out.
frmOdovexSetup::frmOdovexSetup(StatsRecord& record, AutostartEntry& shortcut, QWidget* parent)
    : QWidget(parent), beep([] { QApplication::beep(); }), record_(record), shortcut_(shortcut) {
    chkAutoStart = new QCheckBox(QStringLiteral("&AutoStart"), this);
    connect(chkAutoStart, &QCheckBox::stateChanged, this, [this] { AutoStart(); });
}

void frmOdovexSetup::AutoStart() {
    if (chkAutoStart->checkState() == Qt::Unchecked) {
        record_.AutoStartOn = kFalse;
        shortcut_.remove();
    } else if (chkAutoStart->checkState() == Qt::Checked) {
        record_.AutoStartOn = kTrue;
        shortcut_.create();
    }
}
