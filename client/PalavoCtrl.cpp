#include "PalavoCtrl.h"

#include "client/ChatInfo.h"
#include "client/CommaList.h"
#include "client/ControlForm.h"
#include "client/GroupInformation.h"
#include "client/MemberListModel.h"
#include "client/MemberListView.h"
#include "client/MessageRouting.h"
#include "client/TraceLog.h"
#include "client/UserList.h"
#include "client/groupList.h"
#include "platform/HostInfo.h"
#include "ui/LocationForm.h"
#include "ui/RTCForm.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace
{
PalavoCtrl* g_current = nullptr;
}

QString PalavoCtrl::AllGroups()
{
    return QStringLiteral("すべて");
}

PalavoCtrl::PalavoCtrl(QWidget* parent, const QString& componentProgId) : QWidget(parent)
{
    ChatInfo& info = ChatInfo::Instance();
    info.LoadSetting();
    InitTraceLogPath();
    TraceLog(QStringLiteral("############## UserControl_Initialize() ###############"));

    m_InitializingFlag = true;
    m_EntryState = false;

    m_LocalAddress = HostInfo::LocalIPv4Address();
    g_current = this;
    SetMemberDetails(this);

    // The child controls; the member list with its columns, icons and report view.
    ui.Setup(this);
    m_ViewMode = D_lvwReport;
    connect(ui.MenuEntry, &QAction::triggered, this, &PalavoCtrl::MenuEntry_Click);
    connect(ui.MenuCancelEntry, &QAction::triggered, this, &PalavoCtrl::MenuCancelEntry_Click);
    connect(ui.MenuRenew, &QAction::triggered, this, &PalavoCtrl::MenuRenew_Click);
    connect(ui.CmdRenew, &QPushButton::clicked, this, &PalavoCtrl::MenuRenew_Click);
    // User choices only: selections made in code run the handlers themselves.
    connect(ui.cmbGroup, &QComboBox::activated, this, &PalavoCtrl::cmbGroup_Click);
    connect(ui.cmdGroupCast, &QPushButton::clicked, this, &PalavoCtrl::cmdGroupCast_Click);
    connect(ui.optExistGroup, &QButtonGroup::idClicked, this, &PalavoCtrl::optExist_Click);
    connect(ui.cmdLocation, &QPushButton::clicked, this, &PalavoCtrl::cmdLocation_Click);

    DisplayRenewButton(info.displayRenew());

    m_vim = std::make_unique<ControlForm>(nullptr, componentProgId);
    m_vim->SetListener(this);
    m_vim->Init();

    ui.txtLocation->clear();
    m_InitializingFlag = false;
    SetEntryState(false);
    ui.cmdLocation->setEnabled(false);

    m_GroupFilter = AllGroups();
    RebuildGroups();
    SelectGroupFilter(m_GroupFilter);
    m_AbsenceResponse.clear();

    m_MediaCapabilities = 0;
    m_RTCForm = std::make_unique<RTCForm>();
    m_DummyObj = std::make_unique<RTCForm>();
    if (!m_DummyObj->Init(0, QStringLiteral("dummy"))) {
        // No call client on this machine: voice chat stays off for the whole run.
        TraceLog(QStringLiteral("RTC_Initialize(dummy) is failed."));
        ui.MenuTunigWizard->setEnabled(false);
        ui.MenuVOIP->setEnabled(false);
        DropVoiceCallManager();
        m_DummyObj.reset();
    } else {
        m_MediaCapabilities = m_DummyObj->GetMediaCapabilities();
        TraceLog(QStringLiteral("GetMediaCapabilities =") + QString::number(m_MediaCapabilities));
    }
    m_vim->SetVoiceCallManager(m_RTCForm.get());

    TimerForInitial = new QTimer(this);
    TimerForInitial->setObjectName(QStringLiteral("TimerForInitial"));
    TimerForInitial->setSingleShot(true);
    TimerForInitial->setInterval(500);
    connect(TimerForInitial, &QTimer::timeout, this, &PalavoCtrl::TimerForInitial_Timer);
    TimerForInitial->start();
}

