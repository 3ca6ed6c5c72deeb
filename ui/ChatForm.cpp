#include "ChatForm.h"

#include "client/ConversationHistory.h"
#include "client/IChatActions.h"
#include "client/LogInfo.h"
#include "client/TraceLog.h"
#include "platform/NotificationService.h"
#include "ui/ChatDisplay.h"
#include "ui/FormPosition.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <utility>

ChatForm::ChatForm(IChatActions& actions, ConversationHistory& history,
                   INotificationService& notifications)
    : QWidget(nullptr, Qt::Window), m_actions(actions), m_history(history),
      m_notifications(notifications)
{
    setObjectName(QStringLiteral("ChatForm"));
    RichTextBox = new QTextEdit(this);
    RichTextBox->setObjectName(QStringLiteral("RichTextBox"));
    RichTextBox->setReadOnly(true);
    RichTextBox->setAcceptRichText(false);
    TextBox = new QLineEdit(this);
    TextBox->setObjectName(QStringLiteral("TextBox"));
    btnSend = new QPushButton(QStringLiteral("送信"), this);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnSend->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(TextBox, 1);
    row->addWidget(btnSend);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichTextBox, 1);
    layout->addLayout(row);
    resize(480, 360);

    // The send button is the default one: Enter in the input line presses it (and does
    // nothing once it is disabled).
    connect(TextBox, &QLineEdit::returnPressed, btnSend, &QPushButton::click);
    connect(btnSend, &QPushButton::clicked, this, &ChatForm::btnSend_Click);
}

void ChatForm::SetPartner(const QString& address, const QString& aliase)
{
    m_address = address;
    m_aliase = aliase;
    // A member back under another nickname finds its window saying so.
    if (loaded)
        ShowTitle();
}

void ChatForm::ShowTitle()
{
    setWindowTitle(QStringLiteral("Chat For ") + m_aliase + QStringLiteral("(") + m_address +
                   QStringLiteral(")"));
}

void ChatForm::ShowModeless()
{
    // A window the user closed was only hidden; loading it again starts an empty display.
    if (!isVisible())
        Form_Load();
    show();
    raise();
}

void ChatForm::Form_Load()
{
    TraceLog(QStringLiteral("ChatForm.Form_Load()"));
    ShowTitle();
    RestoreFormPosition(*this, QStringLiteral("ChatFormFormPOS"));
    RichTextBox->clear();
    ChatDisplay::AppendEarlier(*RichTextBox, m_history.Earlier({false, m_address}));
    loaded = true;
    ViewLog();
}

void ChatForm::ViewLog()
{
    TraceLog(QStringLiteral("ChatForm.ViewLog()"));
    if (!loaded)
        return;
    ChatDisplay::AppendNewLines(*RichTextBox, m_log);
}

void ChatForm::btnSend_Click()
{
    // Sent as typed, an empty text too.
    const QString text = TextBox->text();
    m_actions.SendChat(m_address, text, QString());
    AddLine(m_aliase + QStringLiteral(" <=\t"), text, LogLocal);
    ViewLog();
    TextBox->clear();
}

void ChatForm::Recvmsg(const QString& message, const QString& group, bool isSecret,
                       const QString& time)
{
    Q_UNUSED(isSecret);
    TraceLog(QStringLiteral("ChatForm.RecvMsg()"));
    const QString from = group.isEmpty()
                             ? m_aliase + QStringLiteral(" =>\t")
                             : m_aliase + QStringLiteral("(") + group + QStringLiteral(") =>\t");
    AddLine(from, message, LogReceived, time);
    ViewLog();
    ChatDisplay::AlertUnlessActive(*this);
    NotifyUnlessActive(message);
}

void ChatForm::NotifiyResponsed(const QString& message, const QString& time)
{
    TraceLog(QStringLiteral("ChatForm.NotifiyResponsed()"));
    AddLine(m_aliase + QStringLiteral(" <=\t"), message, LogLocal, time);
    ViewLog();
    ChatDisplay::AlertUnlessActive(*this);
    NotifyUnlessActive(message);
}

void ChatForm::NotifyUnlessActive(const QString& text)
{
    if (isActiveWindow())
        return;
    // One notification per member address, whatever nickname it goes by.
    m_notifications.Notify({QStringLiteral("chat:") + m_address, m_aliase, text}, this, [this] {
        ShowModeless();
        activateWindow();
    });
}

void ChatForm::Disable()
{
    TextBox->setEnabled(false);
    btnSend->setEnabled(false);
    ChatDisplay::GreyOut(*TextBox);
    ChatDisplay::GreyOut(*RichTextBox);
}

bool ChatForm::OutlivesRecord(std::function<void()> closed)
{
    if (!isVisible())
        return false;
    // Still being read: it goes when the user closes it.
    m_ownsItself = true;
    m_closed = std::move(closed);
    return true;
}

void ChatForm::Reclaim()
{
    m_ownsItself = false;
    m_closed = nullptr;
    TextBox->setEnabled(true);
    btnSend->setEnabled(true);
    ChatDisplay::Restore(*TextBox);
    ChatDisplay::Restore(*RichTextBox);
}

void ChatForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    m_actions.ChatSeen(m_address, QString());
    m_notifications.Withdraw(QStringLiteral("chat:") + m_address);
}

void ChatForm::closeEvent(QCloseEvent* event)
{
    m_actions.ChatSeen(m_address, QString());
    QWidget::closeEvent(event);
    if (!std::exchange(m_ownsItself, false))
        return;
    // Whoever kept the window lets go of it first; then it deletes itself.
    if (m_closed)
        std::exchange(m_closed, nullptr)();
    deleteLater();
}

void ChatForm::AddLine(const QString& prefix, const QString& text, int16_t state,
                       const QString& time)
{
    m_log.AddLog(prefix + text, state, time);
    m_history.Shown({false, m_address}, m_address, m_aliase, state, prefix + text,
                    static_cast<int>(prefix.size()));
}
