// PalavoXP's window on the virtual LAN with a real notification server (dunst) on a
// session bus of its own and an X display (each case runs under dbus-run-session and
// xvfb-run): a line from a palavo-cli copy to a chat window behind the main window is one
// Notify call on the bus, shown by the server, and a click on it raises the chat window.
#include "ChatWindows.h"
#include "XpLanTest.h"

#include "client/UserList.h"
#include "host/MainForm.h"
#include "platform/dbus/DBusNotifications.h"
#include "support/EventWaiter.h"
#include "support/Screen.h"
#include "ui/ChatForm.h"
#include "ui/PalavoCtrl.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

using XpNotify = XpLanTest;
const QString Server = QStringLiteral("org.freedesktop.Notifications");

// What the case needs beyond the LAN, or empty when all is there.
QString Missing()
{
    if (const QString display = XDisplayMissing(); !display.isEmpty())
        return display;
    if (!QDBusConnection::sessionBus().isConnected())
        return QStringLiteral("needs a session bus: run under dbus-run-session (ctest does)");
    for (const char* tool : {"dunst", "xdotool", "dbus-monitor"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return QStringLiteral("needs %1 (tools/setup.sh installs it)").arg(QLatin1String(tool));
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(Server))
        return QStringLiteral("another notification server owns the bus: run under dbus-run-session");
    return {};
}

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST_F(XpNotify, ALineBehindTheMainWindowIsOneNotificationAndItsClickRaisesTheChat)
{
    if (const QString missing = Missing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    // A left click on a notification runs its default action.
    QTemporaryDir dir;
    const QString rc = dir.filePath(QStringLiteral("dunstrc"));
    QFile file(rc);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[global]\nmouse_left_click = do_action, close_current\nfont = Noto Sans CJK JP 12\n"
               "width = 420\norigin = top-right\noffset = 20x20\n[urgency_normal]\ntimeout = 0\n");
    file.close();
    QProcess monitor, dunst;
    monitor.start(QStringLiteral("dbus-monitor"),
                  {QStringLiteral("--session"),
                   QStringLiteral("type='method_call',interface='%1',member='Notify'").arg(Server)});
    ASSERT_TRUE(monitor.waitForReadyRead(5000)) << "dbus-monitor did not start";
    dunst.start(QStringLiteral("dunst"), {QStringLiteral("-config"), rc});
    ASSERT_TRUE(WaitUntil(
        [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(Server); }, 5000))
        << "dunst did not take the bus name";

    DBusNotifications notifications(QDBusConnection::sessionBus(), QStringLiteral("palavo-xp"),
                                     QStringLiteral("palavo-xp"));
    m_notifications.To = &notifications;
    ASSERT_NE(OpenWindow(), nullptr);
    CliPeer& cli = EnteredPeer(2);
    ASSERT_TRUE(WaitUntil([&] { return Ctrl().Session().Users().SearchUserAddr(cli.Address()); }, 10000));
    Window().activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return Window().isActiveWindow(); }));

    const QString line = QStringLiteral("会議は<b>3時</b>から & 資料は後で");
    ASSERT_TRUE(cli.Call("SendPrivateMessage", Args({Lan().Address(1), 1, line + "\n二行目"}))["ok"].toBool());
    QByteArray seen;
    QString popup;
    ASSERT_TRUE(WaitUntil(
        [&] {
            seen += monitor.readAllStandardOutput();
            popup = Run(QStringLiteral("xdotool"), {"search", "--class", "Dunst"}).section(u'\n', 0, 0);
            return seen.contains("member=Notify") && !popup.isEmpty();
        },
        10000))
        << "no notification: " << seen.toStdString();
    ChatForm* chat = ChatWindows::Of(Ctrl(), cli.Address());
    ASSERT_NE(chat, nullptr);
    EXPECT_FALSE(chat->isActiveWindow());
    const QString sender = SettingsFor(2).Aliase;
    EXPECT_TRUE(seen.contains(("string \"" + sender + "\"").toUtf8())) << seen.toStdString();
    EXPECT_TRUE(seen.contains("string \"palavo-xp\"")); // the icon
    EXPECT_FALSE(seen.contains("二行目"));
    std::cout << "notification server: " << notifications.ServerInformation().toStdString() << '\n';

    QImage shot;
    ASSERT_TRUE(WaitUntil(
        [&] {
            shot = QGuiApplication::primaryScreen()->grabWindow(0);
            return Colours(shot.copy(shot.width() - 460, 0, 460, 200), 3) > 2;
        },
        5000));
    EXPECT_FALSE(SaveArtifact(shot, QStringLiteral("palavo-xp-notification.png")).isEmpty());

    Run(QStringLiteral("xdotool"), {"mousemove", "--window", popup, "30", "15", "click", "1"});
    EXPECT_TRUE(WaitUntil([&] { return chat->isActiveWindow(); }, 5000)) << "the chat window was not raised";
    seen += monitor.readAllStandardOutput();
    EXPECT_EQ(seen.count("member=Notify"), 1);
    dunst.terminate();
    monitor.terminate();
    dunst.waitForFinished(3000);
    monitor.waitForFinished(3000);
}

} // namespace
