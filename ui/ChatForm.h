#pragma once

#include "client/ChatLog.h"
#include "client/IChatForm.h"

#include <QString>
#include <QWidget>

class ConversationHistory;
class IChatActions;
class INotificationService;
class QLineEdit;
class QPushButton;
class QTextEdit;

// The conversation with one member: the coloured lines of its ChatLog above, the input
// line and "送信" below. The member record owns it and shows it modeless; closing it
// only hides it, and the log with its read position stays, so a reopened window starts
// empty and shows the lines recorded since. Sending goes to the chat session.
class ChatForm : public QWidget, public IChatForm
{
    Q_OBJECT

public:
    // `actions` (the session) outlives the window for as long as it is enabled; the
    // history, kept by the session, as long as the window; the desktop's `notifications`
    // outlive it.
    ChatForm(IChatActions& actions, ConversationHistory& history,
             INotificationService& notifications);

    // IChatForm
    void SetPartner(const QString& address, const QString& aliase) override;
    // Loads the window (caption, stored position, the lines not yet shown) when it is not
    // on screen, then shows and raises it.
    void ShowModeless() override;
    void Recvmsg(const QString& message, const QString& group, bool isSecret,
                 const QString& time) override;
    void NotifiyResponsed(const QString& message, const QString& time) override;
    void Disable() override;
    bool OutlivesRecord(std::function<void()> closed) override;
    void Reclaim() override;
    bool IsActive() const override { return isActiveWindow(); }
    bool IsShown() const override { return isVisible(); }

    void ViewLog();

    QString m_address;
    QString m_aliase;

protected:
    // Becoming the active window, or being closed, is the user seeing the conversation;
    // becoming the active one also takes its notification back.
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void ShowTitle();
    void btnSend_Click();
    void NotifyUnlessActive(const QString& text);
    // A line into the log, and into the history when it is kept.
    // `time`: when the line came; empty: now.
    void AddLine(const QString& prefix, const QString& text, int16_t state,
                 const QString& time = {});

    IChatActions& m_actions;
    ConversationHistory& m_history;
    INotificationService& m_notifications;
    bool loaded = false;
    // While the window outlives its record it deletes itself as the user closes it,
    // calling m_closed (when set) first.
    bool m_ownsItself = false;
    std::function<void()> m_closed;
    ChatLog m_log;
    QTextEdit* RichTextBox;
    QLineEdit* TextBox;
    QPushButton* btnSend;
};
