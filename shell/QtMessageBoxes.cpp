#include "QtMessageBoxes.h"

#include "splash/AppIcon.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ButtonOf(MsgResult result) {
    switch (result) {
    case MsgResult::Yes:
        return QMessageBox::Yes;
    case MsgResult::No:
        return QMessageBox::No;
    case MsgResult::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

MsgResult QtMessageBoxes::MsgBox(const MsgBoxSpec& box) {
    const QMessageBox::StandardButtons buttons =
        box.buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    // Line breaks are CR LF in the text; a label breaks on LF alone.
    QString text = box.prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox message(IconOf(box.icon), box.title, text, buttons);
    message.setTextFormat(Qt::PlainText);
    message.setWindowIcon(AppIcon());
    message.setDefaultButton(ButtonOf(box.defaultButton));
    switch (message.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return box.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
}
