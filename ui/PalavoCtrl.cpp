#include "PalavoCtrl.h"

#include "client/ControlForm.h"
#include "client/MemberCommands.h"
#include "client/TraceLog.h"
#include "client/UserInformation.h"
#include "ui/AboutBoxForm.h"
#include "ui/BroadCastForm.h"
#include "ui/ChatForm.h"
#include "ui/ConfirmVoIPForm.h"
#include "ui/FileTransForm.h"
#include "ui/GroupChatForm.h"
#include "ui/GroupListForm.h"
#include "ui/LocatioListForm.h"
#include "ui/LocationForm.h"
#include "ui/MemberIcons.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/HistoryCommands.h"
#include "ui/OptionForm.h"
#include "ui/QueryForm.h"
#include "ui/RTCForm.h"
#include "ui/SpecialOptionForm.h"
#include "ui/UiLog.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QUrl>

#include <tuple>
#include <utility>

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
        const PlatformServices& services = m_session->Services();
        return std::make_unique<RTCForm>(*m_session, m_session->Settings(), services.MessageBoxes,
                                         services.Calls, services.Notifications);
    };
    IChatSessionView& view = *this;
    m_session = std::make_unique<ChatSession>(registry, services, view, std::move(makeCallManager),
                                              componentProgId);
    // The records' chat windows, each handed the parts of the session it uses.
    ChatSession& session = *m_session;
    session.Windows().MakeChatForm = [&session]() -> std::unique_ptr<IChatForm> {
        return std::make_unique<ChatForm>(session, session.History(),
                                          session.Services().Notifications);
    };
    session.Windows().MakeGroupChatForm = [&session]() -> std::unique_ptr<IGroupChatForm> {
        return std::make_unique<GroupChatForm>(session, session.Settings(), session.Users(),
                                               session.History(), session.Services().Notifications);
    };
    m_session->Start();
    IMemberCommandDialogs& dialogs = *this;
    m_commands = std::make_unique<MemberCommands>(*m_session, dialogs);
    // "高度な設定..." of the options dialog opens the broadcast list, modal over it.
    SetBroadCastListOpener([this](QWidget* parent) {
        BroadCastForm form(m_session->Settings(), m_session->Services().MessageBoxes, parent);
        form.exec();
    });
    ConnectMenus();

    DisplayRenewButton(m_session->Settings().displayRenew());
    ui.txtLocation->clear();
    ui.cmdLocation->setEnabled(false);
}

