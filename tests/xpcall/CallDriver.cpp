#include "CallDriver.h"

#include "client/UserInformation.h"
#include "client/UserList.h"
#include "ui/PalavoCtrl.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSet>
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

CallDriver::CallDriver(PalavoCtrl& ctrl, Output output) : m_ctrl(ctrl), m_output(std::move(output))
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
        m_ctrl.ExecVoiceChat(words[1]);
        Answer(command, m_confirmed,
               m_confirmed ? QString() : QStringLiteral("no call confirmation was asked"));
    } else if (verb == QLatin1String("accept") || verb == QLatin1String("reject") ||
               verb == QLatin1String("drop")) {
        const QString& caption = verb == QLatin1String("accept")   ? Accept
                                 : verb == QLatin1String("reject") ? Reject
                                                                   : Drop;
        const bool ok = Press(caption, &error);
        Answer(command, ok, error);
    } else if (verb == QLatin1String("status?")) {
        QWidget* window = CallWindow();
        QJsonObject line{{"answer", command}, {"ok", window != nullptr}};
        if (window != nullptr) {
            line.insert(QStringLiteral("caption"), window->windowTitle());
            line.insert(QStringLiteral("shows"), StatusText(*window));
            line.insert(QStringLiteral("buttons"),
                        QJsonArray::fromStringList(VisibleButtons(*window)));
        }
        Print(line);
    } else if (verb == QLatin1String("shot") && words.size() == 2) {
        const bool ok = Shot(words[1], &error);
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

void CallDriver::ShowFileTrans(const QString&, const QString&, const QString&)
{
    Print({{"messageBox", QStringLiteral("file-send dialog")}, {"caption", QString()}});
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
    WatchCallWindow();
    WatchVideoWindows();
}

void CallDriver::WatchMembers()
{
    QStringList members;
    for (const auto& record : m_ctrl.Session().Users().YourDataAll())
        members << record->address() +
                       (record->IsProductUser() ? QStringLiteral("|1") : QStringLiteral("|0"));
    if (members == m_members)
        return;
    for (const auto& record : m_ctrl.Session().Users().YourDataAll()) {
        const QString key = record->address() +
                            (record->IsProductUser() ? QStringLiteral("|1") : QStringLiteral("|0"));
        if (!m_members.contains(key))
            Print({{"member", record->address()},
                   {"aliase", record->aliase()},
                   {"product", record->IsProductUser()}});
    }
    m_members = members;
}

QWidget* CallDriver::CallWindow() const
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowTitle().startsWith(CallCaptionPrefix()))
            return window;
    return nullptr;
}

QString CallDriver::StatusText(QWidget& window) const
{
    // The status line is the window's one label.
    auto* label = window.findChild<QLabel*>(QStringLiteral("lblStatus"));
    if (label == nullptr)
        label = window.findChild<QLabel*>();
    return label != nullptr ? label->text() : QString();
}

QStringList CallDriver::VisibleButtons(QWidget& window) const
{
    QStringList captions;
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->isVisible())
            captions << button->text() +
                            (button->isEnabled() ? QString() : QStringLiteral("(off)"));
    captions.sort();
    return captions;
}

void CallDriver::WatchCallWindow()
{
    QWidget* window = CallWindow();
    if (m_callWindow != nullptr && window != m_callWindow) {
        Print({{"callWindowClosed", m_callCaption}});
        m_callWindow = nullptr;
        m_status.clear();
        m_buttons.clear();
    }
    if (window == nullptr)
        return;
    if (m_callWindow == nullptr) {
        m_callWindow = window;
        m_callCaption = window->windowTitle();
        Print({{"callWindow", m_callCaption}});
    }
    const QString status = StatusText(*window);
    const QStringList buttons = VisibleButtons(*window);
    if (status != m_status || buttons != m_buttons) {
        m_status = status;
        m_buttons = buttons;
        Print({{"status", status}, {"buttons", QJsonArray::fromStringList(buttons)}});
    }
}

QList<QWidget*> CallDriver::VideoWindows() const
{
    // Whatever other window the program opens during a call shows video: not the
    // program's own window, not the status window, not a dialog.
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window != m_ctrl.window() && window != CallWindow() &&
            !window->isModal() && window->windowType() != Qt::Popup &&
            window->windowType() != Qt::ToolTip)
            windows << window;
    return windows;
}

void CallDriver::WatchVideoWindows()
{
    const QList<QWidget*> windows = VideoWindows();
    for (QWidget* window : windows) {
        if (m_videoWindows.contains(window))
            continue;
        m_videoWindows << window;
        Print({{"videoWindow", window->windowTitle()},
               {"visible", true},
               {"width", window->width()},
               {"height", window->height()}});
    }
    for (qsizetype i = m_videoWindows.size() - 1; i >= 0; --i) {
        QWidget* window = m_videoWindows[i];
        if (window == nullptr || !windows.contains(window)) {
            Print({{"videoWindow", window != nullptr ? window->windowTitle() : QString()},
                   {"visible", false}});
            m_videoWindows.removeAt(i);
        }
    }
}

bool CallDriver::Press(const QString& caption, QString* error)
{
    QWidget* window = CallWindow();
    if (window == nullptr) {
        *error = QStringLiteral("no status window");
        return false;
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() != caption)
            continue;
        if (!button->isVisible() || !button->isEnabled()) {
            *error = QStringLiteral("the button \"%1\" is not there to press").arg(caption);
            return false;
        }
        button->click();
        return true;
    }
    *error = QStringLiteral("the window has no button \"%1\"").arg(caption);
    return false;
}

bool CallDriver::Shot(const QString& path, QString* error)
{
    const QList<QWidget*> windows = VideoWindows();
    if (windows.isEmpty()) {
        *error = QStringLiteral("no video window is shown");
        return false;
    }
    QWidget& window = *windows.first();
    // What the display shows: the video is drawn by the media library, not by Qt.
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    if (shot.isNull() || !QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !shot.save(path, "PNG")) {
        *error = QStringLiteral("cannot save the picture to %1").arg(path);
        return false;
    }
    return true;
}
