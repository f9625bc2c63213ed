#pragma once

#include <QWidget>

// The About box. OK shows the main window (through showMainWindow) and hides the box.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
signals:
    void showMainWindow();
};