PalavoCtrl::~PalavoCtrl()
{
    // The session leaves the network and may still tell this view while it goes.
    m_queryForm.reset();
    m_commands.reset();
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

void PalavoCtrl::ExecFileTrans(const QString& item, const QString& file)
{
    m_commands->ExecFileTrans(item, file);
}

void PalavoCtrl::ExecVoiceChat(const QString& item)
{
    m_commands->ExecVoiceChat(item);
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

void PalavoCtrl::SetViewMode(DISP_MODE mode)
{
    m_ViewMode = mode;
    CheckViewMode();
    if (mode == D_lvwReport) {
        ui.ListStack->setCurrentWidget(ui.ListView);
        return;
    }
    QListView* view = ui.IconView;
    if (mode == D_lvwIcon) {
        view->setViewMode(QListView::IconMode);
        view->setIconSize(QSize(MemberIcons::LargeSize, MemberIcons::LargeSize));
        view->setFlow(QListView::LeftToRight);
        // A cell for the icon and two lines of name, about six wide characters across.
        const QFontMetrics metrics = view->fontMetrics();
        view->setGridSize(QSize(metrics.horizontalAdvance(QStringLiteral("ニックネーム")) + 12,
                                MemberIcons::LargeSize + 2 * metrics.lineSpacing() + 10));
    } else {
        view->setGridSize(QSize());
        view->setViewMode(QListView::ListMode);
        view->setIconSize(QSize(MemberIcons::SmallSize, MemberIcons::SmallSize));
        // Small icons fill the rows from left to right; the list fills columns downwards.
        view->setFlow(mode == D_lvwSmallIcon ? QListView::LeftToRight : QListView::TopToBottom);
    }
    view->setWrapping(true);
    view->setMovement(QListView::Static);
    view->setResizeMode(QListView::Adjust);
    ui.ListStack->setCurrentWidget(view);
}

void PalavoCtrl::CheckViewMode()
{
    QAction* const checks[] = {ui.MenuBigIcon, ui.MenuSmallIcon, ui.MenuListIcon,
                               ui.MenuDetailIcon};
    checks[m_ViewMode]->setChecked(true);
}

// ---- Menus, the pop-up, double clicks and drops ---------------------------------------

void PalavoCtrl::ConnectMenus()
{
    const std::pair<QAction*, DISP_MODE> styles[] = {{ui.MenuBigIcon, D_lvwIcon},
                                                     {ui.MenuSmallIcon, D_lvwSmallIcon},
                                                     {ui.MenuListIcon, D_lvwList},
                                                     {ui.MenuDetailIcon, D_lvwReport}};
    for (const auto& [action, mode] : styles)
        connect(action, &QAction::triggered, this, [this, mode = mode] { SetViewMode(mode); });

    // The member commands act on the selected row; the pop-up's items are the same.
    using Command = void (MemberCommands::*)(const QString&);
    const std::tuple<QAction*, QAction*, Command> commands[] = {
        {ui.MenuMessaging, ui.RClickMenu[1], &MemberCommands::Messaging},
        {ui.MenuVOIP, ui.RClickMenu[2], &MemberCommands::VoiceChat},
        {ui.MenuMail, ui.RClickMenu[3], &MemberCommands::Mail},
        {ui.MenuFileTrans, ui.RClickMenu[4], &MemberCommands::FileTrans},
        {ui.MenuUserProperty, ui.RClickMenu[6], &MemberCommands::UserProperty},
    };
    for (const auto& [menu, popup, command] : commands) {
        auto run = [this, command = command] { (m_commands.get()->*command)(SelectedItem()); };
        connect(menu, &QAction::triggered, this, run);
        connect(popup, &QAction::triggered, this, run);
    }
    connect(ui.MenuHelpHelp, &QAction::triggered, this, [this] { m_commands->Help(); });
    // The group and memo lists of "設定"; the selector follows the groups even after Cancel.
    connect(ui.MenuGroupList, &QAction::triggered, this, [this] {
        GroupListForm form(m_session->Settings(), m_session->Services().MessageBoxes, this);
        form.exec();
        RebuildGroups();
        const QString filter = GroupFilter();
        SelectGroupFilter(filter);
    });
    connect(ui.MenuLocationList, &QAction::triggered, this, [this] {
        LocatioListForm form(m_session->Settings(), m_session->Services().MessageBoxes, this);
        form.exec();
    });
    connect(ui.MenuQuery, &QAction::triggered, this, &PalavoCtrl::MenuQuery_Click);
    m_history = new HistoryCommands(*m_session, this, ui.MenuHistorySearch, ui.MenuHistoryDelete,
                                    ui.MenuHistoryDeleteMember, ui.MenuHistoryDeleteAll,
                                    [this] { return SelectedItem(); });
    // "AVチューニングウィザード": the probe's device picker (the item is disabled without one).
    connect(ui.MenuTunigWizard, &QAction::triggered, this, [this] { m_session->TuningWizard(); });
    ConnectSettingsMenus();

    for (int index : {2, 3, 4})
        connect(ui.Menus[index], &QMenu::aboutToShow, this,
                [this, index] { UpdateToolbarMenu(index); });

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ui.ListView),
                                    static_cast<QAbstractItemView*>(ui.IconView)}) {
        view->viewport()->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &PalavoCtrl::ListView_DblClick);
    }
    // A header click sorts ascending by that column, every time.
    ui.ListView->header()->setSectionsClickable(true);
    connect(ui.ListView->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Members()->Sort(column); });
}

