#pragma once

#include "client/ChatInfo.h"
#include "client/ChatWindowFactory.h"
#include "client/ChatWindowLimit.h"
#include "client/ConversationHistory.h"
#include "client/IChatActions.h"
#include "client/IControlFormEvents.h"
#include "client/IVoiceCallManager.h"
#include "client/ParkedWindows.h"
#include "client/RecordContext.h"
#include "client/UserList.h"
#include "client/groupList.h"
#include "platform/PlatformServices.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class ClassRegistry;
class ControlForm;
class IChatSessionView;

// The chat client without its widgets: it owns the settings object (ChatInfo), the member
// and group lists, the bridge to the network component (ControlForm) and the voice-call
// managers; it runs entry, cancel entry and refresh, keeps the group records and the
// member filter, turns the bridge's member events into records and rows, and routes
// received messages to the records' windows. What the user must see goes to its view
// (IChatSessionView); windows and dialogs are handed the session (IChatActions, the
// settings, the lists) when they are made.
//
//     ChatSession session(registry, services, view, makeCallManager);
//     session.Start();          // settings, bridge, groups, call probe, automatic entry
//     session.Entry();          // as the menu "参加" does
class ChatSession : public QObject, public IChatActions, public IControlFormEvents
{
    Q_OBJECT

public:
    // "すべて": the filter of every member.
    static QString AllGroups();

    // Nothing happens until Start. The registry, services and view outlive the session;
    // `makeCallManager` may be empty (no call client in this build or test).
    ChatSession(ClassRegistry& registry, const PlatformServices& services, IChatSessionView& view,
                VoiceCallManagerFactory makeCallManager = {},
                QString componentProgId = QStringLiteral("PalavoIF.PalavoIF"));
    // Leaves the network when entered; the bridge goes with the session.
    ~ChatSession() override;

    // Start-up: the settings, the bridge with its component, the group selector, the
    // voice-call probe; about half a second later the start-up timer enters the network
    // when "autoEntry" is on.
    void Start();

    // The commands of the "ファイル" menu and the refresh of "表示" and the button "最新".
    void Entry();
    void CancelEntry();
    void Refresh();
    // Cancels the entry when entered (the program's window is closing).
    void ShutDown();

    // The presence selector: present, or absent at the stored memo with the stored reply.
    void SetPresent(bool present);
    // The memo dialog's OK while absent: the new memo and reply go to the network.
    void SetAbsence(const QString& location, const QString& response);

    // The group selector anew from the user's groups: "すべて", then each group (only the
    // first while the host list is in use), with a group record for each.
    void RebuildGroups();
    // Selects `name` (else "すべて") as a choice of the user would; the same filter leaves
    // the rows as they are.
    void SelectGroupFilter(const QString& name);
    // The user chose `name` in the selector ("すべて" for every member).
    void ChooseGroupFilter(const QString& name);
    // The rows anew: every member in the group `filter`, or all for an empty filter.
    void RebuildMemberList(const QString& filter);
    // The group chat window of the current filter.
    void ShowGroupChat();

