#include "ChatSession.h"

#include "client/ClientLog.h"
#include "client/CommaList.h"
#include "client/ControlForm.h"
#include "client/GroupInformation.h"
#include "client/IChatSessionView.h"
#include "client/MessageRouting.h"
#include "client/TraceLog.h"
#include "component/ErrorInfo.h"
#include "platform/BeepService.h"
#include "platform/HostInfo.h"
#include "platform/TrayService.h"
#include "platform/history/SqliteHistoryStore.h"

QString ChatSession::AllGroups()
{
    return QStringLiteral("すべて");
}

ChatSession::ChatSession(ClassRegistry& registry, const PlatformServices& services,
                         IChatSessionView& view, VoiceCallManagerFactory makeCallManager,
                         QString componentProgId)
    : m_registry(registry), m_services(services), m_view(view),
      m_makeCallManager(std::move(makeCallManager)), m_componentProgId(std::move(componentProgId)),
      m_history(services.MessageBoxes,
                [](history::Error& error) -> std::unique_ptr<history::IHistoryStore> {
                    return history::SqliteHistoryStore::Open(HostInfo::HistoryFile(), error);
                })
{
    TimerForInitial.setObjectName(QStringLiteral("TimerForInitial"));
    TimerForInitial.setParent(this);
    TimerForInitial.setSingleShot(true);
    TimerForInitial.setInterval(500);
    connect(&TimerForInitial, &QTimer::timeout, this, &ChatSession::TimerForInitial_Timer);
}

ChatSession::~ChatSession()
{
    TraceLog(QStringLiteral("############## UserControl_Terminate() ###############"));
    if (m_EntryState)
        CancelEntry();
    // The bridge goes first: it drops the network presence unless cancel entry did.
    m_vim.reset();
    m_RTCForm.reset();
    m_DummyObj.reset();
    // The records go while everything their windows were made with is still here.
    m_groups.RemoveAll();
    m_users.RemoveAll();
}

void ChatSession::Start()
{
    m_info.LoadSetting();
    InitTraceLogPath();
    TraceLog(QStringLiteral("############## UserControl_Initialize() ###############"));

    m_EntryState = false;
    m_LocalAddress = HostInfo::LocalIPv4Address();
    m_history.SetKeeping(m_info.saveHistory());

    m_vim =
        std::make_unique<ControlForm>(m_registry, m_services, m_info, nullptr, m_componentProgId);
    m_vim->SetListener(this);
    m_vim->Init();

    SetEntryState(false);
    if (m_services.Tray != nullptr)
        m_services.Tray->ShowUnread(UnreadConversations());
    m_GroupFilter = AllGroups();
    RebuildGroups();
    SelectGroupFilter(m_GroupFilter);
    m_AbsenceResponse.clear();

    ProbeVoiceChat();
    TimerForInitial.start();
}

void ChatSession::ProbeVoiceChat()
{
    m_MediaCapabilities.reset();
    if (m_makeCallManager) {
        m_RTCForm = m_makeCallManager();
        m_DummyObj = m_makeCallManager();
    }
    if (!m_DummyObj || !m_DummyObj->Init(0, QStringLiteral("dummy"))) {
        // No call client on this machine: voice chat stays off for the whole run.
        TraceLog(QStringLiteral("RTC_Initialize(dummy) is failed."));
        m_view.DisableVoiceChat();
        DropVoiceCallManager();
        m_DummyObj.reset();
        m_MediaCapabilities = 0;
    }
    m_vim->SetVoiceCallManager(m_RTCForm.get());
}

int16_t ChatSession::MediaCapabilities() const
{
    if (!m_MediaCapabilities) {
        m_MediaCapabilities = m_DummyObj ? m_DummyObj->GetMediaCapabilities() : 0;
        TraceLog(QStringLiteral("GetMediaCapabilities =") + QString::number(*m_MediaCapabilities));
    }
    return *m_MediaCapabilities;
}

void ChatSession::TuningWizard()
{
    if (m_DummyObj)
        m_DummyObj->TuningWizard();
}

void ChatSession::TimerForInitial_Timer()
{
    TimerForInitial.stop();
    MediaCapabilities();
    m_info.LoadSetting();
    // The user may have entered by hand in the meantime.
    if (m_info.autoEntry() && !m_EntryState)
        Entry();
}

