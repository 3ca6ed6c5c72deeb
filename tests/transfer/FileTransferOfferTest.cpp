// Offering a file: FileTransfer's answers, the offer on the wire, the one-window rule.
#include "TransferHarness.h"

#include "component/ErrorInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace
{

constexpr char Peer[] = "127.0.0.1";
constexpr char Other[] = "127.0.0.9";
const QString NotRegularBox =
    QStringLiteral("エラー|送信するファイルをオープンできませんでした\n通常のファイルではありません"
                   "（フォルダ、名前付きパイプ、デバイスは送信できません）");

struct OfferFixture {
    OfferFixture() : peer(world.Services(), FreeChatPort())
    {
        peer.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
        file = QDir(dir.path()).filePath(QStringLiteral("資料.txt"));
        WriteFile(file, "hello world");
    }
    QString Path(const char* name) const
    {
        return QDir(dir.path()).filePath(QString::fromUtf8(name));
    }

    QTemporaryDir dir;
    TransferWorld world;
    TransferPeer peer;
    QString file;
};

TEST(FileTransfer, OnlyCopiesOfThisSystemAreOfferedFiles)
{
    const struct {
        const char* address;
        const char* appInfo; // null: the member never said
        int32_t retCode;
    } cases[] = {
        {"127.0.0.2", "Palavo XP 1.0", -1}, // not in the member table
        {Other, "IP Messenger 2.0", -1},    // a plain IP Messenger peer
        {Other, nullptr, -1},
        {Other, "Palavo XP 1.0", 0},
    };
    for (const auto& c : cases) {
        OfferFixture f;
        if (QByteArray(c.address) == Other)
            f.peer.AddMember(Other, QStringLiteral("花子"), c.appInfo);
        EXPECT_EQ(f.peer.Offer(QString::fromLatin1(c.address), f.file, {}), c.retCode) << c.appInfo;
        if (c.retCode == -1) {
            EXPECT_EQ(f.peer.SentLines(), QStringList{}) << c.appInfo;
            EXPECT_EQ(f.world.Boxes(), QStringList{}) << c.appInfo;
            EXPECT_EQ(f.peer.SendWindow(), nullptr);
        } else {
            EXPECT_NE(f.peer.SendWindow(), nullptr);
        }
    }
}

TEST(FileTransfer, OfferGoesOutAndTheSendWindowWaits)
{
    OfferFixture f;
    EXPECT_EQ(f.peer.Offer(QString::fromLatin1(Peer), f.file, QStringLiteral("見てね")), 0);
    EXPECT_EQ(f.peer.SentLines(),
              QStringList{QStringLiteral("127.0.0.1 0x128 <Command>FileTransfer</Command>"
                                         "<Sender>自分</Sender><PortNo>%1</PortNo>"
                                         "<FileName>資料.txt</FileName><FileSize>11</FileSize>"
                                         "<Comment>見てね</Comment>")
                              .arg(f.peer.port + 1)});
    EXPECT_EQ(f.world.Boxes(), QStringList{});
    FileSendWindow* window = f.peer.SendWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->State().Caption, QStringLiteral("ファイル送信"));
    EXPECT_EQ(window->State().StateText, QStringLiteral("相手の受信承諾を待っています"));
    EXPECT_EQ(window->State().ProgressText, QString());
    EXPECT_TRUE(window->State().StopEnabled);
    EXPECT_TRUE(window->State().Visible);
    ASSERT_EQ(f.world.sendStates.size(), 1u) << "shown once, with its texts in place";

    // The transfer port is open for the member.
    RawSocket receiver;
    EXPECT_TRUE(receiver.Connect(Peer, f.peer.port + 1));
    EXPECT_NE(f.peer.Transfers().TransferSocket(), nullptr);
}

TEST(FileTransfer, LocalFailuresAreShownAndNothingIsOffered)
{
    OfferFixture f;
    // Sizes travel as signed 32-bit numbers: 2 GiB cannot be offered, one byte less can.
    const QString huge = f.Path("huge.bin");
    const QString largest = f.Path("largest.bin");
    QFile(huge).open(QIODevice::WriteOnly);
    QFile(largest).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile(huge).resize(qint64{1} << 31)); // sparse: takes no room
    ASSERT_TRUE(QFile(largest).resize((qint64{1} << 31) - 1));

    const QString noSuchFile = QString::fromLocal8Bit(std::strerror(ENOENT));
    const struct {
        QString path;
        QString box; // empty: offered
    } cases[] = {
        {f.Path("missing.txt"), "エラー|送信するファイルをオープンできませんでした\n" + noSuchFile},
        // Only regular files have bytes to send: no folder, no device.
        {f.dir.path(), NotRegularBox},
        {QStringLiteral("/dev/null"), NotRegularBox},
        {huge, "エラー|2GB以上のファイルは送信できません\n" + huge},
        {largest, {}},
    };
    for (const auto& c : cases) {
        f.world.boxes.clear();
        f.peer.sent.clear();
        EXPECT_EQ(f.peer.Offer(QString::fromLatin1(Peer), c.path, {}), 0);
        if (!c.box.isEmpty()) {
            EXPECT_EQ(f.world.Boxes(), QStringList{c.box});
            EXPECT_EQ(f.world.boxes.at(0).Icon, MessageBoxIcon::Error);
            EXPECT_EQ(f.peer.SentLines(), QStringList{}) << c.path.toStdString();
            EXPECT_EQ(f.peer.SendWindow(), nullptr) << "no window is left behind";
        } else {
            EXPECT_EQ(f.world.Boxes(), QStringList{});
            ASSERT_EQ(f.peer.SentLines().size(), 1);
            EXPECT_TRUE(f.peer.SentLines()[0].contains("<FileSize>2147483647</FileSize>"));
        }
    }
}

