// PalavoXP on the virtual LAN with dunst, under dbus-run-session and xvfb-run (as ctest runs it).
#include "ChatWindows.h"
#include "XpLanTest.h"

#include "client/UserList.h"
#include "host/MainForm.h"
#include "platform/dbus/DBusNotifications.h"
#include "support/EventWaiter.h"
#include "support/Screen.h"
#include "ui/ChatForm.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace
{

using XpNotify = XpLanTest;
const QString Server = QStringLiteral("org.freedesktop.Notifications");

bool ServerUp() { return QDBusConnection::sessionBus().interface()->isServiceRegistered(Server); }

QString Xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).section(u'\n', 0, 0);
}

// A line to a chat window behind the main window is one Notify call naming the sender; a
// click on it brings the window in front, which takes the notification back, and a line
// to the window in front is not notified.
TEST_F(XpNotify, ALineBehindTheMainWindowIsOneNotificationWhoseClickRaisesTheChat)
{
    if (!QDBusConnection::sessionBus().isConnected() || ServerUp())
        GTEST_SKIP() << "needs a session bus of its own: run under dbus-run-session (ctest does)";
    for (const char* tool : {"dunst", "xdotool", "dbus-monitor"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            GTEST_SKIP() << "needs " << tool << " (tools/setup.sh installs it)";
    if (const QString display = XDisplayMissing(); !display.isEmpty())
        GTEST_SKIP() << display.toStdString();
    QTemporaryDir dir;
    QFile rc(dir.filePath("dunstrc")); // a left click runs the default action
    ASSERT_TRUE(rc.open(QIODevice::WriteOnly));
    rc.write("[global]\nmouse_left_click = do_action\n[urgency_normal]\ntimeout = 0\n");
    rc.close();
    QProcess monitor, dunst;
    monitor.start("dbus-monitor", {"--session", "interface='" + Server + "',member='Notify'"});
    ASSERT_TRUE(monitor.waitForReadyRead(5000));
    dunst.start("dunst", {"-config", rc.fileName()});
    ASSERT_TRUE(WaitUntil(ServerUp)) << "dunst did not start";
    DBusNotifications notifications(QDBusConnection::sessionBus(), "palavo-xp", "palavo-xp");
    PalavoCtrlModule::DllRegisterServer(m_registry, {m_boxes, m_beeps, m_saveAs, m_shell, m_views,
                                                     m_openFiles, m_calls, notifications});
    ASSERT_NE(OpenWindow(), nullptr);
    CliPeer& cli = EnteredPeer(2);
    const UserList& users = Ctrl().Session().Users();
    ASSERT_TRUE(WaitUntil([&] { return users.SearchUserAddr(cli.Address()) != nullptr; }, 10000));
    Window().activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return Window().isActiveWindow(); }));
    const QString self = Lan().Address(1);
    ASSERT_TRUE(cli.Call("SendPrivateMessage", Args({self, 1, "<b>3時</b>\n二行目"}))["ok"].toBool());
    QByteArray bus;
    QString popup;
    const auto popups = [] { return Xdotool({"search", "--onlyvisible", "--class", "Dunst"}); };
    ASSERT_TRUE(WaitUntil(
        [&] {
            bus += monitor.readAllStandardOutput();
            popup = popups();
            return bus.contains("member=Notify") && !popup.isEmpty();
        },
        10000))
        << bus.toStdString();
    EXPECT_TRUE(bus.contains("string \"" + SettingsFor(2).Aliase.toUtf8() + "\"") &&
                bus.contains("string \"&lt;b&gt;3時&lt;/b&gt;\"")) << bus.toStdString();
    std::cout << "notification server: " << notifications.ServerInformation().toStdString() << "\n";
    QImage shot;
    ASSERT_TRUE(WaitUntil([&] {
        shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        return Colours(shot.copy(shot.width() / 2, 0, shot.width() / 2, 200), 3) > 2;
    }));
    SaveArtifact(shot, "palavo-xp-notification.png");
    ChatForm* chat = ChatWindows::Of(Ctrl(), cli.Address());
    ASSERT_TRUE(chat != nullptr && !chat->isActiveWindow());
    Xdotool({"mousemove", "--window", popup, "20", "10", "click", "1"});
    EXPECT_TRUE(WaitUntil([&] { return chat->isActiveWindow(); })) << "not raised";
    EXPECT_TRUE(WaitUntil([&] { return popups().isEmpty(); })) << "read, and still notified";
    ASSERT_TRUE(cli.Call("SendPrivateMessage", Args({self, 1, "もう一行"}))["ok"].toBool());
    ASSERT_TRUE(WaitUntil([&] { return ChatWindows::Lines(*chat).last().contains("もう一行"); }));
    EXPECT_EQ((bus + monitor.readAllStandardOutput()).count("member=Notify"), 1);
}

} // namespace
