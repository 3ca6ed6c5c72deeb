#include "GroupChatForm.h"

#include "client/ChatInfo.h"
#include "client/ConversationHistory.h"
#include "client/IChatActions.h"
#include "client/LogInfo.h"
#include "client/TraceLog.h"
#include "platform/NotificationService.h"
#include "client/UserList.h"
#include "ui/ChatDisplay.h"
#include "ui/FormPosition.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace
{
enum Column { AliaseColumn, AddressColumn };
// The item's tag: the member's address.
constexpr int TagRole = Qt::UserRole;
} // namespace

GroupChatForm::GroupChatForm(IChatActions& actions, const ChatInfo& info, const UserList& users,
                             ConversationHistory& history, INotificationService& notifications)
    : QWidget(nullptr, Qt::Window), m_actions(actions), m_info(info), m_users(users),
      m_history(history), m_notifications(notifications)
{
    setObjectName(QStringLiteral("GroupChatForm"));
    RichTextBox = new QTextEdit;
    RichTextBox->setObjectName(QStringLiteral("RichTextBox"));
    RichTextBox->setReadOnly(true);
    RichTextBox->setAcceptRichText(false);
    MemberListView = new QTreeWidget;
    MemberListView->setObjectName(QStringLiteral("MemberListView"));
    MemberListView->setRootIsDecorated(false);
    MemberListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MemberListView->setColumnCount(2);
    MemberListView->setHeaderLabels({QStringLiteral("ニックネーム"), QStringLiteral("IPアドレス")});
    MemberListView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    MemberListView->sortByColumn(AliaseColumn, Qt::AscendingOrder);
    MemberListView->setSortingEnabled(true);
    TextBox = new QLineEdit;
    TextBox->setObjectName(QStringLiteral("TextBox"));
    btnSend = new QPushButton(QStringLiteral("送信"));
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnSend->setDefault(true);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(RichTextBox);
    splitter->addWidget(MemberListView);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto* row = new QHBoxLayout;
    row->addWidget(TextBox, 1);
    row->addWidget(btnSend);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(row);
    resize(640, 380);
    splitter->setSizes({420, 220});

    RefreshTimer.setObjectName(QStringLiteral("RefreshTimer"));
    // A child, so that a test can find it by name; as a data member it is destroyed
    // before the widget's children are, so it is not deleted twice.
    RefreshTimer.setParent(this);
    RefreshTimer.setInterval(1000);
    connect(&RefreshTimer, &QTimer::timeout, this, &GroupChatForm::RefreshTimer_Timer);
    connect(TextBox, &QLineEdit::returnPressed, btnSend, &QPushButton::click);
    connect(btnSend, &QPushButton::clicked, this, &GroupChatForm::btnSend_Click);
}

void GroupChatForm::ShowModeless()
{
    if (!isVisible())
        Form_Load();
    show();
    raise();
}

void GroupChatForm::Form_Load()
{
    TraceLog(QStringLiteral("GroupChatForm.Form_Load(") + m_group + QStringLiteral(")"));
    setWindowTitle(QStringLiteral("グループチャット For ") + m_group);
    RestoreFormPosition(*this, QStringLiteral("GroupChatFormGroupFormPOS"));
    RichTextBox->clear();
    ChatDisplay::AppendEarlier(*RichTextBox, m_history.Earlier({true, m_group}));
    loaded = true;
    ViewLog();
    // Disabled windows no longer ask the records: they may be gone with their session.
    if (btnSend->isEnabled())
        RefreshTimer.start();
}

void GroupChatForm::ViewLog()
{
    TraceLog(QStringLiteral("GroupChatForm.ViewLog()"));
    if (!loaded)
        return;
    ChatDisplay::AppendNewLines(*RichTextBox, m_log);
}

void GroupChatForm::btnSend_Click()
{
    const QString text = TextBox->text();
    m_actions.SendGroupChat(text, m_group);
    // The user's own line: no member address, the user's nickname.
    AddLine(m_info.aliase() + QStringLiteral(" =>\t"), text, LogLocal, QString(), m_info.aliase());
    ViewLog();
    TextBox->clear();
}

