#include "QtMessageBoxService.h"

#include <QMessageBox>
#include <QWidget>

namespace
{

QMessageBox::Icon ToQt(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::None:
        return QMessageBox::NoIcon;
    case MessageBoxIcon::Information:
        return QMessageBox::Information;
    case MessageBoxIcon::Warning:
        return QMessageBox::Warning;
    case MessageBoxIcon::Error:
        return QMessageBox::Critical;
    case MessageBoxIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::Ok:
        return QMessageBox::Ok;
    case MessageBoxButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageBoxButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageBoxButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageBoxButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQt(MessageBoxAnswer answer)
{
    switch (answer) {
    case MessageBoxAnswer::Ok:
        return QMessageBox::Ok;
    case MessageBoxAnswer::Cancel:
        return QMessageBox::Cancel;
    case MessageBoxAnswer::Yes:
        return QMessageBox::Yes;
    case MessageBoxAnswer::No:
        return QMessageBox::No;
    case MessageBoxAnswer::Retry:
        return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

// A box closed without a button (the window's close box) counts as the way out the
// button set offers: Cancel, else No, else the only button there is.
MessageBoxAnswer EscapeAnswer(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::Ok:
        return MessageBoxAnswer::Ok;
    case MessageBoxButtons::YesNo:
        return MessageBoxAnswer::No;
    case MessageBoxButtons::OkCancel:
    case MessageBoxButtons::YesNoCancel:
    case MessageBoxButtons::RetryCancel:
        return MessageBoxAnswer::Cancel;
    }
    return MessageBoxAnswer::Cancel;
}

} // namespace

MessageBoxAnswer QtMessageBoxService::Show(QObject* owner, const MessageBoxRequest& request)
{
    QMessageBox box(ToQt(request.Icon), request.Caption, request.Text, ToQt(request.Buttons),
                    qobject_cast<QWidget*>(owner));
    // Texts may come from peers; markup in them is shown, never interpreted.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(ToQt(DefaultAnswer(request.Buttons)));

    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageBoxAnswer::Ok;
    case QMessageBox::Cancel:
        return MessageBoxAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageBoxAnswer::Yes;
    case QMessageBox::No:
        return MessageBoxAnswer::No;
    case QMessageBox::Retry:
        return MessageBoxAnswer::Retry;
    default:
        return EscapeAnswer(request.Buttons);
    }
}