PalavoCtrl::~PalavoCtrl()
{
    TraceLog(QStringLiteral("############## UserControl_Terminate() ###############"));
    if (m_EntryState)
        MenuCancelEntry_Click();
    // The bridge goes first: it drops the network presence unless cancel entry did.
    m_vim.reset();
    m_RTCForm.reset();
    m_DummyObj.reset();
    if (MemberDetails() == this)
        SetMemberDetails(nullptr);
    if (g_current == this)
        g_current = nullptr;
}

PalavoCtrl* PalavoCtrl::Current()
{
    return g_current;
}

MemberListModel* PalavoCtrl::Members() const
{
    return ui.ListView->Members();
}

void PalavoCtrl::SendChat(const QString& IPAddress, const QString& Message, const QString& group)
{
    m_vim->SendChatMessage(IPAddress, Message, group);
}

void PalavoCtrl::SendGroupChat(const QString& Message, const QString& group)
{
    m_vim->SendGroupChatMessage(Message, group);
}

void PalavoCtrl::SendFile(const QString& IPAddr, const QString& FilePath, const QString& comment)
{
    m_vim->SendFile(IPAddr, FilePath, comment);
}

void PalavoCtrl::ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                              bool capT120)
{
    m_vim->RequestVoIP(destIPAddr, myPort, useVideo, capT120);
}

void PalavoCtrl::ReqStopVoIP(const QString& destIPAddr)
{
    m_vim->ReqStopVoIP(destIPAddr);
}

void PalavoCtrl::RejectVoIP(const QString& destIPAddr)
{
    m_vim->RejectVoIP(destIPAddr);
}

void PalavoCtrl::GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr)
{
    m_vim->GetUserDetail(IPAddr, ToolName, mailaddr);
}

void PalavoCtrl::ShutDown()
{
    if (m_EntryState)
        MenuCancelEntry_Click();
}

void PalavoCtrl::DisplayRenewButton(bool visible)
{
    ui.CmdRenew->setVisible(visible);
}

void PalavoCtrl::TimerForInitial_Timer()
{
    TimerForInitial->stop();
    ChatInfo& info = ChatInfo::Instance();
    info.LoadSetting();
    // The user may have entered by hand in the meantime.
    if (info.autoEntry() && !m_EntryState)
        MenuEntry_Click();
}

void PalavoCtrl::MenuEntry_Click()
{
    RebuildGroups();
    SelectGroupFilter(m_GroupFilter);

    const ChatInfo& info = ChatInfo::Instance();
    const bool ok = m_vim->Entry(info.aliase(), info.port(), info.groups(), info.castAddresses(),
                                 info.mailAddress(), info.useHostlist());
    if (!ok) {
        TraceLog(QStringLiteral("MenuEntry_Click vim.Entry--->NG"));
        SetPanelText(1, QStringLiteral("Connect Error"));
        SetPanelText(2, QStringLiteral("RTC OFF"));
        return;
    }
    TraceLog(QStringLiteral("MenuEntry_Click vim.Entry--->OK"));
    SetPanelText(1, QStringLiteral("Online"));
    m_EntryState = true;
    ui.CmdRenew->setEnabled(true);
    SetEntryState(true);

    // Voice chat, when the probe at start-up found a call client.
    if (!m_DummyObj) {
        TraceLog(QStringLiteral("MenuEntry_Click m_DummyObj is Nothing"));
        return;
    }
    if ((m_MediaCapabilities & 1) == 0) {
        SetPanelText(2, QStringLiteral("RTC OFF"));
        DropVoiceCallManager();
    } else if (!m_RTCForm) {
        SetPanelText(2, QStringLiteral("RTC OFF"));
    } else if (!m_RTCForm->Init(m_MediaCapabilities, info.username())) {
        SetPanelText(2, QStringLiteral("RTC OFF"));
        DropVoiceCallManager();
    } else {
        SetPanelText(2, QStringLiteral("RTC ON"));
        QApplication::beep();
    }
}

void PalavoCtrl::MenuCancelEntry_Click()
{
    if (m_RTCForm)
        m_RTCForm->StopAllSession();
    // A failure to drop leaves nothing to undo here: the control is out either way.
    m_vim->ExitChat();
    m_EntryState = false;
    ui.CmdRenew->setEnabled(false);

    Members()->Clear();
    UpdateMemberCount();
    UserList::Instance().RemoveAll();
    groupList::Instance().RemoveAll();

    SetEntryState(false);
    SetPanelText(1, QStringLiteral("Not Connected"));
    SetPanelText(2, QStringLiteral("RTC OFF"));
}