void ChatSession::Entry()
{
    RebuildGroups();
    SelectGroupFilter(m_GroupFilter);

    const bool ok =
        m_vim->Entry(m_info.aliase(), m_info.port(), m_info.groups(), m_info.castAddresses(),
                     m_info.mailAddress(), m_info.useHostlist());
    if (!ok) {
        TraceLog(QStringLiteral("MenuEntry_Click vim.Entry--->NG"));
        m_view.ShowPanelText(1, QStringLiteral("Connect Error"));
        m_view.ShowPanelText(2, QStringLiteral("RTC OFF"));
        return;
    }
    TraceLog(QStringLiteral("MenuEntry_Click vim.Entry--->OK"));
    m_view.ShowPanelText(1, QStringLiteral("Online"));
    m_EntryState = true;
    SetEntryState(true);
    StartVoiceChat();
}

void ChatSession::StartVoiceChat()
{
    // Voice chat, when the probe at start-up found a call client.
    if (!m_DummyObj) {
        TraceLog(QStringLiteral("MenuEntry_Click m_DummyObj is Nothing"));
        return;
    }
    const int16_t caps = MediaCapabilities();
    if ((caps & 1) == 0) {
        m_view.ShowPanelText(2, QStringLiteral("RTC OFF"));
        DropVoiceCallManager();
    } else if (!m_RTCForm) {
        m_view.ShowPanelText(2, QStringLiteral("RTC OFF"));
    } else if (!m_RTCForm->Init(caps, m_info.username())) {
        m_view.ShowPanelText(2, QStringLiteral("RTC OFF"));
        DropVoiceCallManager();
    } else {
        m_view.ShowPanelText(2, QStringLiteral("RTC ON"));
        m_services.Beeps.Beep(IBeepService::DesktopBeep, 0);
    }
}

void ChatSession::CancelEntry()
{
    if (m_RTCForm)
        m_RTCForm->StopAllSession();
    // A failure to drop leaves nothing to undo here: the session is out either way.
    m_vim->ExitChat();
    m_EntryState = false;

    m_view.ShowMembers({});
    // The group windows kept for the next entry list nobody: who is there is asked anew.
    for (const std::unique_ptr<UserInformation>& member : m_users.YourDataAll())
        RemoveMemberFromGroups(member->address());
    m_users.RemoveAll();
    m_groups.RemoveAll();

    SetEntryState(false);
    m_view.ShowPanelText(1, QStringLiteral("Not Connected"));
    m_view.ShowPanelText(2, QStringLiteral("RTC OFF"));
}

void ChatSession::Refresh()
{
    if (!m_EntryState)
        return;
    m_users.RemoveAll();
    m_view.ShowMembers({});
    m_vim->ReEntry();
}

void ChatSession::ShutDown()
{
    if (m_EntryState)
        CancelEntry();
}

void ChatSession::SetEntryState(bool entered)
{
    m_view.ShowEntryState(entered);
    // Entry always enters present and a cancelled entry leaves no presence behind, so the
    // selector and the settings object both go back to "オン" without telling the network.
    m_info.setPresence(true);
    ShowTrayPresence();
}

void ChatSession::ShowTrayPresence()
{
    if (m_services.Tray == nullptr)
        return;
    m_services.Tray->ShowPresence(!m_EntryState       ? TrayPresence::NotEntered
                                  : m_info.Presence() ? TrayPresence::Present
                                                      : TrayPresence::Absent);
}

void ChatSession::DropVoiceCallManager()
{
    if (m_vim)
        m_vim->SetVoiceCallManager(nullptr);
    m_RTCForm.reset();
}

void ChatSession::SetPresent(bool present)
{
    if (present)
        m_vim->UpdatePresence(true, QString(), QString());
    else
        m_vim->UpdatePresence(false, m_info.Location(), m_AbsenceResponse);
    m_info.setPresence(present);
    ShowTrayPresence();
}

void ChatSession::SetAbsence(const QString& location, const QString& response)
{
    m_info.setLocation(location);
    m_AbsenceResponse = response;
    m_vim->UpdatePresence(false, m_info.Location(), m_AbsenceResponse);
}

// ---- Groups and the member filter -------------------------------------------------

