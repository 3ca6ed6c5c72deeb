#pragma once

#include "client/ChatLog.h"
#include "client/IGroupChatForm.h"

#include <QString>
#include <QTimer>
#include <QWidget>

class ChatInfo;
class ConversationHistory;
class IChatActions;
class INotificationService;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class UserList;

// The conversation of one named group: the coloured lines of its ChatLog, the input line
// and "送信", and the group's members (nickname, address), recoloured once a second:
// black for copies of this product, greyish blue for other tools. Messages typed here go
// to the whole group through the chat session. Lifecycle as ChatForm's.
class GroupChatForm : public QWidget, public IGroupChatForm
{
    Q_OBJECT

public:
    // `actions` sends, `info` gives the own nickname at each send, `users` the records
    // the refresh asks for tool names; all outlive the window for as long as it is
    // enabled. The desktop's `notifications` outlive it.
    GroupChatForm(IChatActions& actions, const ChatInfo& info, const UserList& users,
                  ConversationHistory& history, INotificationService& notifications);

    // IGroupChatForm
    void SetGroup(const QString& group) override { m_group = group; }
    void ShowModeless() override;
    void Recvmsg(const QString& message, const QString& senderAliase,
                 const QString& senderAddress) override;
    void AddMember(const QString& aliase, const QString& address) override;
    void DeleteMember(const QString& address) override;
    void Disable() override;
    bool OutlivesRecord(std::function<void()> closed) override;
    void Reclaim() override;
    bool IsActive() const override { return isActiveWindow(); }

    void ViewLog();

    QString m_group;

protected:
    // Becoming the active window, or being closed, is the user seeing the conversation;
    // becoming the active one also takes its notification back.
    void changeEvent(QEvent* event) override;
    // The refresh ends with the window; the next show starts it again.
    void closeEvent(QCloseEvent* event) override;

private:
    // A line into the log, and into the history when it is kept; `address` and
    // `nickname` name the member who said it.
    void AddLine(const QString& prefix, const QString& text, int16_t state,
                 const QString& address, const QString& nickname);
    void Form_Load();
    void btnSend_Click();
    void RefreshTimer_Timer();
    QTreeWidgetItem* FindMember(const QString& address) const;

    IChatActions& m_actions;
    const ChatInfo& m_info;
    const UserList& m_users;
    ConversationHistory& m_history;
    INotificationService& m_notifications;
    bool loaded = false;
    bool m_ownsItself = false; // as ChatForm's
    std::function<void()> m_closed;
    ChatLog m_log;
    QTextEdit* RichTextBox;
    QLineEdit* TextBox;
    QPushButton* btnSend;
    QTreeWidget* MemberListView;
    QTimer RefreshTimer;
};
