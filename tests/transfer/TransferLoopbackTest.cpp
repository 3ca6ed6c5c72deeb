// Whole transfers with the real workers over TCP on 127.0.0.1. The two components talk
// through fake UDP sockets whose datagrams the test carries across (Exchange).
#include "TransferHarness.h"

#include "support/EventWaiter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace
{

constexpr char Peer[] = "127.0.0.1";
const QString Done = QStringLiteral("ファイル転送|ファイル転送が完了しました");
const QString Interrupted = QStringLiteral("ファイル受信|ファイル転送(受信)が途中で中断されました");

QString Buttons(const FileReceiveState& s)
{
    return QStringLiteral("%1%2%3%4")
        .arg(s.OpenEnabled ? 'O' : '-')
        .arg(s.SaveEnabled ? 'S' : '-')
        .arg(s.RejectEnabled ? 'R' : '-')
        .arg(s.CloseEnabled ? 'C' : '-');
}

// A sender and a receiver, each a member of the other, and a file to send.
struct Transfer {
    Transfer(bool fastSender, bool fastReceiver, qsizetype size)
        : sender(world.Services(), FreeChatPort(), {fastSender, true}, QStringLiteral("送り手")),
          receiver(world.Services(), FreeChatPort(), {fastReceiver, true}, QStringLiteral("受け手"))
    {
        sender.AddMember(Peer, QStringLiteral("受け手"), "Palavo XP 1.0");
        receiver.AddMember(Peer, QStringLiteral("送り手"), "Palavo XP 1.0");
        source = QDir(dir.path()).filePath(QStringLiteral("元.bin"));
        target = QDir(dir.path()).filePath(QStringLiteral("先.bin"));
        bytes = PatternBytes(size);
        WriteFile(source, bytes);
    }

    // Offers the file, carries the offer over and accepts it into `target`.
    FileReceiveWindow* OfferAndAccept()
    {
        EXPECT_EQ(sender.Offer(QString::fromLatin1(Peer), source, QStringLiteral("どうぞ")), 0);
        Exchange(sender, receiver);
        FileReceiveWindow* window = receiver.ReceiveWindow();
        EXPECT_NE(window, nullptr);
        if (window != nullptr) {
            world.SaveAnswers.push_back(target);
            window->PressSave();
        }
        return window;
    }

    bool WaitForReceivedBytes()
    {
        return WaitUntil([&] {
            const FileReceiveWindow* w = receiver.ReceiveWindow();
            return w != nullptr && w->State().ProgressValue > 0;
        });
    }

    QTemporaryDir dir;
    TransferWorld world;
    TransferPeer sender;
    TransferPeer receiver;
    QString source;
    QString target;
    QByteArray bytes;
};

TEST(TransferLoopback, FileArrivesByteForByteInEveryMode)
{
    const struct {
        bool fastSender, fastReceiver;
        qsizetype size;
    } cases[] = {{false, false, 100 * 1024},
                 {true, true, 100 * 1024},
                 {true, false, 100 * 1024},
                 {false, true, 100 * 1024},
                 {true, true, 8 * 1024 * 1024}}; // many blocks, few progress reports
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "fast sender " << c.fastSender << ", fast receiver " << c.fastReceiver);
        Transfer t(c.fastSender, c.fastReceiver, c.size);
        QElapsedTimer clock;
        clock.start();
        FileReceiveWindow* window = t.OfferAndAccept();
        ASSERT_NE(window, nullptr);
        // Complete, the sender's window released and the connection's end seen.
        ASSERT_TRUE(WaitUntil(
            [&] { return t.sender.SendWindow() == nullptr && window->Socket() == nullptr; },
            20000));
        const qint64 elapsed = clock.elapsed();
        EXPECT_EQ(ReadFile(t.target), t.bytes);
        EXPECT_TRUE(window->Completed());
        EXPECT_EQ(Buttons(window->State()), "O--C");
        EXPECT_EQ(window->State().ProgressText,
                  QStringLiteral("%1バイト中、%1バイト受信 (100％)").arg(c.size));
        EXPECT_EQ(t.world.Boxes(), QStringList{Done}) << "the connection's end shows no box";
        EXPECT_EQ(t.world.beeps,
                  (std::vector<std::pair<int, int>>{{1000, 200}, {2000, 1000}, {2000, 1000}}));
        // 25 chunks, each after a 30 ms pause: the pacing is a floor that no machine
        // can go below. How much faster the fast mode is, is bench_transfer's (c).
        if (!c.fastSender) {
            EXPECT_GE(elapsed, 24 * 30);
        }
        // Fast workers report progress at most about 20 times a second (and once at the end).
        const auto reports = [](const auto& states) {
            int count = 0;
            for (size_t i = 1; i < states.size(); ++i)
                count += states[i].ProgressText != states[i - 1].ProgressText;
            return count;
        };
        const int limit = static_cast<int>(elapsed / 50) + 2;
        if (c.fastSender) {
            EXPECT_LE(reports(t.world.sendStates), limit);
        }
        if (c.fastReceiver) {
            EXPECT_LE(reports(t.world.receiveStates), limit);
        }
    }
}