void ChatSession::RebuildGroups()
{
    m_groups.RemoveAll();
    QStringList offered;
    // Every group name counts, a one-letter one too.
    for (const QString& name : ParseCommaList(m_info.groups())) {
        if (m_groups.SearchGroup(name) == nullptr) {
            offered << name;
            m_groups.Add(std::make_unique<GroupInformation>(name, &m_records))->ReclaimChatForm();
        }
        // The host list knows one group a member: only the first is offered.
        if (m_info.useHostlist())
            break;
    }
    m_view.ShowGroups(offered);
}

void ChatSession::SelectGroupFilter(const QString& name)
{
    const bool offered = name != AllGroups() && m_groups.SearchGroup(name) != nullptr;
    const QString chosen = offered ? name : AllGroups();
    // A filter that changes rebuilds the list as the user's choice would; the same filter
    // leaves the list (and the status bar) as they are.
    if (chosen != m_GroupFilter)
        ChooseGroupFilter(chosen);
    else
        m_view.ShowGroupFilter(chosen);
}

void ChatSession::ChooseGroupFilter(const QString& name)
{
    m_GroupFilter = name;
    m_view.ShowGroupFilter(m_GroupFilter);
    RebuildMemberList(m_GroupFilter != AllGroups() ? m_GroupFilter : QString());
}

void ChatSession::RebuildMemberList(const QString& filter)
{
    std::vector<const UserInformation*> shown;
    shown.reserve(m_users.YourDataAll().size());
    for (const std::unique_ptr<UserInformation>& member : m_users.YourDataAll()) {
        // One row a member, also when its list names the group twice.
        if (filter.isEmpty() || member->groupNames().contains(filter))
            shown.push_back(member.get());
    }
    m_view.ShowMembers(shown);
}

void ChatSession::ShowGroupChat()
{
    if (GroupInformation* group = m_groups.SearchGroup(m_GroupFilter))
        group->ShowChatForm();
}

void ChatSession::AddMemberToGroup(const QString& group, const QString& aliase,
                                   const QString& address)
{
    if (GroupInformation* record = m_groups.SearchGroup(group))
        record->AddMember(aliase, address);
}

void ChatSession::RemoveMemberFromGroups(const QString& address)
{
    for (const std::unique_ptr<GroupInformation>& group : m_groups.YourDataAll())
        group->DeleteMember(address);
}

// ---- Member events from the bridge ------------------------------------------------

void ChatSession::OnAddMember(const QString& IPAddress, int32_t PortNo, bool Exist,
                              const QString& Location, const QString& Aliase,
                              const QString& HostName, const QString& UserName,
                              const QString& GroupNames)
{
    TraceLog(QStringLiteral("OnAddMember(") + IPAddress + QLatin1Char(')'));
    // A member announced twice keeps its first record.
    if (m_users.SearchUserAddr(IPAddress) != nullptr)
        return;
    auto record = std::make_unique<UserInformation>(&m_records);
    record->SetInfo(IPAddress, PortNo, HostName, Aliase, Exist, Location, GroupNames, UserName);
    UserInformation* member = m_users.Add(std::move(record));
    // A member back at its address gets the window it left on screen, enabled again.
    member->ReclaimChatForm();
    const QStringList& names = member->groupNames();
    for (const QString& name : names)
        AddMemberToGroup(name, Aliase, IPAddress);
    if (m_GroupFilter == AllGroups() || names.contains(m_GroupFilter))
        m_view.AddMemberRow(*member);
}

void ChatSession::OnChangeMember(const QString& IPAddress, bool Exist, const QString& Location)
{
    UserInformation* member = m_users.SearchUserAddr(IPAddress);
    if (member == nullptr)
        return;
    member->setPresence(Exist);
    member->setLocation(Location);
    m_view.UpdateMemberRow(*member);
}

void ChatSession::OnDeleteMember(const QString& IPAddress)
{
    if (m_users.SearchUserAddr(IPAddress) == nullptr)
        return;
    m_view.RemoveMemberRow(IPAddress);
    m_users.Delete(IPAddress);
    // Also a member the filter hides leaves the group windows.
    RemoveMemberFromGroups(IPAddress);
    OpenWaitingWindows(); // its window may have gone with it
}

