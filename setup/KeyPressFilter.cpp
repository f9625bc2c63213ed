#include "KeyPressFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

// The character codes a key press delivers, as a Windows edit control receives them: none for
// Delete (X11 attaches DEL to it) and for focus navigation; the control code for Ctrl with a
// letter, whatever text the platform attached; the control codes of Backspace, Enter and Escape
// even where a platform attaches no text; otherwise the event's text.
QString CharacterCodes(const QKeyEvent& key) {
    const QString text = key.text();
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return {};
    case Qt::Key_Backspace:
        return text.isEmpty() ? QStringLiteral("\b") : text;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return text.isEmpty() ? QStringLiteral("\r") : text;
    case Qt::Key_Escape:
        return text.isEmpty() ? QStringLiteral("\x1b") : text;
    default:
        break;
    }
    const Qt::KeyboardModifiers modifiers = key.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & (Qt::AltModifier | Qt::MetaModifier)) &&
        key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z) {
        return QString(QChar(static_cast<char16_t>(key.key() - Qt::Key_A + 1)));
    }
    return text;
}

} // namespace

KeyPressFilter::KeyPressFilter(QLineEdit* box, Handler keyPress)
    : QObject(box), box_(box), keyPress_(std::move(keyPress)) {
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->installEventFilter(this);
}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != box_ ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const QString codes = CharacterCodes(*key);
    if (codes.isEmpty()) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Claiming the key keeps it from the shortcut map, so it arrives here as a key press.
        // Alt and Meta combinations stay with the map: they are the dialog's access keys.
        if (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) {
            return false;
        }
        event->accept();
        return true;
    }
    QString typed;
    for (const QChar c : codes) {
        auto KeyAscii = static_cast<std::int16_t>(c.unicode());
        keyPress_(KeyAscii);
        if (KeyAscii != 0) {
            typed += QChar(static_cast<char16_t>(KeyAscii));
        }
    }
    if (!typed.isEmpty()) {
        box_->insert(typed);
    }
    return true;
}
