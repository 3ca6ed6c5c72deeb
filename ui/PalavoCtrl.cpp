#include "PalavoCtrl.h"

#include "client/ControlForm.h"
#include "client/TraceLog.h"
#include "client/UserInformation.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"
#include "ui/LocationForm.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/RTCForm.h"
#include "ui/UiLog.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

PalavoCtrl::PalavoCtrl(ClassRegistry& registry, const PlatformServices& services, QWidget* parent,
                       const QString& componentProgId)
    : QWidget(parent)
{
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

    // The call manager is a window of its own that reaches the session back.
    auto makeCallManager = [this]() -> std::unique_ptr<IVoiceCallManager> {
        return std::make_unique<RTCForm>(*m_session);
    };
    IChatSessionView& view = *this;
    m_session = std::make_unique<ChatSession>(registry, services, view, std::move(makeCallManager),
                                              componentProgId);
    // The records' chat windows, each handed the parts of the session it uses.
    ChatSession& session = *m_session;
    session.Windows().MakeChatForm = [&session]() -> std::unique_ptr<IChatForm> {
        return std::make_unique<ChatForm>(session);
    };
    session.Windows().MakeGroupChatForm = [&session]() -> std::unique_ptr<IGroupChatForm> {
        return std::make_unique<GroupChatForm>(session, session.Settings(), session.Users());
    };
    m_session->Start();

    DisplayRenewButton(m_session->Settings().displayRenew());
    ui.txtLocation->clear();
    ui.cmdLocation->setEnabled(false);
}

PalavoCtrl::~PalavoCtrl()
{
    // The session leaves the network and may still tell this view while it goes.
    m_session.reset();
}

MemberListModel* PalavoCtrl::Members() const
{
    return ui.ListView->Members();
}

void PalavoCtrl::SendChat(const QString& IPAddress, const QString& Message, const QString& group)
{
    m_session->SendChat(IPAddress, Message, group);
}

void PalavoCtrl::SendGroupChat(const QString& Message, const QString& group)
{
    m_session->SendGroupChat(Message, group);
}

void PalavoCtrl::SendFile(const QString& IPAddr, const QString& FilePath, const QString& comment)
{
    m_session->SendFile(IPAddr, FilePath, comment);
}

void PalavoCtrl::ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                              bool capT120)
{
    m_session->ReqStartVoIP(destIPAddr, myPort, useVideo, capT120);
}

void PalavoCtrl::ReqStopVoIP(const QString& destIPAddr)
{
    m_session->ReqStopVoIP(destIPAddr);
}

void PalavoCtrl::RejectVoIP(const QString& destIPAddr)
{
    m_session->RejectVoIP(destIPAddr);
}

void PalavoCtrl::GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr)
{
    m_session->GetUserDetail(IPAddr, ToolName, mailaddr);
}

void PalavoCtrl::ShutDown()
{
    m_session->ShutDown();
}

void PalavoCtrl::DisplayRenewButton(bool visible)
{
    ui.CmdRenew->setVisible(visible);
}

void PalavoCtrl::MenuEntry_Click()
{
    m_session->Entry();
}

void PalavoCtrl::MenuCancelEntry_Click()
{
    m_session->CancelEntry();
}

void PalavoCtrl::MenuRenew_Click()
{
    m_session->Refresh();
}

void PalavoCtrl::RebuildGroups()
{
    m_session->RebuildGroups();
}

void PalavoCtrl::SelectGroupFilter(const QString& name)
{
    m_session->SelectGroupFilter(name);
}

void PalavoCtrl::RebuildMemberList(const QString& filter)
{
    m_session->RebuildMemberList(filter);
}

void PalavoCtrl::UpdateMemberCount()
{
    ShowPanelText(3, QStringLiteral("メンバ ") + QString::number(Members()->Count()) +
                         QStringLiteral("名"));
}

QString PalavoCtrl::PanelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? ui.Panels[panel]->text() : QString();
}

// ---- The user's clicks --------------------------------------------------------------

void PalavoCtrl::optExist_Click(int index)
{
    m_session->SetPresent(index != 1);
    ui.cmdLocation->setEnabled(index == 1);
}

void PalavoCtrl::cmdLocation_Click()
{
    const ChatInfo& info = m_session->Settings();
    LocationForm form(this);
    form.setLocation(info.Location());
    form.m_LocationList = info.locationList();
    form.m_Response = m_session->AbsenceResponse();
    form.updateList();
    form.exec();
    if (!form.m_boolBtnStatus)
        return;
    m_session->SetAbsence(form.m_Location, form.m_Response);
    ui.txtLocation->setText(info.Location());
}

void PalavoCtrl::cmbGroup_Click()
{
    // The filter follows what the selector shows, so a group that is no longer offered
    // cannot keep filtering the list behind "すべて".
    m_session->ChooseGroupFilter(ui.cmbGroup->currentIndex() > 0 ? ui.cmbGroup->currentText()
                                                                 : AllGroups());
}

void PalavoCtrl::cmdGroupCast_Click()
{
    m_session->ShowGroupChat();
}

// ---- What the session shows ---------------------------------------------------------

void PalavoCtrl::ShowEntryState(bool entered)
{
    ui.CmdRenew->setEnabled(entered);
    ui.MenuCancelEntry->setEnabled(entered);
    ui.optExist[0]->setEnabled(entered);
    ui.optExist[1]->setEnabled(entered);
    ui.cmbGroup->setEnabled(entered);
    ui.MenuMail->setEnabled(entered);
    ui.MenuVOIP->setEnabled(entered);
    ui.MenuMessaging->setEnabled(entered);
    ui.MenuEntry->setEnabled(!entered);
    ui.cmdLocation->setEnabled(false);
    ui.optExist[0]->setChecked(true);
}

void PalavoCtrl::ShowPanelText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= 3)
        ui.Panels[panel]->setText(text);
}

void PalavoCtrl::ShowGroups(const QStringList& groups)
{
    ui.cmbGroup->clear();
    ui.cmbGroup->addItem(AllGroups());
    ui.cmbGroup->addItems(groups);
}

void PalavoCtrl::ShowGroupFilter(const QString& filter)
{
    const int found = ui.cmbGroup->findText(filter, Qt::MatchExactly | Qt::MatchCaseSensitive);
    ui.cmbGroup->setCurrentIndex(found >= 0 ? found : 0);
    ui.cmdGroupCast->setEnabled(filter != AllGroups());
}

void PalavoCtrl::ShowMembers(const std::vector<const UserInformation*>& members)
{
    Members()->Reset(members);
    UpdateMemberCount();
}

void PalavoCtrl::AddMemberRow(const UserInformation& member)
{
    Members()->Add(member);
    UpdateMemberCount();
}

void PalavoCtrl::UpdateMemberRow(const UserInformation& member)
{
    const int row = Members()->FindByTag(member.address());
    if (row >= 0)
        Members()->SetPresence(row, member.Presence(), member.Location());
}

void PalavoCtrl::RemoveMemberRow(const QString& address)
{
    const int row = Members()->FindByTag(address);
    if (row < 0) {
        qCDebug(lcUi) << "no row to remove for" << address << "(hidden by the group filter)";
        return;
    }
    TraceLog(QStringLiteral("Del") + QString::number(row + 1) + address);
    Members()->Remove(row);
    UpdateMemberCount();
}

void PalavoCtrl::DisableVoiceChat()
{
    ui.MenuTunigWizard->setEnabled(false);
    ui.MenuVOIP->setEnabled(false);
}
