#pragma once

#include <QString>
#include <QStringList>

class ChatForm;
class GroupChatForm;
class PalavoCtrl;
class QWidget;

// The chat windows of a PalavoXP window in the test process, read and typed into as a
// person would.
namespace ChatWindows
{
// The member's one-to-one window, null until its record made one.
ChatForm* Of(PalavoCtrl& ctrl, const QString& address);
// The group's window, null until its record made one.
GroupChatForm* OfGroup(PalavoCtrl& ctrl, const QString& group);
// Each line of the window's display as "text|#rrggbb" (the colour of its start).
QStringList Lines(QWidget& window);
// Types `text` into the input line and presses Enter.
void Type(QWidget& window, const QString& text);
} // namespace ChatWindows
