#pragma once

#include <QString>
#include <QWidget>

class ChatSession;
class MemberCommands;
class QAction;
class QDropEvent;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;
class UserInformation;

// "検索": searches the member list by nickname and offers, on the hits, the commands of
// the main list. A modeless window the main control shows from its "検索" item; the
// hits are a snapshot, so every command looks its member up again and says when the
// member has left. File transfer and calls go through the main control's commands.
class QueryForm : public QWidget
{
    Q_OBJECT
public:
    // Both outlive the window.
    QueryForm(ChatSession& session, MemberCommands& commands, QWidget* parent = nullptr);

    // "検索開始": with an empty key, the previous hits stay.
    void CmdQuery_Click();
    // The commands of the pop-up, on the selected hit.
    void OpenChat();
    void StartVoiceChat();
    void SendMail();
    void StartFileTransfer();

    QLineEdit* txtQueryKey = nullptr;
    QPushButton* CmdQuery = nullptr;
    QPushButton* cmdClose = nullptr;
    QTreeWidget* ListQueryView = nullptr;
    QMenu* SubMenu = nullptr;
    QAction* RClickMenu[5] = {}; // 1 to 4 are used

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Sets the column widths from the list's width, as the window first lays out.
    void SizeColumns();
    void ListQueryView_DblClick();
    void DropFiles(QDropEvent* event);
    // The selected hit's key (the member's address); empty when there is none.
    QString SelectedKey() const;
    // The hit's member, or null after the box "相手は、もうエントリしていません".
    UserInformation* LookUp(const QString& key);
    void ShowBox(const QString& text, const QString& caption);

    ChatSession& m_session;
    MemberCommands& m_commands;
    int m_sortColumn = -1;
};