void ChatSession::OnRecvMessage(const QString& IPAddress, int32_t, const QString& GroupName,
                                const QString& Message, bool IsSecret)
{
    MessageRouting::RouteMessage(m_users, IPAddress, GroupName, Message, IsSecret);
    const UserInformation* sender = m_users.SearchUserAddr(IPAddress);
    if (sender == nullptr)
        return;
    const IChatForm* form = sender->ExistingChatForm();
    NoteUnread(m_unreadMembers, IPAddress, form != nullptr && form->IsActive());
    if (form != nullptr && form->IsShown())
        return;
    // Held for want of room on screen: no window tells the desktop, so the session does
    // (under the window's own key), and a click opens the window with the held lines.
    m_services.Notifications.Notify(
        {QStringLiteral("chat:") + IPAddress, sender->aliase(), Message}, this, [this, IPAddress] {
            if (UserInformation* member = m_users.SearchUserAddr(IPAddress))
                member->ShowChatForm();
        });
}

void ChatSession::OnAutoResponsed(const QString& IPAddress, const QString& Message)
{
    MessageRouting::RouteAutoResponse(m_users, IPAddress, Message);
}

void ChatSession::OnRecvGroupMessage(const QString& IPAddress, int32_t, const QString& GroupName,
                                     const QString& Message)
{
    if (!MessageRouting::RouteGroupMessage(m_users, m_groups, m_info, IPAddress, GroupName,
                                           Message))
        return;
    if (const IGroupChatForm* form = m_groups.SearchGroup(GroupName)->ExistingChatForm())
        NoteUnread(m_unreadGroups, GroupName, form->IsActive());
}

// A line that arrives in a window the user is not looking at waits there to be read.
void ChatSession::NoteUnread(QSet<QString>& unread, const QString& key, bool active)
{
    const qsizetype before = unread.size();
    if (active)
        unread.remove(key);
    else
        unread.insert(key);
    if (unread.size() != before && m_services.Tray != nullptr)
        m_services.Tray->ShowUnread(UnreadConversations());
}

void ChatSession::ChatSeen(const QString& IPAddress, const QString& group)
{
    if (group.isEmpty())
        NoteUnread(m_unreadMembers, IPAddress, true);
    else
        NoteUnread(m_unreadGroups, group, true);
    // A window that closes says so before it leaves the screen: look once it has.
    if (!m_windowLimit.Waiting().isEmpty())
        QMetaObject::invokeMethod(this, &ChatSession::OpenWaitingWindows, Qt::QueuedConnection);
}

void ChatSession::OpenWaitingWindows()
{
    const QStringList waiting = m_windowLimit.Waiting();
    for (const QString& address : waiting) {
        if (m_windowLimit.Full())
            return;
        if (UserInformation* member = m_users.SearchUserAddr(address))
            member->ShowChatForm();
    }
}

// ---- What the windows ask for ------------------------------------------------------

void ChatSession::SendChat(const QString& IPAddress, const QString& Message, const QString& group)
{
    m_vim->SendChatMessage(IPAddress, Message, group);
}

void ChatSession::SendGroupChat(const QString& Message, const QString& group)
{
    m_vim->SendGroupChatMessage(Message, group);
}

// The bridge leaves these two failures (the transfer port cannot be opened, say) to its
// caller. Nobody above the session can act on them, and a description left in the error
// information would later be taken for an unrelated failure, so the user sees it now.
void ChatSession::SendFile(const QString& IPAddr, const QString& FilePath, const QString& comment)
{
    const HRESULT hr = m_vim->SendFile(IPAddr, FilePath, comment);
    if (FAILED(hr))
        m_vim->ShowFailure(hr);
}

bool ChatSession::ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                               bool capT120)
{
    const HRESULT hr = m_vim->RequestVoIP(destIPAddr, myPort, useVideo, capT120);
    if (FAILED(hr))
        m_vim->ShowFailure(hr);
    // S_FALSE: the member takes no calls, already explained in a box.
    return hr == S_OK;
}

void ChatSession::ReqStopVoIP(const QString& destIPAddr)
{
    m_vim->ReqStopVoIP(destIPAddr);
}

void ChatSession::RejectVoIP(const QString& destIPAddr)
{
    m_vim->RejectVoIP(destIPAddr);
}

void ChatSession::GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr)
{
    // An unknown member has no details; nothing is left in the error information.
    if (FAILED(m_vim->GetUserDetail(IPAddr, ToolName, mailaddr)))
        qCDebug(lcClient) << "no details for" << IPAddr << TakeErrorInfo().Description;
}
