// One copy per user and settings directory, with real PalavoXP processes on a real X
// display, and the one request a running copy takes from a local client.
#include "host/RunningCopy.h"

#include "support/EventWaiter.h"

#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
// xdotool's exit code; what it printed, trimmed, in `out`.
int Xdotool(const QStringList& args, QString* out = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), args);
    tool.waitForFinished(10000);
    if (out != nullptr)
        *out = QString::fromLatin1(tool.readAllStandardOutput()).trimmed();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

class OneCopyPerHome : public testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (xvfb-run)";
        for (const char* tool : {"xdotool", "openbox"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << "needs " << tool << " (tools/setup.sh installs it)";
        m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        // The desktop number is openbox's, once it manages the screen.
        ASSERT_TRUE(WaitUntil([] { return Xdotool({QStringLiteral("get_desktop")}) == 0; }));
    }
    void TearDown() override
    {
        StopAll();
        m_windowManager.kill();
        m_windowManager.waitForFinished();
    }
    // PalavoXP with the settings directory `home`, every copy in the one runtime directory.
    QProcess& Start(const QString& home)
    {
        auto copy = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        copy->setProcessEnvironment(env);
        copy->start(QStringLiteral(PALAVO_XP_PATH),
                    {QStringLiteral("--home"), m_homes.filePath(home)});
        m_copies.push_back(std::move(copy));
        return *m_copies.back();
    }
    // The window of `copy` once the display shows it; empty when it never does.
    static QString ShownWindow(const QProcess& copy)
    {
        QString window;
        const QStringList args{QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                               QStringLiteral("--pid"), QString::number(copy.processId())};
        WaitUntil([&] { return Xdotool(args, &window) == 0 && !window.isEmpty(); }, 30000);
        return window;
    }
    void StopAll()
    {
        for (auto& copy : m_copies) {
            copy->terminate();
            if (!copy->waitForFinished(10000))
                copy->kill();
        }
        m_copies.clear();
    }

    QTemporaryDir m_homes;
    QTemporaryDir m_runtime;
    QProcess m_windowManager;
    std::vector<std::unique_ptr<QProcess>> m_copies;
};

TEST_F(OneCopyPerHome, ASecondStartRaisesTheFirstAndEnds)
{
    QProcess& first = Start(QStringLiteral("a"));
    const QString window = ShownWindow(first);
    ASSERT_FALSE(window.isEmpty());
    ASSERT_EQ(Xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), window}), 0);

    QProcess& second = Start(QStringLiteral("a"));
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    QString active;
    EXPECT_TRUE(WaitUntil([&] {
        return Xdotool({QStringLiteral("getactivewindow")}, &active) == 0 && active == window;
    }));
    EXPECT_EQ(ShownWindow(first), window);
}

TEST_F(OneCopyPerHome, AnotherHomeOrAKilledCopyLeavesTheStartRunning)
{
    struct Case {
        const char* what;
        const char* home;
        bool killFirst;
    };
    for (const Case c :
         {Case{"another home", "b", false}, Case{"the first copy killed", "a", true}}) {
        SCOPED_TRACE(c.what);
        QProcess& first = Start(QStringLiteral("a"));
        ASSERT_FALSE(ShownWindow(first).isEmpty());
        if (c.killFirst) {
            first.kill();
            first.waitForFinished();
        }
        QProcess& next = Start(QString::fromLatin1(c.home));
        EXPECT_FALSE(ShownWindow(next).isEmpty());
        EXPECT_EQ(next.state(), QProcess::Running);
        // It is the copy a later start for its home finds.
        QProcess& later = Start(QString::fromLatin1(c.home));
        EXPECT_TRUE(later.waitForFinished(10000));
        EXPECT_EQ(later.exitCode(), 0);
        StopAll();
    }
}
} // namespace

TEST(RunningCopy, RaisesOnlyForItsRequestAndAnotherClaimRunsAloneWhenItCannotAnswer)
{
    QTemporaryDir dir;
    const QString path = RunningCopy::PathFor(dir.path(), 1000, dir.path());
    RunningCopy copy(path);
    ASSERT_EQ(copy.Claim(0), RunningCopy::First);
    int raised = 0;
    QObject::connect(&copy, &RunningCopy::RaiseWanted, [&] { ++raised; });
    struct Case {
        const char* what;
        QByteArray sent;
        QByteArray answer;
    };
    const Case cases[] = {
        {"the request", "raise\n", "ok\n"},
        {"another word", "quit!\n", ""},
        {"a flood", QByteArray(1 << 20, 'r'), ""},
        {"a start, then silence", "rai", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        raised = 0;
        QLocalSocket client;
        client.connectToServer(path);
        ASSERT_TRUE(client.waitForConnected(5000));
        client.write(c.sent);
        QByteArray answer;
        EXPECT_TRUE(WaitUntil([&] {
            answer += client.readAll();
            return client.state() == QLocalSocket::UnconnectedState;
        }));
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(raised, c.answer.isEmpty() ? 0 : 1);
    }
    // This thread is busy inside the claim, so the running copy cannot answer it.
    EXPECT_EQ(RunningCopy(path).Claim(200), RunningCopy::Alone);
}
