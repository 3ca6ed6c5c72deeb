#include "ui/HistoryCommands.h"

#include "client/ChatSession.h"
#include "client/GroupInformation.h"
#include "client/UserInformation.h"
#include "platform/MessageBoxService.h"
#include "ui/HistorySearchForm.h"

#include <QAction>

#include <utility>

HistoryCommands::HistoryCommands(ChatSession& session, QWidget* owner, QAction* search,
                                 QAction* remove, QAction* removeMember, QAction* removeAll,
                                 std::function<QString()> selectedAddress)
    : QObject(owner), m_session(session), m_owner(owner), m_search(search), m_remove(remove),
      m_removeMember(removeMember), m_removeAll(removeAll),
      m_selectedAddress(std::move(selectedAddress))
{
    connect(m_search, &QAction::triggered, this, &HistoryCommands::ShowSearch);
    connect(m_removeMember, &QAction::triggered, this, &HistoryCommands::RemoveMember);
    connect(m_removeAll, &QAction::triggered, this, &HistoryCommands::RemoveAll);
    Update();
}

HistoryCommands::~HistoryCommands() = default;

void HistoryCommands::Update()
{
    const bool keeping = m_session.History().Keeping();
    for (QAction* item : {m_search, m_remove})
        item->setVisible(keeping);
    m_removeMember->setEnabled(keeping && !m_selectedAddress().isEmpty());
    if (!keeping)
        m_searchForm.reset();
}

void HistoryCommands::ShowSearch()
{
    if (!m_searchForm)
        m_searchForm = std::make_unique<HistorySearchForm>(
            m_session.History(),
            [this](const history::Conversation& conversation) { OpenConversation(conversation); });
    m_searchForm->show();
    m_searchForm->raise();
    m_searchForm->activateWindow();
}

void HistoryCommands::OpenConversation(const history::Conversation& conversation)
{
    if (conversation.group) {
        if (GroupInformation* group = m_session.Groups().SearchGroup(conversation.name)) {
            group->ShowChatForm();
            return;
        }
    } else if (UserInformation* member = m_session.Users().SearchUserAddr(conversation.name)) {
        member->ShowChatForm();
        return;
    }
    m_session.Services().MessageBoxes.Show(
        m_searchForm.get(), {conversation.group ? QStringLiteral("このグループは、今はありません")
                                                : QStringLiteral("相手は、もうエントリしていません"),
                             QStringLiteral("相手がいない"), MessageBoxIcon::Warning,
                             MessageBoxButtons::Ok});
}

bool HistoryCommands::Confirm(const QString& question)
{
    return m_session.Services().MessageBoxes.Show(
               m_owner, {question, QStringLiteral("かくにん"), MessageBoxIcon::Question,
                         MessageBoxButtons::YesNo})
           == MessageBoxAnswer::Yes;
}

void HistoryCommands::RemoveMember()
{
    const QString address = m_selectedAddress();
    if (address.isEmpty())
        return;
    const UserInformation* member = m_session.Users().SearchUserAddr(address);
    const QString name = member != nullptr ? member->aliase() + QStringLiteral(" (") + address
                                                 + QStringLiteral(")")
                                           : address;
    if (Confirm(name + QStringLiteral(" との会話の履歴を削除しますか？")))
        m_session.History().RemoveMember(address);
    Removed();
}

void HistoryCommands::RemoveAll()
{
    if (Confirm(QStringLiteral("すべての会話の履歴を削除しますか？")))
        m_session.History().RemoveAll();
    Removed();
}

void HistoryCommands::Removed()
{
    Update();
    // Rows of removed lines would open talk that is no longer there.
    if (m_searchForm)
        m_searchForm->cmdSearch_Click();
}
