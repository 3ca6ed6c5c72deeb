// The workers alone, run on the test's thread against a real connection, with a window
// that only records what they post: the moments and failures a whole transfer cannot
// reach on purpose.
#include "TransferHarness.h"

#include "component/ReceiveJob.h"
#include "component/ReceiveWorker.h"
#include "component/SendJob.h"
#include "component/SendWorker.h"
#include "component/TransferMessages.h"
#include "engine/Commands.h"
#include "engine/TcpSocketWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace
{

// Stands in for a transfer window: keeps the messages a worker posts.
class RecordingWindow : public QObject
{
public:
    bool event(QEvent* event) override
    {
        if (!IsWindowMessage(event))
            return QObject::event(event);
        const auto* message = static_cast<WindowMessage*>(event);
        messages.push_back(message->Message());
        if (const auto* box = dynamic_cast<const WorkerBoxMessage*>(event))
            boxes << box->Box.Caption + QLatin1Char('|') + box->Box.Text;
        return true;
    }
    // Hands over what the worker posted.
    void Take() { QCoreApplication::sendPostedEvents(this); }
    int Count(int message) const
    {
        return int(std::count(messages.begin(), messages.end(), message));
    }

    std::vector<int> messages;
    QStringList boxes;
};

// Our side of a connection to a raw peer, made and ready for the worker.
struct Connection {
    Connection() : socket(&window)
    {
        const int port = peer.Listen();
        EXPECT_NE(socket.Connect("127.0.0.1", port, WM_TCP_NOTIFY, 4096, false), 0);
        EXPECT_TRUE(peer.Accept());
        EXPECT_EQ(socket.WaitReady(true, 5000), 1);
    }
    RecordingWindow window;
    RawSocket peer;
    TcpSocketWindow socket;
};

struct SendCase {
    QTemporaryDir dir;
    QString path = QDir(dir.path()).filePath(QStringLiteral("a.bin"));
    QByteArray bytes = PatternBytes(100 * 1024);
    Connection link;
    SendJob job;

    SendCase()
    {
        WriteFile(path, bytes);
        job.FilePath = path;
        job.OfferedSize = bytes.size();
        job.Socket = &link.socket;
        job.Window = &link.window;
    }
};

TEST(SendWorker, AStopDuringThePauseLetsNoChunkOut)
{
    SendCase c;
    // The stop comes while the worker waits before its first chunk, as when a new
    // connection takes the socket over.
    c.job.Pause = [&](int ms) {
        EXPECT_EQ(ms, 30);
        c.job.StopFlag = 1;
    };
    SendWorker::Run(c.job);
    EXPECT_EQ(c.link.peer.ReadAvailable(), QByteArray()) << "a chunk went out after the stop";
    c.link.window.Take();
    EXPECT_EQ(c.link.window.messages, std::vector<int>{});
    EXPECT_EQ(c.job.RunningFlag, 0);

    // Stopped during the third pause: exactly two chunks went out.
    SendCase d;
    int pauses = 0;
    d.job.Pause = [&](int) {
        if (++pauses == 3)
            d.job.StopFlag = 1;
    };
    SendWorker::Run(d.job);
    EXPECT_EQ(d.link.peer.ReadAvailable(), d.bytes.left(2 * 4096));
    d.link.window.Take();
    EXPECT_EQ(d.link.window.Count(WM_TRANSFER_PROGRESS), 2);
}

// A connection the receiver resets is a send error: the user is told, in both modes.
TEST(SendWorker, APeerThatResetsTheConnectionGetsTheErrorBox)
{
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        SendCase c;
        c.job.FastTransfer = fast;
        c.job.Pause = [](int) {};
        c.link.peer.Reset();
        ASSERT_EQ(c.link.socket.WaitReady(false, 5000), 1) << "the reset arrives";
        SendWorker::Run(c.job);
        c.link.window.Take();
        EXPECT_EQ(
            c.link.window.boxes,
            QStringList{QStringLiteral("エラー|ファイルを送信することができません\n(error = %1)")
                            .arg(ECONNRESET)});
        EXPECT_EQ(c.link.window.Count(WM_SEND_DONE), 0);
        EXPECT_EQ(c.job.RunningFlag, 0);
    }
}

struct ReceiveCase {
    Connection link;
    ReceiveJob job;

    ReceiveCase(const QString& savePath, bool fast)
    {
        job.SavePath = savePath;
        job.FileSize = 10000;
        job.Socket = &link.socket;
        job.Window = &link.window;
        job.FastTransfer = fast;
        EXPECT_TRUE(link.peer.SendAll(PatternBytes(10000)));
    }

    // Runs the worker to its end; what it posted is in the window.
    void Run()
    {
        ReceiveWorker::Run(job);
        link.window.Take();
    }
};

// A save file that cannot be made or written never counts as received: the worker
// shows why and never reports completion.
TEST(ReceiveWorker, ASaveFileThatCannotBeCreatedIsNeverComplete)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("gone/out.bin"));
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        ReceiveCase c(path, fast);
        c.Run();
        EXPECT_EQ(c.link.window.boxes,
                  QStringList{"エラー|セーブ用のファイルをオープンできませんでした\n" +
                              QString::fromLocal8Bit(std::strerror(ENOENT))});
        EXPECT_EQ(c.link.window.Count(WM_RECEIVE_DONE), 0);
        EXPECT_EQ(c.job.DoneFlag, 0);
    }
}

// A full file system, played by /dev/full (writes to it fail with ENOSPC, also for root).
TEST(ReceiveWorker, AWriteThatFailsIsNeverComplete)
{
    const int probe = open("/dev/full", O_WRONLY | O_CLOEXEC);
    const bool full = probe >= 0 && write(probe, "x", 1) < 0 && errno == ENOSPC;
    if (probe >= 0)
        close(probe);
    if (!full)
        GTEST_SKIP() << "/dev/full is missing or does not fail writes with ENOSPC here";
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        ReceiveCase c(QStringLiteral("/dev/full"), fast);
        c.Run();
        EXPECT_EQ(c.link.window.boxes,
                  QStringList{"エラー|受信したファイルを書き込めませんでした\n" +
                              QString::fromLocal8Bit(std::strerror(ENOSPC))});
        EXPECT_EQ(c.link.window.Count(WM_RECEIVE_DONE), 0);
        EXPECT_EQ(c.link.window.Count(WM_TRANSFER_PROGRESS), 0) << "nothing counts as received";
        EXPECT_EQ(c.job.DoneFlag, 0);
    }
}

} // namespace
