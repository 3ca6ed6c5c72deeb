#include "QueryForm.h"

#include "client/ChatSession.h"
#include "client/MemberCommands.h"
#include "client/UserInformation.h"
#include "client/UserList.h"
#include "platform/MessageBoxService.h"
#include "platform/ShellService.h"
#include "ui/MemberIcons.h"
#include "ui/Twips.h"

#include <QAction>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

const QString NotAvailable = QStringLiteral("利用不可");
const QString NoFileTransfer =
    QStringLiteral("相手がPalavo XPのユーザではないので、ファイル転送は利用できません");
const QString ProductName = QStringLiteral("Palavo XP");

// The result list's columns: sub-items 1 and 2 follow the nickname.
enum Column { Aliase = 0, Location = 1, IpAddress = 2 };

} // namespace

QueryForm::QueryForm(ChatSession& session, MemberCommands& commands, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_commands(commands)
{
    setWindowTitle(QStringLiteral("検索"));
    setObjectName(QStringLiteral("QueryForm"));

    txtQueryKey = new QLineEdit(this);
    txtQueryKey->setObjectName(QStringLiteral("txtQueryKey"));
    CmdQuery = new QPushButton(QStringLiteral("検索開始"), this);
    CmdQuery->setObjectName(QStringLiteral("CmdQuery"));
    CmdQuery->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    ListQueryView = new QTreeWidget(this);
    ListQueryView->setObjectName(QStringLiteral("ListQueryView"));
    ListQueryView->setRootIsDecorated(false);
    ListQueryView->setUniformRowHeights(true);
    ListQueryView->setIconSize(QSize(MemberIcons::SmallSize, MemberIcons::SmallSize));
    ListQueryView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListQueryView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListQueryView->setHeaderLabels({QStringLiteral("ニックネーム"), QStringLiteral("メモ/居所"),
                                    QStringLiteral("IPアドレス")});
    ListQueryView->header()->setStretchLastSection(false);
    ListQueryView->header()->setSectionsClickable(true);
    ListQueryView->viewport()->setAcceptDrops(true);
    ListQueryView->viewport()->installEventFilter(this);

    SubMenu = new QMenu(QStringLiteral("操作"), this);
    SubMenu->setObjectName(QStringLiteral("SubMenu"));
    const QString captions[] = {QString(), QStringLiteral("メッセージング"),
                                QStringLiteral("音声チャット"), QStringLiteral("メール送信"),
                                QStringLiteral("ファイル転送")};
    void (QueryForm::*const runs[])() = {nullptr, &QueryForm::OpenChat, &QueryForm::StartVoiceChat,
                                         &QueryForm::SendMail, &QueryForm::StartFileTransfer};
    for (int index = 1; index <= 4; ++index) {
        RClickMenu[index] = SubMenu->addAction(captions[index]);
        RClickMenu[index]->setObjectName(QStringLiteral("RClickMenu%1").arg(index));
        connect(RClickMenu[index], &QAction::triggered, this, runs[index]);
    }

    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(txtQueryKey, 1);
    keyRow->addWidget(CmdQuery);
    keyRow->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(keyRow);
    layout->addWidget(ListQueryView, 1);

    connect(CmdQuery, &QPushButton::clicked, this, &QueryForm::CmdQuery_Click);
    connect(txtQueryKey, &QLineEdit::returnPressed, this, &QueryForm::CmdQuery_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(ListQueryView, &QTreeWidget::itemDoubleClicked, this,
            &QueryForm::ListQueryView_DblClick);
    // A header click sorts ascending by that column, every time, and later hits too.
    connect(ListQueryView->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_sortColumn = column;
        ListQueryView->sortItems(column, Qt::AscendingOrder);
    });

    resize(TwipsToPixels(this, 7200), TwipsToPixels(this, 4800));
    layout->activate();
    SizeColumns();
}

void QueryForm::SizeColumns()
{
    const double w = PixelsToTwips(ListQueryView, ListQueryView->width());
    const double widths[] = {w / 3 - 80, 4 * w / 9 - 15, 2 * w / 9 + 40};
    for (int column = 0; column < 3; ++column)
        ListQueryView->setColumnWidth(column,
                                      std::max(0, TwipsToPixels(ListQueryView, widths[column])));
}

void QueryForm::CmdQuery_Click()
{
    const QString key = txtQueryKey->text();
    if (key.isEmpty())
        return;
    ListQueryView->clear();
    for (const auto& member : m_session.Users().YourDataAll()) {
        if (!member->aliase().contains(key, Qt::CaseSensitive))
            continue;
        auto* item = new QTreeWidgetItem(ListQueryView);
        item->setText(Aliase, member->aliase());
        item->setText(Location, member->Location());
        item->setText(IpAddress, member->address());
        item->setIcon(Aliase, MemberIcons::Icon(MemberIcons::ForPresence(member->Presence())));
        // The key and the tag: the member's address, which the commands look up again.
        item->setData(Aliase, Qt::UserRole, member->address());
    }
    if (m_sortColumn >= 0)
        ListQueryView->sortItems(m_sortColumn, Qt::AscendingOrder);
}

QString QueryForm::SelectedKey() const
{
    const QTreeWidgetItem* item = ListQueryView->currentItem();
    if (ListQueryView->topLevelItemCount() == 0 || item == nullptr)
        return {};
    return item->data(Aliase, Qt::UserRole).toString();
}

UserInformation* QueryForm::LookUp(const QString& key)
{
    UserInformation* member = m_session.Users().SearchUserAddr(key);
    if (member == nullptr)
        ShowBox(QStringLiteral("相手は、もうエントリしていません"), QStringLiteral("相手がいない"));
    return member;
}

void QueryForm::ShowBox(const QString& text, const QString& caption)
{
    m_session.Services().MessageBoxes.Show(
        this, {text, caption, MessageBoxIcon::Warning, MessageBoxButtons::Ok});
}

void QueryForm::OpenChat()
{
    const QString key = SelectedKey();
    if (key.isEmpty())
        return;
    if (UserInformation* member = LookUp(key))
        member->ShowChatForm();
}

void QueryForm::StartVoiceChat()
{
    const QString key = SelectedKey();
    if (key.isEmpty())
        return;
    if (m_session.VoiceCallManager() == nullptr) {
        ShowBox(QStringLiteral("音声チャットは利用できません(RTC not available.)"), NotAvailable);
        return;
    }
    const UserInformation* member = LookUp(key);
    if (member == nullptr)
        return;
    if (!member->getDetail().ToolName.contains(ProductName, Qt::CaseSensitive)) {
        ShowBox(QStringLiteral("相手がPalavo XPのユーザではないので、音声チャットは利用できません"),
                NotAvailable);
        return;
    }
    m_commands.ExecVoiceChat(key);
}

void QueryForm::SendMail()
{
    const QString key = SelectedKey();
    if (key.isEmpty())
        return;
    const UserInformation* member = LookUp(key);
    if (member == nullptr)
        return;
    const QString mail = member->getDetail().MailAddress;
    if (!mail.isEmpty())
        m_session.Services().Shell.Open(QStringLiteral("mailto:") + mail);
}

void QueryForm::StartFileTransfer()
{
    const QString key = SelectedKey();
    if (key.isEmpty())
        return;
    const UserInformation* member = LookUp(key);
    if (member == nullptr)
        return;
    if (!member->getDetail().ToolName.contains(ProductName, Qt::CaseSensitive)) {
        ShowBox(NoFileTransfer, NotAvailable);
        return;
    }
    m_commands.ExecFileTrans(key, QString());
}

void QueryForm::ListQueryView_DblClick()
{
    if (m_session.Settings().dblClickVoip())
        StartVoiceChat();
    else
        OpenChat();
}

void QueryForm::DropFiles(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    const QTreeWidgetItem* item = ListQueryView->itemAt(event->position().toPoint());
    if (item == nullptr || files.isEmpty())
        return;
    const QString key = item->data(Aliase, Qt::UserRole).toString();
    const UserInformation* member = m_session.Users().SearchUserAddr(key);
    // Unlike the other commands, this window's drop accepts the tool name in any case.
    if (member == nullptr ||
        !member->getDetail().ToolName.contains(ProductName, Qt::CaseInsensitive)) {
        ShowBox(NoFileTransfer, NotAvailable);
        return;
    }
    m_commands.ExecFileTrans(key, files.last());
}

bool QueryForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != ListQueryView->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton && !SelectedKey().isEmpty()) {
            SubMenu->popup(mouse->globalPosition().toPoint());
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
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls())
            break;
        drop->acceptProposedAction();
        DropFiles(drop);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
