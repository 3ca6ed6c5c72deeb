#pragma once

#include "client/ChatSession.h"
#include "client/IChatSessionView.h"
#include "client/IMemberCommandDialogs.h"
#include "ui/PalavoCtrlUi.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class ClassRegistry;
class ControlForm;
class MemberCommands;
class MemberListModel;
class HistoryCommands;
class QueryForm;
class QAbstractItemView;
class QDropEvent;
class RTCForm;
struct PlatformServices;

// The chat control: the view of the chat session that the program's window holds. It
// shows the member list, the group selector, the presence selector with the
// memo/whereabouts box, the toolbar and the status bar, and forwards the user's clicks
// to its session (ChatSession), which owns the settings, the lists, the network bridge
// and the voice-call managers. Its public methods are the ones the program and the
// windows were written against; they forward to the session.
class PalavoCtrl : public QWidget, private IChatSessionView, private IMemberCommandDialogs
{
    Q_OBJECT
public:
    enum DISP_MODE { D_lvwIcon = 0, D_lvwSmallIcon = 1, D_lvwList = 2, D_lvwReport = 3 };

    // "すべて": the group selector's entry for every member.
    static QString AllGroups() { return ChatSession::AllGroups(); }

    // Starts up: the child controls, then the session (settings, the bridge with the
    // network component made from `registry` under `componentProgId`, the voice-call
    // probe); about half a second later the session enters the network when "autoEntry"
    // is on. The registry and the services outlive the control.
    PalavoCtrl(ClassRegistry& registry, const PlatformServices& services, QWidget* parent = nullptr,
               const QString& componentProgId = QStringLiteral("PalavoIF.PalavoIF"));
    // Leaves the network when entered; the session goes with the control.
    ~PalavoCtrl() override;

    // The methods for the windows, in interface order.
    void SendChat(const QString& IPAddress, const QString& Message, const QString& group);
    void SendGroupChat(const QString& Message, const QString& group);
    void SendFile(const QString& IPAddr, const QString& FilePath, const QString& comment);
    void ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo, bool capT120);
    void ReqStopVoIP(const QString& destIPAddr);
    void RejectVoIP(const QString& destIPAddr);
    void GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr);
    // File transfer to the member of the row whose key (address) is `item`, offering
    // `file` (may be empty); the search window calls it with rows of its own list.
    void ExecFileTrans(const QString& item, const QString& file);
    // Voice chat with the member of the row whose key is `item`.
    void ExecVoiceChat(const QString& item);
    // Cancels the entry when entered; the host calls it when its window unloads.
    Q_INVOKABLE void ShutDown();
    void DisplayRenewButton(bool visible);
    // "オン" or "オフ" chosen elsewhere (the tray's menu): a click on the presence selector,
    // so it does nothing while the selector is disabled (not entered).
    void ChoosePresence(bool present);

    // The commands of the "ファイル" menu and the refresh of "表示" and the button "最新".
    void MenuEntry_Click();
    void MenuCancelEntry_Click();
    void MenuRenew_Click();

    // The list style of the "表示" menu; the check mark follows it.
    void SetViewMode(DISP_MODE mode);
    // Where the file-send dialog and the call confirmation come from; null (the default):
    // the control's own dialogs ("ファイル転送", "音声(ビデオ)チャットの確認"). It outlives
    // the control.
    void SetMemberCommandDialogs(IMemberCommandDialogs* dialogs) { m_dialogs = dialogs; }
    // Opens the broadcast list dialog modally over the given parent: what "高度な設定..."
    // of "オプション設定" does. Empty (the default) disables that button.
    void SetBroadCastListOpener(std::function<void(QWidget*)> open)
    {
        m_openBroadCastList = std::move(open);
    }

    void UpdateMemberCount();
    // The selector again from the user's groups (ChatSession::RebuildGroups).
    void RebuildGroups();
    // Selects `name` (else "すべて") as a choice of the user would.
    void SelectGroupFilter(const QString& name);
    // One row for each member in the group `filter`; every member for an empty filter.
    void RebuildMemberList(const QString& filter);

    ChatSession& Session() { return *m_session; }
    bool EntryState() const { return m_session->EntryState(); }
    const QString& GroupFilter() const { return m_session->GroupFilter(); }
    const QString& AbsenceResponse() const { return m_session->AbsenceResponse(); }
    DISP_MODE ViewMode() const { return m_ViewMode; }
    const QString& LocalAddress() const { return m_session->LocalAddress(); }
    int16_t MediaCapabilities() const { return m_session->MediaCapabilities(); }
    // Panels 1 (connection), 2 (voice chat), 3 (member count).
    QString PanelText(int panel) const;

    ControlForm* vim() const { return m_session->Bridge(); }
    // The voice-call session manager; null while voice chat is unavailable.
    IVoiceCallManager* VoiceCallManager() const { return m_session->VoiceCallManager(); }
    MemberListView* ListView() const { return ui.ListView; }
    MemberListModel* Members() const;

private:
    // What the session shows.
    void ShowEntryState(bool entered) override;
    void ShowPanelText(int panel, const QString& text) override;
    void ShowGroups(const QStringList& groups) override;
    void ShowGroupFilter(const QString& filter) override;
    void ShowMembers(const std::vector<const UserInformation*>& members) override;
    void AddMemberRow(const UserInformation& member) override;
    void UpdateMemberRow(const UserInformation& member) override;
    void RemoveMemberRow(const QString& address) override;
    void DisableVoiceChat() override;

    // IMemberCommandDialogs: forwarded to the dialogs set, if any.
    void ShowFileTrans(const QString& destAddress, const QString& file,
                       const QString& aliase) override;
    bool ConfirmVoIP(const QString& aliase, bool offerVideo, bool& video) override;

    void ConnectMenus();
    void ConnectSettingsMenus();
    // The check mark on the item of the current list style.
    void CheckViewMode();
    // The enabling rules and the check mark, as a toolbar menu drops down.
    void UpdateToolbarMenu(int index);
    // The selected row's key (the member's address); empty when none is selected.
    QString SelectedItem() const;
    void ListView_DblClick();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Files dropped on `view`: the row under the drop point gets the last of them.
    bool DropFiles(QAbstractItemView* view, QDropEvent* event);

    void cmbGroup_Click();
    void cmdGroupCast_Click();
    void optExist_Click(int index);
    void cmdLocation_Click();

    PalavoCtrlUi ui;
    DISP_MODE m_ViewMode = D_lvwReport;
    std::unique_ptr<ChatSession> m_session;
    std::unique_ptr<MemberCommands> m_commands;
    IMemberCommandDialogs* m_dialogs = nullptr;
    std::function<void(QWidget*)> m_openBroadCastList;
    // "検索": the search window, made when first shown and again after it was closed.
    std::unique_ptr<QueryForm> m_queryForm;
    // The history's menu items and search window; a child of the control.
    HistoryCommands* m_history = nullptr;
    void MenuQuery_Click();
};
