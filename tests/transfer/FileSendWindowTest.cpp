// The send window's states, driven by hand: the worker is not started, and the
// messages a socket or a worker would post are delivered by the test.
#include "TransferHarness.h"

#include "component/TransferMessages.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/SocketEvent.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr char Peer[] = "127.0.0.1";
constexpr char Other[] = "127.0.0.9";

class SendWindowTest : public testing::Test
{
protected:
    SendWindowTest() : peer(world.Services(), FreeChatPort())
    {
        peer.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
        peer.AddMember(Other, QStringLiteral("花子"), "Palavo XP 1.0");
        file = QDir(dir.path()).filePath(QStringLiteral("a.bin"));
        WriteFile(file, PatternBytes(10000));
        EXPECT_EQ(peer.Offer(QString::fromLatin1(Peer), file, {}), 0);
        window = peer.SendWindow();
        // The offer's receipt: the channel is free again for the stop command.
        peer.ReceiveXmlReceipt(Peer);
        peer.sent.clear();
    }

    void Connection(int kind)
    {
        peer.Deliver(window, std::make_unique<SocketMessage>(
                                 WM_TCP_NOTIFY, SocketEvent{kind, Peer, 0}, QByteArray("x")));
    }

    QTemporaryDir dir;
    TransferWorld world;
    TransferPeer peer;
    QString file;
    FileSendWindow* window = nullptr;
};

TEST_F(SendWindowTest, AcceptedConnectionStartsTheJobAndProgressShows)
{
    ASSERT_NE(window, nullptr);
    Connection(SocketEvent::Accepted);
    EXPECT_EQ(window->State().StateText, QStringLiteral("ファイル転送中です"));
    const SendJob& job = window->Job();
    EXPECT_EQ(job.FilePath, file);
    EXPECT_EQ(job.OfferedSize, 10000);
    EXPECT_EQ(job.Socket, peer.Transfers().TransferSocket());
    EXPECT_EQ(job.Window, window);
    EXPECT_EQ(job.StopFlag, 0);

    peer.Deliver(window, WM_TRANSFER_PROGRESS, 50'000'000, 100'000'000);
    EXPECT_EQ(window->State().ProgressText,
              QStringLiteral("100000000バイト中、50000000バイト受信 (50％)"));
    EXPECT_EQ(window->State().ProgressMaximum, 100);
    EXPECT_EQ(window->State().ProgressValue, 50);

    // Data from the receiver means nothing; a closed connection stops the worker and
    // the window waits for its user.
    Connection(SocketEvent::DataReceived);
    EXPECT_EQ(job.StopFlag, 0);
    Connection(SocketEvent::Closed);
    EXPECT_EQ(job.StopFlag, 1);
    EXPECT_TRUE(window->State().Visible);
    EXPECT_TRUE(window->State().StopEnabled);
    EXPECT_EQ(peer.SendWindow(), window);
    EXPECT_EQ(world.Boxes(), QStringList{});
    EXPECT_EQ(peer.SentLines(), QStringList{});
}

TEST_F(SendWindowTest, CompletionBeepsTellsAndReleasesWindowAndSocket)
{
    Connection(SocketEvent::Accepted);
    world.OnBox = [&](const MessageBoxRequest&) {
        // While the box is up the button is already off.
        EXPECT_FALSE(world.sendStates.back().StopEnabled);
        EXPECT_TRUE(world.sendStates.back().Visible);
        EXPECT_EQ(world.beeps, (std::vector<std::pair<int, int>>{{2000, 1000}}));
    };
    peer.Deliver(window, WM_SEND_DONE);
    EXPECT_EQ(world.Boxes(), QStringList{"ファイル転送|ファイル転送が完了しました"});
    EXPECT_EQ(world.boxes.at(0).Icon, MessageBoxIcon::Information);
    EXPECT_FALSE(world.sendStates.back().Visible);
    EXPECT_EQ(peer.SendWindow(), nullptr);
    EXPECT_EQ(peer.Transfers().TransferSocket(), nullptr);
    EXPECT_EQ(peer.SentLines(), QStringList{}) << "a complete transfer sends no stop";
    EXPECT_EQ(peer.Offer(QString::fromLatin1(Other), file, {}), 0);
    EXPECT_NE(peer.SendWindow(), nullptr) << "the next transfer can start";
}

TEST_F(SendWindowTest, StopSendsTheStopCommandAndCloses)
{
    Connection(SocketEvent::Accepted);
    window->PressStop();
    EXPECT_EQ(window->Job().StopFlag, 1);
    EXPECT_EQ(peer.SentLines(), QStringList{"127.0.0.1 0x128 <Command>StopFileTrans</Command>"});
    EXPECT_FALSE(window->State().Visible);
    EXPECT_EQ(world.Boxes(), QStringList{});
    peer.RunComponentQueue();
    EXPECT_EQ(peer.SendWindow(), nullptr);
    EXPECT_EQ(peer.Transfers().TransferSocket(), nullptr);
}

// Only the member the file is offered to can refuse it.
TEST_F(SendWindowTest, RefusalFromTheDestinationOnlyCloses)
{
    peer.ReceiveXml(Other, "<Command>StopFileTrans</Command>"); // not ours to hear
    peer.ReceiveXml(Other, "<Command>RejectFileTrans</Command>", 702);
    EXPECT_TRUE(window->State().Visible);
    EXPECT_EQ(peer.SendWindow(), window);
    EXPECT_EQ(world.Boxes(), QStringList{});
    peer.ReceiveXml(Peer, "<Command>rejectfiletrans</Command>");
    EXPECT_EQ(world.Boxes(), QStringList{"通知|ファイルの受信を拒否されました"});
    EXPECT_EQ(world.boxes.at(0).Buttons, MessageBoxButtons::Ok);
    EXPECT_EQ(world.boxes.at(0).Icon, MessageBoxIcon::None);
    EXPECT_EQ(peer.SendWindow(), nullptr);
    EXPECT_EQ(peer.Transfers().TransferSocket(), nullptr);

    // With no send window a refusal is nobody's business.
    peer.ReceiveXml(Peer, "<Command>RejectFileTrans</Command>", 703);
    EXPECT_EQ(world.boxes.size(), 1u);
}

// The completion box runs the event loop: what arrives meanwhile must neither show a
// second ending nor release the window twice.
TEST_F(SendWindowTest, AfterCompletionStopAndRefusalChangeNothing)
{
    Connection(SocketEvent::Accepted);
    world.OnBox = [&](const MessageBoxRequest&) {
        window->PressStop();
        peer.ReceiveXml(Peer, "<Command>RejectFileTrans</Command>");
        Connection(SocketEvent::Closed);
        EXPECT_EQ(peer.SendWindow(), window) << "not released before its box is answered";
    };
    peer.Deliver(window, WM_SEND_DONE);
    EXPECT_EQ(world.Boxes(), QStringList{"ファイル転送|ファイル転送が完了しました"});
    EXPECT_EQ(peer.SentLines(), QStringList{"127.0.0.1 0x29 700"}) << "no stop command";
    EXPECT_EQ(peer.SendWindow(), nullptr);
}

} // namespace