// Only the member the file was offered to may fetch it.
TEST(TransferLoopback, AStrangerWhoConnectsFirstIsTurnedAway)
{
    Transfer t(true, true, 50 * 1024);
    t.sender.AddMember("127.0.0.2", QStringLiteral("本人"), "Palavo XP 1.0");
    ASSERT_EQ(t.sender.Offer(QStringLiteral("127.0.0.2"), t.source, {}), 0);
    const int port = t.sender.port + 1;
    // The file grows after the offer: only the offered bytes are sent.
    QFile grown(t.source);
    ASSERT_TRUE(grown.open(QIODevice::Append));
    grown.write(QByteArray(1000, 'x'));
    grown.close();

    RawSocket stranger;
    ASSERT_TRUE(stranger.Connect("127.0.0.1", port));
    ASSERT_TRUE(WaitUntil([&] { return stranger.ClosedByPeer(0); }));
    EXPECT_EQ(stranger.ReadAvailable(), QByteArray());
    FileSendWindow* window = t.sender.SendWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->State().StateText, QStringLiteral("相手の受信承諾を待っています"));

    RawSocket rightful;
    ASSERT_TRUE(rightful.Connect("127.0.0.2", port)) << "still listening";
    QByteArray received;
    ASSERT_TRUE(WaitUntil([&] {
        received += rightful.ReadAvailable();
        return received.size() >= t.bytes.size();
    }));
    EXPECT_TRUE(WaitUntil([&] { return t.sender.SendWindow() == nullptr; }));
    received += rightful.ReadAvailable();
    EXPECT_EQ(received, t.bytes);
    EXPECT_EQ(t.world.Boxes(), QStringList{Done});
}

// A sender that sends more than it offered does not grow the file.
TEST(TransferLoopback, TheReceiverWritesAtMostTheOfferedSize)
{
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        TransferWorld world;
        TransferPeer receiver(world.Services(), FreeChatPort(), {fast, true});
        receiver.AddMember(Peer, QStringLiteral("送り手"), "Palavo XP 1.0");
        QTemporaryDir dir;
        const QString target = QDir(dir.path()).filePath(QStringLiteral("out.bin"));
        RawSocket sender;
        const int port = sender.Listen();
        receiver.ReceiveXml(Peer, "<Command>FileTransfer</Command><Sender>x</Sender><PortNo>" +
                                      QByteArray::number(port) +
                                      "</PortNo><FileName>f</FileName><FileSize>5000</FileSize>");
        FileReceiveWindow* window = receiver.ReceiveWindow();
        ASSERT_NE(window, nullptr);
        world.SaveAnswers.push_back(target);
        window->PressSave();
        ASSERT_TRUE(sender.Accept());
        const QByteArray bytes = PatternBytes(9000);
        ASSERT_TRUE(sender.SendAll(bytes));
        ASSERT_TRUE(WaitUntil([&] { return window->Completed(); }));
        EXPECT_EQ(ReadFile(target), bytes.left(5000));
        EXPECT_EQ(window->State().ProgressText,
                  QStringLiteral("5000バイト中、5000バイト受信 (100％)"));
    }
}

