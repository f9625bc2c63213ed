#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

class QLineEdit;

// Gives a text box a form's KeyPress event. Every character code that a key press delivers goes
// through the handler, which may discard it by setting it to 0; the codes left are inserted as
// typed. A character key never reaches the box's own key handling nor the shortcut map, so
// Backspace, Enter, Ctrl+V or Ctrl+A do only what the handler lets through. Keys that deliver no
// character (arrows, Home, End, Delete), focus navigation (Tab) and access keys (Alt+letter)
// keep their usual meaning, and so does text that arrives another way (context menu, drop,
// middle-button paste). The box's input method is switched off: its commits bypass key presses.
class KeyPressFilter : public QObject {
public:
    using Handler = std::function<void(std::int16_t& KeyAscii)>;

    // Owned by `box`.
    KeyPressFilter(QLineEdit* box, Handler keyPress);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* box_;
    Handler keyPress_;
};
