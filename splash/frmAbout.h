#pragma once

#include <QWidget>

class QPushButton;

// The About box. OK shows the main window (through showMainWindow) and hides the box, which keeps
// its place for the next show; it is centred on its first show only. Enter and Space press OK
// while it holds the focus, which it always does; Escape does nothing.
//
// A close by the window frame (close button, Alt+F4) destroys the box (WA_DeleteOnClose) without
// emitting showMainWindow: the main window stays hidden until the tray icon shows it. Hold the box
// in a QPointer and create it again when it is null; a new box centres itself on its first show.
// Without a parent it stands in for the hidden main window, with a taskbar button of its own.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QPushButton* cmdOk = nullptr;
    void cmdOk_Click();

signals:
    void showMainWindow();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Centre();

    bool loaded_ = false;
    bool awaitingFrame_ = false;
};