void PalavoCtrl::MenuRenew_Click()
{
    if (!m_EntryState)
        return;
    UserList::Instance().RemoveAll();
    Members()->Clear();
    UpdateMemberCount();
    m_vim->ReEntry();
}

void PalavoCtrl::SetEntryState(bool entered)
{
    ui.MenuCancelEntry->setEnabled(entered);
    ui.optExist[0]->setEnabled(entered);
    ui.optExist[1]->setEnabled(entered);
    ui.cmbGroup->setEnabled(entered);
    ui.MenuMail->setEnabled(entered);
    ui.MenuVOIP->setEnabled(entered);
    ui.MenuMessaging->setEnabled(entered);
    ui.MenuEntry->setEnabled(!entered);
    ui.cmdLocation->setEnabled(false);
    // Entry always enters present and a cancelled entry leaves no presence behind, so the
    // selector and the settings object both go back to "オン" without telling the network.
    ui.optExist[0]->setChecked(true);
    ChatInfo::Instance().setPresence(true);
}

void PalavoCtrl::UpdateMemberCount()
{
    SetPanelText(3, QStringLiteral("メンバ ") + QString::number(Members()->Count()) +
                        QStringLiteral("名"));
}

void PalavoCtrl::DropVoiceCallManager()
{
    if (m_vim)
        m_vim->SetVoiceCallManager(nullptr);
    m_RTCForm.reset();
}

void PalavoCtrl::optExist_Click(int index)
{
    if (m_InitializingFlag)
        return;
    ChatInfo& info = ChatInfo::Instance();
    if (index == 1) {
        m_vim->UpdatePresence(false, info.Location(), m_AbsenceResponse);
        info.setPresence(false);
        ui.cmdLocation->setEnabled(true);
    } else {
        m_vim->UpdatePresence(true, QString(), QString());
        info.setPresence(true);
        ui.cmdLocation->setEnabled(false);
    }
}

void PalavoCtrl::cmdLocation_Click()
{
    ChatInfo& info = ChatInfo::Instance();
    LocationForm form(this);
    form.setLocation(info.Location());
    form.m_LocationList = info.locationList();
    form.m_Response = m_AbsenceResponse;
    form.updateList();
    form.exec();
    if (!form.m_boolBtnStatus)
        return;
    info.setLocation(form.m_Location);
    ui.txtLocation->setText(info.Location());
    m_AbsenceResponse = form.m_Response;
    m_vim->UpdatePresence(false, info.Location(), m_AbsenceResponse);
}

QString PalavoCtrl::PanelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? ui.Panels[panel]->text() : QString();
}

void PalavoCtrl::SetPanelText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= 3)
        ui.Panels[panel]->setText(text);
}

// ---- The group selector ------------------------------------------------------------

void PalavoCtrl::RebuildGroups()
{
    groupList& groups = groupList::Instance();
    ui.cmbGroup->clear();
    groups.RemoveAll();
    ui.cmbGroup->addItem(AllGroups());

    const ChatInfo& info = ChatInfo::Instance();
    // Every group name counts, a one-letter one too.
    for (const QString& name : ParseCommaList(info.groups())) {
        if (groups.SearchGroup(name) == nullptr) {
            ui.cmbGroup->addItem(name);
            groups.Add(std::make_unique<GroupInformation>(name));
        }
        // The host list knows one group a member: only the first is offered.
        if (info.useHostlist())
            break;
    }
}

void PalavoCtrl::SelectGroupFilter(const QString& name)
{
    const int found = ui.cmbGroup->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    ui.cmbGroup->setCurrentIndex(found >= 0 ? found : 0);
    const QString chosen = found > 0 ? name : AllGroups();
    // A filter that changes rebuilds the list as the user's choice would; the same filter
    // leaves the list (and the status bar) as they are.
    if (chosen != m_GroupFilter)
        cmbGroup_Click();
    else
        ui.cmdGroupCast->setEnabled(chosen != AllGroups());
}