TEST(TransferLoopback, SenderStopsMidway)
{
    // Paced on both sides, and a fast sender far ahead of a paced receiver, whose data
    // still on its way must not hide the end of the connection.
    const struct {
        bool fastSender;
        qsizetype size;
    } cases[] = {{false, 200 * 1024}, {true, 16 * 1024 * 1024}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fastSender ? "fast sender" : "paced sender");
        Transfer t(c.fastSender, false, c.size);
        FileReceiveWindow* window = t.OfferAndAccept();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(t.WaitForReceivedBytes());
        FileSendWindow* sendWindow = t.sender.SendWindow();
        sendWindow->PressStop();
        EXPECT_EQ(sendWindow->Job().RunningFlag, 0) << "the worker ends before the stop goes out";
        Exchange(t.sender, t.receiver);
        EXPECT_EQ(window->State().Comment, QStringLiteral("相手がファイルの転送を中止しました"));
        EXPECT_EQ(Buttons(window->State()), "---C");
        ASSERT_TRUE(WaitUntil([&] { return !t.world.boxes.empty(); }, 10000));
        EXPECT_EQ(t.world.Boxes(), QStringList{Interrupted});
        EXPECT_EQ(window->Socket(), nullptr);
        // What came stays on disk, and it is the start of the file.
        const QByteArray partial = ReadFile(t.target);
        EXPECT_GT(partial.size(), 0);
        EXPECT_LT(partial.size(), t.bytes.size());
        EXPECT_TRUE(t.bytes.startsWith(partial));
        EXPECT_EQ(t.sender.SendWindow(), nullptr);
    }
}

TEST(TransferLoopback, ReceiverClosesMidway)
{
    Transfer t(false, false, 200 * 1024);
    FileReceiveWindow* window = t.OfferAndAccept();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(t.WaitForReceivedBytes());
    FileSendWindow* sendWindow = t.sender.SendWindow();
    window->PressClose();
    EXPECT_EQ(window->Job().RunningFlag, 0) << "the worker ends before the socket goes";
    EXPECT_EQ(window->Socket(), nullptr);
    t.receiver.RunComponentQueue();
    EXPECT_EQ(t.receiver.ReceiveWindow(), nullptr);

    // The worker ends; the window stays until its user stops it.
    ASSERT_TRUE(WaitUntil(
        [&] { return sendWindow->Job().StopFlag == 1 && sendWindow->Job().RunningFlag == 0; }));
    EXPECT_TRUE(sendWindow->State().Visible);
    EXPECT_TRUE(sendWindow->State().StopEnabled);
    // Closed with bytes still unread, the receiver's end resets the connection. Whether
    // the worker meets the reset before the window hears of the close is a race: at most
    // the send error box, and nothing else.
    const QString resetBox =
        QStringLiteral("エラー|ファイルを送信することができません\n(error = %1)").arg(ECONNRESET);
    EXPECT_TRUE(t.world.Boxes().isEmpty() || t.world.Boxes() == QStringList{resetBox})
        << t.world.Boxes().join(u'/').toStdString();
    t.sender.sent.clear();
    sendWindow->PressStop();
    EXPECT_EQ(t.sender.SentLines(),
              QStringList{"127.0.0.1 0x128 <Command>StopFileTrans</Command>"});
}

// A save file that cannot be made is never reported as received; the window shows why.
// A save file that cannot be made is never reported as received; the window shows why.
// (The sender may well have handed every byte to the connection and call its side done:
// nothing on the wire tells it otherwise.)
TEST(TransferLoopback, ASaveFileThatCannotBeMadeShowsItsErrorAndNeverCompletes)
{
    const QString error = "エラー|セーブ用のファイルをオープンできませんでした\n" +
                          QString::fromLocal8Bit(std::strerror(ENOENT));
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        Transfer t(fast, fast, 10000);
        t.target = QDir(t.dir.path()).filePath(QStringLiteral("gone/先.bin"));
        FileReceiveWindow* window = t.OfferAndAccept();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return t.world.Boxes().contains(error); }));
        EXPECT_FALSE(window->Completed());
        EXPECT_EQ(window->Job().DoneFlag, 0);
        EXPECT_EQ(Buttons(window->State()), "--R-") << "still to be refused, never to be opened";
    }
}

