#include "ChatWindows.h"

#include "client/GroupInformation.h"
#include "client/UserList.h"
#include "client/groupList.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"
#include "ui/PalavoCtrl.h"

#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

namespace ChatWindows
{

ChatForm* Of(PalavoCtrl& ctrl, const QString& address)
{
    UserInformation* record = ctrl.Session().Users().SearchUserAddr(address);
    return record != nullptr ? dynamic_cast<ChatForm*>(record->ExistingChatForm()) : nullptr;
}

GroupChatForm* OfGroup(PalavoCtrl& ctrl, const QString& group)
{
    GroupInformation* record = ctrl.Session().Groups().SearchGroup(group);
    return record != nullptr ? dynamic_cast<GroupChatForm*>(record->ExistingChatForm()) : nullptr;
}

QStringList Lines(QWidget& window)
{
    QStringList lines;
    auto* display = window.findChild<QTextEdit*>(QStringLiteral("RichTextBox"));
    if (display == nullptr)
        return lines;
    for (QTextBlock block = display->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty() && !block.next().isValid())
            break; // after the last line break
        const QColor colour = block.begin().fragment().charFormat().foreground().color();
        lines << block.text() + QLatin1Char('|') + colour.name();
    }
    return lines;
}

void Type(QWidget& window, const QString& text)
{
    auto* input = window.findChild<QLineEdit*>(QStringLiteral("TextBox"));
    input->setText(text);
    QTest::keyClick(input, Qt::Key_Return);
}

} // namespace ChatWindows
