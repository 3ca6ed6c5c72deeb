#pragma once

#include "platform/history/HistoryStore.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class ChatSession;
class HistorySearchForm;
class QAction;
class QWidget;

// The history's items of the "表示" menu: "履歴の検索" (the search window, whose rows
// open their conversation) and "履歴を削除" (the selected member's talk, or all of it,
// each after a question). The items are there only while conversations are kept, so
// the menu is what it always was with the option off.
class HistoryCommands : public QObject
{
    Q_OBJECT
public:
    // `remove` is the item of the submenu that holds `removeMember` and `removeAll`.
    // `selectedAddress` gives the member list's selected member (empty for none). The
    // session, the owner and the actions outlive this object.
    HistoryCommands(ChatSession& session, QWidget* owner, QAction* search, QAction* remove,
                    QAction* removeMember, QAction* removeAll,
                    std::function<QString()> selectedAddress);
    ~HistoryCommands() override;

    // Shows or hides the items as keeping is on or off, and closes the search window
    // when it goes off.
    void Update();
    // A row of the search window: the member's or the group's window, when it is there.
    void OpenConversation(const history::Conversation& conversation);

    HistorySearchForm* SearchForm() const { return m_searchForm.get(); }

private:
    void ShowSearch();
    void RemoveMember();
    void RemoveAll();
    void Removed();
    bool Confirm(const QString& question);

    ChatSession& m_session;
    QWidget* m_owner;
    QAction* m_search;
    QAction* m_remove;
    QAction* m_removeMember;
    QAction* m_removeAll;
    std::function<QString()> m_selectedAddress;
    std::unique_ptr<HistorySearchForm> m_searchForm;
};