// Opening a named pipe waits for a writer: offering one must neither hold the window
// thread nor offer anything.
TEST(FileTransfer, ANamedPipeIsRefusedWithoutWaiting)
{
    OfferFixture f;
    NamedPipe pipe(f.Path("pipe"));
    if (!pipe.Made())
        GTEST_SKIP() << "mkfifo: " << std::strerror(pipe.Error());
    EXPECT_EQ(f.peer.Offer(QString::fromLatin1(Peer), f.Path("pipe"), {}), 0);
    pipe.Done();
    EXPECT_FALSE(pipe.Blocked()) << "FileTransfer waited in open() for a writer";
    EXPECT_EQ(f.world.Boxes(), QStringList{NotRegularBox});
    EXPECT_EQ(f.peer.SentLines(), QStringList{});
    EXPECT_EQ(f.peer.SendWindow(), nullptr);
}

TEST(FileTransfer, OneTransferWindowAtATime)
{
    OfferFixture f;
    f.peer.AddMember(Other, QStringLiteral("花子"), "Palavo XP 1.0");
    ASSERT_EQ(f.peer.Offer(QString::fromLatin1(Peer), f.file, {}), 0);
    f.peer.sent.clear();

    // A second offer of ours is refused with a warning...
    EXPECT_EQ(f.peer.Offer(QString::fromLatin1(Other), f.file, {}), 0);
    EXPECT_EQ(f.world.Boxes(),
              QStringList{"警告|ファイル転送処理中のため、別のファイル転送は出来ません"});
    EXPECT_EQ(f.world.boxes.at(0).Icon, MessageBoxIcon::Warning);
    // ...and an offer that arrives is dropped without a refusal (only its receipt goes).
    f.peer.ReceiveXml(Other,
                      "<Command>FileTransfer</Command><Sender>花子</Sender>"
                      "<PortNo>3000</PortNo><FileName>b.txt</FileName>"
                      "<FileSize>5</FileSize><Comment></Comment>",
                      801);
    EXPECT_EQ(f.peer.ReceiveWindow(), nullptr);
    EXPECT_EQ(f.peer.SentLines(), QStringList{"127.0.0.9 0x29 801"});

    // The same the other way round: an open receive window refuses our offers.
    OfferFixture g;
    g.peer.ReceiveXml(Peer, "<Command>FileTransfer</Command><Sender>太郎</Sender>"
                            "<PortNo>3000</PortNo><FileName>a.txt</FileName>"
                            "<FileSize>5</FileSize><Comment></Comment>");
    ASSERT_NE(g.peer.ReceiveWindow(), nullptr);
    g.peer.sent.clear();
    EXPECT_EQ(g.peer.Offer(QString::fromLatin1(Peer), g.file, {}), 0);
    EXPECT_EQ(g.world.Boxes(),
              QStringList{"警告|ファイル転送処理中のため、別のファイル転送は出来ません"});
    EXPECT_EQ(g.peer.SentLines(), QStringList{});
}

// When the transfer port cannot be opened the call fails, and the hidden window goes
// again, so that the next transfer is possible.
TEST(FileTransfer, ABusyTransferPortFailsTheCallAndLeavesNothingBehind)
{
    OfferFixture f;
    RawSocket squatter;
    const int busyPort = squatter.Listen();
    ASSERT_NE(busyPort, 0);
    f.peer.component.put_PortNo(busyPort - 1);

    HRESULT result = S_OK;
    EXPECT_EQ(f.peer.Offer(QString::fromLatin1(Peer), f.file, {}, &result), 0);
    EXPECT_EQ(result, DISP_E_EXCEPTION);
    const ErrorInfo error = TakeErrorInfo();
    EXPECT_EQ(error.Source, QStringLiteral("PalavoIF"));
    EXPECT_EQ(
        error.Description,
        QStringLiteral("ファイル転送用のポートを作れませんでした(Server PortNo=%1)\nERROR = %2")
            .arg(busyPort)
            .arg(EADDRINUSE));
    EXPECT_EQ(f.peer.SentLines(), QStringList{});
    EXPECT_EQ(f.peer.SendWindow(), nullptr);
    EXPECT_EQ(f.peer.Transfers().TransferSocket(), nullptr);
    EXPECT_EQ(f.world.sendStates.size(), 0u) << "the window was never shown";

    // Offers from others are heard again, and our next transfer goes out.
    f.peer.component.put_PortNo(f.peer.port);
    EXPECT_EQ(f.peer.Offer(QString::fromLatin1(Peer), f.file, {}), 0);
    EXPECT_EQ(f.peer.SentLines().size(), 1);
    EXPECT_NE(f.peer.SendWindow(), nullptr);
}

} // namespace