    // IChatActions: the methods for the windows, in interface order.
    void SendChat(const QString& IPAddress, const QString& Message, const QString& group) override;
    void SendGroupChat(const QString& Message, const QString& group) override;
    void SendFile(const QString& IPAddr, const QString& FilePath, const QString& comment) override;
    bool ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                      bool capT120) override;
    void ReqStopVoIP(const QString& destIPAddr) override;
    void RejectVoIP(const QString& destIPAddr) override;
    void GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr) override;
    void ChatSeen(const QString& IPAddress, const QString& group) override;

    // Conversations with a received line the user has not seen: one a member or group
    // however many lines came. The tray icon (PlatformServices::Tray) shows the count.
    int UnreadConversations() const
    {
        return static_cast<int>(m_unreadMembers.size() + m_unreadGroups.size());
    }

    ChatInfo& Settings() { return m_info; }
    const ChatInfo& Settings() const { return m_info; }
    const UserList& Users() const { return m_users; }
    const groupList& Groups() const { return m_groups; }
    // Where records get their windows; the chat windows install their makers here.
    ChatWindowFactory& Windows() { return m_windows; }
    // The conversation history: the windows hand it their lines, the option turns it on.
    ConversationHistory& History() { return m_history; }
    const PlatformServices& Services() const { return m_services; }

    bool EntryState() const { return m_EntryState; }
    const QString& GroupFilter() const { return m_GroupFilter; }
    const QString& AbsenceResponse() const { return m_AbsenceResponse; }
    const QString& LocalAddress() const { return m_LocalAddress; }
    // What the start-up probe found (1 voice, 2 video, 4 whiteboard). The probe's client
    // is asked the first time this is needed (at the first tick of TimerForInitial, entry
    // or the options dialog, whichever comes first), not at start-up: the program's client
    // answers from a probe process that may still be running, and the window should not
    // wait for it to show.
    int16_t MediaCapabilities() const;
    ControlForm* Bridge() const { return m_vim.get(); }
    // The voice-call session manager; null while voice chat is unavailable.
    IVoiceCallManager* VoiceCallManager() const { return m_RTCForm.get(); }
    // "AVチューニングウィザード": the probe's device picker, while the probe exists.
    void TuningWizard();

    // IControlFormEvents: the member events of the bridge.
    void OnAddMember(const QString& IPAddress, int32_t PortNo, bool Exist, const QString& Location,
                     const QString& Aliase, const QString& HostName, const QString& UserName,
                     const QString& GroupNames) override;
    void OnDeleteMember(const QString& IPAddress) override;
    void OnRecvMessage(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                       const QString& Message, bool IsSecret) override;
    void OnRecvGroupMessage(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                            const QString& Message) override;
    void OnChangeMember(const QString& IPAddress, bool Exist, const QString& Location) override;
    void OnAutoResponsed(const QString& IPAddress, const QString& Message) override;

private:
    void SetEntryState(bool entered);
    void ProbeVoiceChat();
    void StartVoiceChat();
    void DropVoiceCallManager();
    void TimerForInitial_Timer();
    void AddMemberToGroup(const QString& group, const QString& aliase, const QString& address);
    void RemoveMemberFromGroups(const QString& address);
    // The tray's icon and tooltip after a change of entry, presence or unread lines.
    void ShowTrayPresence();
    void NoteUnread(QSet<QString>& unread, const QString& key, bool active);
    // Members whose lines wait for a window get one, longest waiting first, while fewer
    // than the limit are on screen.
    void OpenWaitingWindows();

    ClassRegistry& m_registry;
    PlatformServices m_services;
    IChatSessionView& m_view;
    VoiceCallManagerFactory m_makeCallManager;
    QString m_componentProgId;

    ChatInfo m_info;
    // Before the windows, which store their lines here until they go.
    ConversationHistory m_history;
    ChatWindowFactory m_windows;
    // Before the lists: their records leave their windows here as they go.
    ParkedWindows m_parked;
    ChatWindowLimit m_windowLimit{m_parked};
    UserList m_users;
    groupList m_groups;
    // Handed to every record; points at the session's own parts.
    RecordContext m_records{this, &m_windows, &m_users, &m_parked, &m_windowLimit};

    QTimer TimerForInitial;
    bool m_EntryState = false;
    QString m_GroupFilter = AllGroups();
    QString m_AbsenceResponse;
    QString m_LocalAddress;
    mutable std::optional<int16_t> m_MediaCapabilities;
    // By the member's address and by the group's name: a group may be named like an
    // address.
    QSet<QString> m_unreadMembers;
    QSet<QString> m_unreadGroups;

    std::unique_ptr<ControlForm> m_vim;
    std::unique_ptr<IVoiceCallManager> m_RTCForm;
    std::unique_ptr<IVoiceCallManager> m_DummyObj;
};