void PalavoCtrl::cmbGroup_Click()
{
    // The filter follows what the selector shows, so a group that is no longer offered
    // cannot keep filtering the list behind "すべて".
    m_GroupFilter = ui.cmbGroup->currentIndex() > 0 ? ui.cmbGroup->currentText() : AllGroups();
    const bool isGroup = m_GroupFilter != AllGroups();
    RebuildMemberList(isGroup ? m_GroupFilter : QString());
    ui.cmdGroupCast->setEnabled(isGroup);
}

void PalavoCtrl::cmdGroupCast_Click()
{
    if (GroupInformation* group = groupList::Instance().SearchGroup(m_GroupFilter))
        group->ShowChatForm();
}

void PalavoCtrl::RebuildMemberList(const QString& filter)
{
    std::vector<const UserInformation*> shown;
    const UserList::Collection& members = UserList::Instance().YourDataAll();
    shown.reserve(members.size());
    for (const std::unique_ptr<UserInformation>& member : members) {
        // One row a member, also when its list names the group twice.
        if (filter.isEmpty() || member->groupNames().contains(filter))
            shown.push_back(member.get());
    }
    Members()->Reset(shown);
    UpdateMemberCount();
}

// ---- Member events from the bridge ------------------------------------------------

void PalavoCtrl::OnAddMember(const QString& IPAddress, int32_t PortNo, bool Exist,
                             const QString& Location, const QString& Aliase,
                             const QString& HostName, const QString& UserName,
                             const QString& GroupNames)
{
    auto record = std::make_unique<UserInformation>();
    record->SetInfo(IPAddress, PortNo, HostName, Aliase, Exist, Location, GroupNames, UserName);
    TraceLog(QStringLiteral("OnAddMember(") + IPAddress + QLatin1Char(')'));

    UserList& users = UserList::Instance();
    // A member announced twice keeps its first record.
    if (users.SearchUserAddr(IPAddress) != nullptr)
        return;
    const UserInformation* member = users.Add(std::move(record));
    const QStringList& names = member->groupNames();
    for (const QString& name : names)
        AddMemberToGroup(name, Aliase, IPAddress);
    if (m_GroupFilter == AllGroups() || names.contains(m_GroupFilter)) {
        Members()->Add(*member);
        UpdateMemberCount();
    }
}

void PalavoCtrl::OnChangeMember(const QString& IPAddress, bool Exist, const QString& Location)
{
    UserInformation* member = UserList::Instance().SearchUserAddr(IPAddress);
    if (member == nullptr)
        return;
    member->setPresence(Exist);
    member->setLocation(Location);
    const int row = Members()->FindByTag(IPAddress);
    if (row >= 0)
        Members()->SetPresence(row, Exist, Location);
}

void PalavoCtrl::OnDeleteMember(const QString& IPAddress)
{
    UserList& users = UserList::Instance();
    if (users.SearchUserAddr(IPAddress) == nullptr)
        return;
    users.Delete(IPAddress);
    const int row = Members()->FindByTag(IPAddress);
    if (row >= 0) {
        TraceLog(QStringLiteral("Del") + QString::number(row + 1) + IPAddress);
        Members()->Remove(row);
        UpdateMemberCount();
    }
    // Also a member the filter hides leaves the group windows.
    RemoveMemberFromGroups(IPAddress);
}

void PalavoCtrl::OnRecvMessage(const QString& IPAddress, int32_t, const QString& GroupName,
                               const QString& Message, bool IsSecret)
{
    MessageRouting::RouteMessage(IPAddress, GroupName, Message, IsSecret);
}

void PalavoCtrl::OnAutoResponsed(const QString& IPAddress, const QString& Message)
{
    MessageRouting::RouteAutoResponse(IPAddress, Message);
}

void PalavoCtrl::OnRecvGroupMessage(const QString& IPAddress, int32_t, const QString& GroupName,
                                    const QString& Message)
{
    MessageRouting::RouteGroupMessage(IPAddress, GroupName, Message);
}

void PalavoCtrl::AddMemberToGroup(const QString& group, const QString& aliase,
                                  const QString& address)
{
    if (GroupInformation* record = groupList::Instance().SearchGroup(group))
        record->AddMember(aliase, address);
}

void PalavoCtrl::RemoveMemberFromGroups(const QString& address)
{
    for (const std::unique_ptr<GroupInformation>& group : groupList::Instance().YourDataAll())
        group->DeleteMember(address);
}