TEST(TransferLoopback, ReceiverRefusesMidway)
{
    Transfer t(false, false, 200 * 1024);
    FileReceiveWindow* window = t.OfferAndAccept();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(t.WaitForReceivedBytes());
    window->PressReject();
    Exchange(t.sender, t.receiver);
    EXPECT_EQ(t.sender.SendWindow(), nullptr);
    // The sender closes the connection, and the receiver sees the transfer cut short.
    ASSERT_TRUE(WaitUntil([&] { return t.world.boxes.size() >= 2; }));
    EXPECT_EQ(t.world.Boxes(), (QStringList{"通知|ファイルの受信を拒否されました", Interrupted}));
    EXPECT_EQ(window->State().Comment, QStringLiteral("ファイルの受信を中止しました"));
    EXPECT_EQ(Buttons(window->State()), "---C");
}

// The offered path names something else by the time the receiver comes: nothing, a
// folder, or a named pipe, which would hold the worker in open() for ever.
TEST(TransferLoopback, AFileGoneOrReplacedBeforeTheReceiverConnectsIsReported)
{
    const QString open = QStringLiteral("エラー|送信するファイルをオープンできませんでした\n");
    const QString notRegular = open + QStringLiteral("通常のファイルではありません（フォルダ、名前"
                                                     "付きパイプ、デバイスは送信できません）");
    enum Replacement { Nothing, Folder, Pipe };
    const struct {
        Replacement by;
        QString box;
    } cases[] = {
        {Nothing, open + QString::fromLocal8Bit(std::strerror(ENOENT))},
        {Folder, notRegular},
        {Pipe, notRegular},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.by);
        Transfer t(false, false, 1000);
        ASSERT_EQ(t.sender.Offer(QString::fromLatin1(Peer), t.source, {}), 0);
        ASSERT_TRUE(QFile::remove(t.source));
        std::optional<NamedPipe> pipe;
        if (c.by == Folder) {
            ASSERT_TRUE(QDir().mkdir(t.source));
        }
        if (c.by == Pipe) {
            pipe.emplace(t.source);
            ASSERT_TRUE(pipe->Made()) << std::strerror(pipe->Error());
        }
        Exchange(t.sender, t.receiver);
        t.world.SaveAnswers.push_back(t.target);
        t.receiver.ReceiveWindow()->PressSave();
        ASSERT_TRUE(WaitUntil([&] { return !t.world.boxes.empty(); }, 10000));
        if (pipe) {
            pipe->Done();
            EXPECT_FALSE(pipe->Blocked()) << "the send worker waited in open() for a writer";
        }
        EXPECT_EQ(t.world.Boxes(), QStringList{c.box});
        EXPECT_EQ(t.sender.SendWindow()->State().StateText, QStringLiteral("ファイル転送中です"));
    }
}

// A file cut short after the offer must neither hang both sides nor pass for complete.
TEST(TransferLoopback, AFileThatShrinksAfterTheOfferEndsInAnError)
{
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        Transfer t(fast, fast, 10000);
        ASSERT_EQ(t.sender.Offer(QString::fromLatin1(Peer), t.source, {}), 0);
        ASSERT_TRUE(QFile::resize(t.source, 6000));
        Exchange(t.sender, t.receiver);
        t.world.SaveAnswers.push_back(t.target);
        FileReceiveWindow* window = t.receiver.ReceiveWindow();
        ASSERT_NE(window, nullptr);
        window->PressSave();
        ASSERT_TRUE(WaitUntil([&] { return !t.world.boxes.empty(); }));
        EXPECT_EQ(t.world.Boxes(),
                  QStringList{QStringLiteral("エラー|送信するファイルを読み込めませんでした\n"
                                             "ファイルが送信中に短くなりました")});
        EXPECT_FALSE(window->Completed());
        EXPECT_TRUE(WaitUntil([&] { return ReadFile(t.target) == t.bytes.left(6000); }));
    }
}

} // namespace