// "オプション設定", "特別な設定" and "バージョン情報": modal dialogs over the control.
void PalavoCtrl::ConnectSettingsMenus()
{
    connect(ui.MenuOption, &QAction::triggered, this, [this] {
        OptionForm form(m_session->Settings(), m_session->Services().MessageBoxes,
                        m_session->MediaCapabilities(), m_openBroadCastList, this,
                        [this](bool keep) {
                            m_session->History().SetKeeping(keep);
                            m_history->Update();
                        });
        form.exec();
    });
    connect(ui.MenuSpecialOption, &QAction::triggered, this, [this] {
        SpecialOptionForm form(
            m_session->Settings(), m_session->Services(),
            [this](bool show) { DisplayRenewButton(show); }, this);
        form.exec();
    });
    connect(ui.MenuHelpVersion, &QAction::triggered, this, [this] {
        AboutBoxForm form(m_session->Services().Shell, m_session->Services().MessageBoxes,
                          ControlForm::ApplicationName(), ControlForm::ApplicationVersion(), this);
        form.exec();
    });
}

void PalavoCtrl::UpdateToolbarMenu(int index)
{
    const bool entered = m_session->EntryState();
    switch (index) {
    case 2:
        ui.MenuRenew->setEnabled(entered);
        ui.MenuQuery->setEnabled(entered);
        m_history->Update();
        CheckViewMode();
        break;
    case 3:
        for (QAction* item : {ui.MenuMessaging, ui.MenuMail, ui.MenuFileTrans, ui.MenuUserProperty})
            item->setEnabled(entered);
        break;
    case 4:
        // The settings may change only while out of the network.
        for (QAction* item : {ui.MenuOption, ui.MenuSpecialOption, ui.MenuGroupList})
            item->setEnabled(!entered);
        break;
    default:
        break;
    }
}

QString PalavoCtrl::SelectedItem() const
{
    return ui.ListView->SelectedTag();
}

void PalavoCtrl::ListView_DblClick()
{
    if (m_session->Settings().dblClickVoip())
        m_commands->VoiceChat(SelectedItem());
    else
        m_commands->Messaging(SelectedItem());
}

bool PalavoCtrl::eventFilter(QObject* watched, QEvent* event)
{
    QAbstractItemView* view = watched == ui.ListView->viewport() ? ui.ListView
                              : watched == ui.IconView->viewport()
                                  ? static_cast<QAbstractItemView*>(ui.IconView)
                                  : nullptr;
    if (view == nullptr)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton && !SelectedItem().isEmpty()) {
            ui.SubMenu->popup(mouse->globalPosition().toPoint());
            return true;
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop:
        return DropFiles(view, static_cast<QDropEvent*>(event));
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool PalavoCtrl::DropFiles(QAbstractItemView* view, QDropEvent* event)
{
    if (!event->mimeData()->hasUrls())
        return false;
    event->acceptProposedAction();
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    const QModelIndex row = view->indexAt(event->position().toPoint());
    if (row.isValid())
        m_commands->DropFiles(Members()->RowAt(row.row()).Tag, files);
    return true;
}

void PalavoCtrl::ShowFileTrans(const QString& destAddress, const QString& file,
                               const QString& aliase)
{
    if (m_dialogs != nullptr) {
        m_dialogs->ShowFileTrans(destAddress, file, aliase);
        return;
    }
    FileTransForm form(*m_session, m_session->Services().OpenFile, this);
    form.destAddress = destAddress;
    form.SetDisplayData(file, aliase);
    form.exec();
}

void PalavoCtrl::MenuQuery_Click()
{
    // A closed window starts afresh, with an empty key and no hits.
    if (m_queryForm == nullptr || !m_queryForm->isVisible())
        m_queryForm = std::make_unique<QueryForm>(*m_session, *m_commands);
    m_queryForm->show();
    m_queryForm->raise();
    m_queryForm->activateWindow();
}

bool PalavoCtrl::ConfirmVoIP(const QString& aliase, bool offerVideo, bool& video)
{
    if (m_dialogs != nullptr)
        return m_dialogs->ConfirmVoIP(aliase, offerVideo, video);
    ConfirmVoIPForm form(this);
    form.Init(aliase, offerVideo);
    form.exec();
    video = form.video();
    return form.m_OK;
}

// ---- The user's clicks --------------------------------------------------------------

void PalavoCtrl::ChoosePresence(bool present)
{
    ui.optExist[present ? 0 : 1]->click();
}

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
