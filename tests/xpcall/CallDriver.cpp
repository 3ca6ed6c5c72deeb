#include "CallDriver.h"

#include "CallClients.h"

#include "client/UserInformation.h"
#include "client/UserList.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWidget>

#include <chrono>

namespace
{

qint64 NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The status window's buttons, by the texts a person reads on them.
const QString Accept = QStringLiteral("承諾");
const QString Reject = QStringLiteral("拒否");
const QString Drop = QStringLiteral("切断");

} // namespace

CallDriver::CallDriver(PalavoCtrl& ctrl, const CallClients& calls, Output output)
    : m_ctrl(ctrl), m_calls(calls), m_output(std::move(output)),
      m_windows(ctrl.window(), [this](QJsonObject line) { Print(std::move(line)); })
{
    // Often enough to time a call's set-up to a few milliseconds; the look costs
    // microseconds, so it hardly shows in the program's CPU time.
    m_watch.setInterval(5);
    connect(&m_watch, &QTimer::timeout, this, &CallDriver::Watch);
    m_ctrl.SetMemberCommandDialogs(this);
}

void CallDriver::Start()
{
    Print({{"ready", true}, {"address", m_ctrl.LocalAddress()}});
    Watch();
    m_watch.start();
}

void CallDriver::Print(QJsonObject line)
{
    line.insert(QStringLiteral("atNs"), NowNs());
    m_output(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
}

void CallDriver::Feed(QByteArrayView bytes)
{
    m_partial += bytes;
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QString command = QString::fromUtf8(m_partial.left(end)).trimmed();
        m_partial.remove(0, end + 1);
        if (!command.isEmpty())
            Run(command);
    }
}

void CallDriver::Answer(const QString& command, bool ok, const QString& error)
{
    QJsonObject line{{"answer", command}, {"ok", ok}};
    if (!error.isEmpty())
        line.insert(QStringLiteral("error"), error);
    Print(line);
}

void CallDriver::Run(const QString& command)
{
    // What the program showed up to now is told before the answer.
    Watch();
    const QStringList words = command.split(u' ', Qt::SkipEmptyParts);
    const QString& verb = words.first();
    QString error;
    if (verb == QLatin1String("call") && words.size() >= 2) {
        m_wantVideo = words.size() > 2 && words[2] == QLatin1String("video");
        m_confirmed = false;
        if (!ChooseVoiceChat(words[1], &error))
            Answer(command, false, error);
        else
            Answer(command, m_confirmed,
                   m_confirmed ? QString() : QStringLiteral("no call confirmation was asked"));
    } else if (verb == QLatin1String("accept") || verb == QLatin1String("reject") ||
               verb == QLatin1String("drop")) {
        const QString& caption = verb == QLatin1String("accept")   ? Accept
                                 : verb == QLatin1String("reject") ? Reject
                                                                   : Drop;
        const bool ok = m_windows.Press(caption, &error);
        Answer(command, ok, error);
    } else if (verb == QLatin1String("signal") && words.size() >= 3) {
        // The call signals a partner sends, sent as they are, whatever the windows show.
        if (words[1] == QLatin1String("stop"))
            m_ctrl.ReqStopVoIP(words[2]);
        else if (words[1] == QLatin1String("reject"))
            m_ctrl.RejectVoIP(words[2]);
        else
            m_ctrl.ReqStartVoIP(words[2], words.value(3, "5060").toInt(), words.value(4) == "video",
                                false);
        Answer(command, true);
    } else if (verb == QLatin1String("calls?")) {
        QJsonArray media;
        for (int mask : m_calls.HeldCalls())
            media.append(mask);
        Print(
            {{"answer", command}, {"ok", true}, {"media", media}, {"sipPort", m_calls.SipPort()}});
    } else if (verb == QLatin1String("status?")) {
        const QWidget* window = m_windows.CallWindow();
        QJsonObject line{{"answer", command}, {"ok", window != nullptr}};
        if (window != nullptr) {
            line.insert(QStringLiteral("caption"), window->windowTitle());
            line.insert(QStringLiteral("shows"), CallWindowWatch::StatusText(*window));
            line.insert(QStringLiteral("buttons"),
                        QJsonArray::fromStringList(CallWindowWatch::VisibleButtons(*window)));
        }
        Print(line);
    } else if (verb == QLatin1String("shot") && words.size() == 2) {
        const bool ok = m_windows.Shot(words[1], &error);
        Answer(command, ok, error);
    } else if (verb == QLatin1String("quit")) {
        Answer(command, true);
        emit QuitRequested();
    } else {
        Answer(command, false, QStringLiteral("unknown command"));
    }
    Watch();
}

bool CallDriver::ConfirmVoIP(const QString&, bool offerVideo, bool& video)
{
    m_confirmed = true;
    video = offerVideo && m_wantVideo;
    return true;
}

void CallDriver::ShowFileTrans(const QString& destAddress, const QString&, const QString&)
{
    Print({{"fileSendDialog", destAddress}});
}

void CallDriver::Watch()
{
    if (!m_entered && m_ctrl.EntryState()) {
        m_entered = true;
        Print({{"entered", true}});
    }
    for (int panel = 1; panel <= 3; ++panel) {
        const QString text = m_ctrl.PanelText(panel);
        if (text != m_panels[panel]) {
            m_panels[panel] = text;
            Print({{"panel", panel}, {"text", text}});
        }
    }
    WatchMembers();
    m_windows.Look();
}

void CallDriver::WatchMembers()
{
    // A member is told when it appears, and again when it turns out to be one of us.
    const auto key = [](const UserInformation& record) {
        return record.address() + (record.IsProductUser() ? u'+' : u'-');
    };
    QStringList members;
    for (const auto& record : m_ctrl.Session().Users().YourDataAll()) {
        members << key(*record);
        if (!m_members.contains(members.last()))
            Print({{"member", record->address()},
                   {"aliase", record->aliase()},
                   {"product", record->IsProductUser()}});
    }
    m_members = members;
}

bool CallDriver::ChooseVoiceChat(const QString& address, QString* error)
{
    // As a person does: select the member's row, then "音声チャット" of the menu "操作".
    MemberListModel* members = m_ctrl.Members();
    int row = 0;
    while (row < members->rowCount() && members->RowAt(row).Tag != address)
        ++row;
    if (row == members->rowCount()) {
        *error = QStringLiteral("no row for %1 in the member list").arg(address);
        return false;
    }
    QAbstractItemView& list = *m_ctrl.ListView();
    list.selectionModel()->setCurrentIndex(
        members->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    auto* menu = m_ctrl.findChild<QAction*>(QStringLiteral("MenuVOIP"));
    if (menu == nullptr || !menu->isEnabled()) {
        *error = QStringLiteral("the menu item \"音声チャット\" is not there to choose");
        return false;
    }
    menu->trigger();
    return true;
}
