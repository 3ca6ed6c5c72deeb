// A line shown is a line kept: PalavoXP, its own process on host 1 of the virtual LAN,
// killed (SIGKILL) just after a palavo-cli copy's line came into its chat window, still
// has the line when its history is opened again.
#include "LanTest.h"

#include "platform/history/SqliteHistoryStore.h"
#include "support/EventWaiter.h"
#include "support/PrintQString.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace
{
class HistoryAfterKill : public LanTest
{
protected:
    int HostCount() const override { return 2; }
};
} // namespace

TEST_F(HistoryAfterKill, ALineShownJustBeforeSigkillIsKept)
{
    QTemporaryDir home;
    QFile ini(home.filePath("Palavo.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[User]\r\naliase=me\r\nautoEntry=1\r\nsaveHistory=1\r\n[OPTION]\r\ndebug=1\r\n");
    ini.close();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    const QStringList command = Lan().Exec(1, {PALAVO_XP_PATH, "--home", home.path()});
    program.start(command[0], command.mid(1));
    ASSERT_TRUE(program.waitForStarted());

    CliPeer& peer = Start(2);
    ASSERT_TRUE(peer.Call("Entry", Args({1, ""})).value("ok").toBool()) << peer.Diagnostics().toStdString();
    const QString address = Lan().Address(1);
    ASSERT_TRUE(WaitUntil([&] { return MemberAddedCount(peer, address) >= 2; }, 30000));

    // Shown: the window has taken the line and drawn it (its trace follows the line).
    const QString text = QStringLiteral("消えない一行です");
    ASSERT_TRUE(peer.Call("SendPrivateMessage", Args({address, 1, text}))["ok"].toBool());
    const auto shown = [&] {
        QFile trace(home.filePath("Palavo.log"));
        if (!trace.open(QIODevice::ReadOnly))
            return false;
        const QByteArray log = trace.readAll();
        const qsizetype received = log.indexOf("ChatForm.RecvMsg()");
        return received >= 0 && log.indexOf("ChatForm.ViewLog()", received) > received;
    };
    ASSERT_TRUE(WaitUntil(shown, 30000));
    // The program itself: the script and `ip netns exec` both replaced themselves with it.
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    ASSERT_TRUE(program.waitForFinished());

    history::Error error;
    auto store = history::SqliteHistoryStore::Open(home.filePath("Palavo_history.db"), error);
    ASSERT_TRUE(store) << error.toStdString();
    const std::vector<history::Hit> hits = store->Search(QStringLiteral("一行"), 10);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].line.shown, SettingsFor(2).Aliase + QStringLiteral(" =>\t") + text);
}