void GroupChatForm::Recvmsg(const QString& message, const QString& senderAliase,
                            const QString& senderAddress)
{
    TraceLog(QStringLiteral("GroupChatForm.RecvMsg()"));
    AddLine(senderAliase + QStringLiteral(" =>\t"), message, LogReceived, senderAddress,
            senderAliase);
    ViewLog();
    ChatDisplay::AlertUnlessActive(*this);
    if (isActiveWindow())
        return;
    // One notification per group, named after the line's sender.
    const QString summary = senderAliase + QStringLiteral("(") + m_group + QStringLiteral(")");
    m_notifications.Notify({QStringLiteral("group:") + m_group, summary, message}, this, [this] {
        ShowModeless();
        activateWindow();
    });
}

QTreeWidgetItem* GroupChatForm::FindMember(const QString& address) const
{
    for (int i = 0; i < MemberListView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = MemberListView->topLevelItem(i);
        if (item->data(AliaseColumn, TagRole).toString() == address)
            return item;
    }
    return nullptr;
}

void GroupChatForm::AddMember(const QString& aliase, const QString& address)
{
    if (FindMember(address) != nullptr)
        return;
    auto* item = new QTreeWidgetItem({aliase, address});
    item->setData(AliaseColumn, TagRole, address);
    MemberListView->addTopLevelItem(item);
}

void GroupChatForm::DeleteMember(const QString& address)
{
    TraceLog(QStringLiteral("GroupChatForm.DeleteMember(") + address + QStringLiteral(")"));
    delete FindMember(address);
}

// The tool name is asked anew on every tick and not cached: it is a look-up in the
// component's own member table, and a peer's application information may arrive
// seconds after its entry, which a cache would have to notice.
void GroupChatForm::RefreshTimer_Timer()
{
    for (int i = 0; i < MemberListView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = MemberListView->topLevelItem(i);
        const UserInformation* record = m_users.SearchUserAddr(item->text(AddressColumn));
        if (record == nullptr)
            continue;
        const QColor colour = UserInformation::IsProductTool(record->getDetail().ToolName)
                                  ? QColor(0, 0, 0)
                                  : QColor(128, 128, 192);
        for (int column : {AliaseColumn, AddressColumn})
            item->setForeground(column, colour);
    }
}

void GroupChatForm::Disable()
{
    RefreshTimer.stop();
    TextBox->setEnabled(false);
    btnSend->setEnabled(false);
    ChatDisplay::GreyOut(*TextBox);
    ChatDisplay::GreyOut(*RichTextBox);
    ChatDisplay::GreyOut(*MemberListView);
}

bool GroupChatForm::OutlivesRecord(std::function<void()> closed)
{
    if (!isVisible())
        return false;
    m_ownsItself = true;
    m_closed = std::move(closed);
    return true;
}

void GroupChatForm::Reclaim()
{
    m_ownsItself = false;
    m_closed = nullptr;
    TextBox->setEnabled(true);
    btnSend->setEnabled(true);
    for (QWidget* widget : {static_cast<QWidget*>(TextBox), static_cast<QWidget*>(RichTextBox),
                            static_cast<QWidget*>(MemberListView)})
        ChatDisplay::Restore(*widget);
    if (isVisible())
        RefreshTimer.start();
}

void GroupChatForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    m_actions.ChatSeen(QString(), m_group);
    m_notifications.Withdraw(QStringLiteral("group:") + m_group);
}

void GroupChatForm::closeEvent(QCloseEvent* event)
{
    m_actions.ChatSeen(QString(), m_group);
    RefreshTimer.stop();
    QWidget::closeEvent(event);
    if (!std::exchange(m_ownsItself, false))
        return;
    if (m_closed)
        std::exchange(m_closed, nullptr)();
    deleteLater();
}

void GroupChatForm::AddLine(const QString& prefix, const QString& text, int16_t state,
                            const QString& address, const QString& nickname)
{
    m_log.AddLog(prefix + text, state);
    m_history.Shown({true, m_group}, address, nickname, state, prefix + text,
                    static_cast<int>(prefix.size()));
}
