// The receive window's states. Most cases drive it by hand (no worker is started); a
// few need its real socket to see a connection made or refused.
#include "TransferHarness.h"

#include "platform/Cp932.h"

#include "component/TransferMessages.h"
#include "engine/Commands.h"
#include "engine/SocketEvent.h"
#include "engine/TcpSocketWindow.h"
#include "support/EventWaiter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

namespace
{

constexpr char Peer[] = "127.0.0.1";
constexpr char Other[] = "127.0.0.9";

// The buttons left to right: ファイルを開く, 受信・保存, 受信拒否, 閉じる.
QString Buttons(const FileReceiveState& s)
{
    return QStringLiteral("%1%2%3%4")
        .arg(s.OpenEnabled ? 'O' : '-')
        .arg(s.SaveEnabled ? 'S' : '-')
        .arg(s.RejectEnabled ? 'R' : '-')
        .arg(s.CloseEnabled ? 'C' : '-');
}

QByteArray OfferText(const char* sender, int port, const char* name, const char* size,
                     const char* comment = "よろしく")
{
    return QByteArray("<Command>FileTransfer</Command><Sender>") + sender + "</Sender><PortNo>" +
           QByteArray::number(port) + "</PortNo><FileName>" + name + "</FileName><FileSize>" +
           size + "</FileSize><Comment>" + comment + "</Comment>";
}

class ReceiveWindowTest : public testing::Test
{
protected:
    ReceiveWindowTest() : peer(world.Services(), FreeChatPort())
    {
        peer.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
        peer.AddMember(Other, QStringLiteral("花子"), "Palavo XP 1.0");
        target = QDir(dir.path()).filePath(QStringLiteral("saved.bin"));
    }

    // An offer from Peer, in code page 932 as it travels.
    FileReceiveWindow* Offered(const char* sender = "太郎", int port = 3000,
                               const char* name = "a.txt", const char* size = "1000")
    {
        peer.ReceiveXml(Peer,
                        Cp932::FromUnicode(QString::fromUtf8(OfferText(sender, port, name, size))));
        peer.sent.clear();
        return peer.ReceiveWindow();
    }

    QTemporaryDir dir;
    TransferWorld world;
    TransferPeer peer;
    QString target;
};

TEST_F(ReceiveWindowTest, AnOfferOpensTheWindowWithABeep)
{
    FileReceiveWindow* window = Offered("太郎", 3000, "..\\secret\\報告.txt");
    ASSERT_NE(window, nullptr);
    const FileReceiveState& s = window->State();
    EXPECT_TRUE(s.Visible);
    EXPECT_EQ(s.Caption, QStringLiteral("ファイル受信"));
    EXPECT_EQ(s.Headline, QStringLiteral("太郎さんから、ファイル 報告.txt を受け取ります"));
    EXPECT_EQ(s.Comment, QStringLiteral("よろしく"));
    EXPECT_EQ(s.CommentLabel, QStringLiteral("コメント"));
    EXPECT_EQ(s.ProgressText, QString());
    EXPECT_EQ(Buttons(s), "-SR-");
    EXPECT_EQ(world.beeps, (std::vector<std::pair<int, int>>{{1000, 200}}));
    ASSERT_EQ(world.notifications.shown.size(), 1u);
    EXPECT_EQ(world.notifications.shown[0].first.Text, s.Headline);
    EXPECT_EQ(world.receiveStates.size(), 1u);
    EXPECT_EQ(window->Offer().SenderAddress, Peer);
    EXPECT_EQ(window->Offer().SenderPort, 3000);
    EXPECT_EQ(window->Offer().FileSize, 1000);

    // The save-as dialog suggests the plain name only; cancelling it changes nothing.
    window->PressSave();
    ASSERT_EQ(world.saveAsked.size(), 1u);
    EXPECT_EQ(world.saveAsked[0].FileName, QStringLiteral("報告.txt"));
    EXPECT_EQ(world.saveAsked[0].Filter, QStringLiteral("ALL Files (*.*)|*.*||"));
    EXPECT_TRUE(world.saveAsked[0].ConfirmOverwrite);
    EXPECT_EQ(Buttons(window->State()), "-SR-");
    EXPECT_EQ(window->Socket(), nullptr);

    // A second offer while this one is open is dropped, from anyone.
    peer.ReceiveXml(Other, OfferText("Hanako", 3001, "b.txt", "5"), 701);
    EXPECT_EQ(peer.ReceiveWindow(), window);
    EXPECT_EQ(window->Offer().FileName, QStringLiteral("報告.txt"));
    EXPECT_EQ(peer.SentLines(), QStringList{"127.0.0.9 0x29 701"});
}

// Offers that can be shown but never fetched: nothing to fetch, or nobody named.
TEST_F(ReceiveWindowTest, AcceptingANothingOfferNeverConnects)
{
    const struct {
        const char* sender;
        int port;
        const char* size;
    } cases[] = {{"太郎", 3000, "0"}, {"", 3000, "10"}, {"太郎", -1, "10"}, {"太郎", 3000, "-5"}};
    for (const auto& c : cases) {
        FileReceiveWindow* window = Offered(c.sender, c.port, "a.txt", c.size);
        ASSERT_NE(window, nullptr);
        world.SaveAnswers.push_back(target);
        window->PressSave();
        EXPECT_EQ(Buttons(window->State()), "--R-") << c.sender << c.size;
        EXPECT_EQ(window->Socket(), nullptr) << c.sender << c.size;
        EXPECT_EQ(world.Boxes(), QStringList{});
        window->PressReject();
        peer.ReceiveXmlReceipt(Peer);
        window->PressClose();
        peer.RunComponentQueue();
        EXPECT_EQ(peer.ReceiveWindow(), nullptr);
    }
}

TEST_F(ReceiveWindowTest, AnExistingTargetIsDeletedFirst)
{
    ASSERT_TRUE(WriteFile(target, "old contents"));
    RawSocket sender;
    const int port = sender.Listen();
    FileReceiveWindow* window = Offered("太郎", port);
    world.SaveAnswers.push_back(target);
    window->PressSave();
    EXPECT_FALSE(QFile::exists(target)) << "deleted before the transfer starts";
    EXPECT_EQ(window->SavePath(), target);
    EXPECT_EQ(Buttons(window->State()), "--R-");
    ASSERT_NE(window->Socket(), nullptr);
    EXPECT_TRUE(sender.Accept()) << "the window connects to the sender's port";
    const ReceiveJob& job = window->Job();
    EXPECT_EQ(job.SavePath, target);
    EXPECT_EQ(job.FileSize, 1000);
    EXPECT_EQ(job.StopFlag, 0);
    EXPECT_EQ(job.DoneFlag, 0);
    EXPECT_EQ(job.Window, window);
}

// The save-as dialog runs the event loop: what happens while it is open stands when it
// returns. A stopped or refused transfer does not come back to life, delete the chosen
// file or connect to the sender's closed port.
TEST_F(ReceiveWindowTest, AStopWhileTheSaveAsDialogIsOpenStands)
{
    const struct {
        const char* what;
        std::function<void(TransferPeer&)> meanwhile;
        const char* buttons; // after the dialog; "--R-" means the transfer started
        const char16_t* comment;
    } cases[] = {
        {"the sender stops",
         [](TransferPeer& p) { p.ReceiveXml(Peer, "<Command>StopFileTrans</Command>", 702); },
         "---C", u"相手がファイルの転送を中止しました"},
        {"the user refuses", [](TransferPeer& p) { p.ReceiveWindow()->PressReject(); }, "---C",
         u"ファイルの受信を中止しました"},
        {"someone else stops",
         [](TransferPeer& p) { p.ReceiveXml(Other, "<Command>StopFileTrans</Command>", 703); },
         "--R-", u"よろしく"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFile(target, "old contents"));
        RawSocket sender;
        FileReceiveWindow* window = Offered("太郎", sender.Listen());
        ASSERT_NE(window, nullptr);
        world.SaveAnswers.push_back(target);
        world.WhileSaveAsOpen = [&] { c.meanwhile(peer); };
        window->PressSave();
        EXPECT_EQ(Buttons(window->State()), QString::fromLatin1(c.buttons));
        EXPECT_EQ(window->State().Comment, QString::fromUtf16(c.comment));
        const bool started = QByteArray(c.buttons) == "--R-";
        EXPECT_EQ(QFile::exists(target), !started) << "the chosen file is deleted only to start";
        EXPECT_EQ(window->Socket() != nullptr, started);
        EXPECT_EQ(world.Boxes(), QStringList{});
        window->PressClose();
        peer.RunComponentQueue();
        peer.ReceiveXmlReceipt(Peer);
        peer.sent.clear();
    }

    // Closed meanwhile (a host without a modal dialog lets the user do that): the window
    // goes, and nothing is done in its name after the dialog.
    ASSERT_TRUE(WriteFile(target, "old contents"));
    RawSocket sender;
    FileReceiveWindow* window = Offered("太郎", sender.Listen());
    world.SaveAnswers.push_back(target);
    world.WhileSaveAsOpen = [&] {
        peer.ReceiveXml(Peer, "<Command>StopFileTrans</Command>", 704);
        window->PressClose();
        peer.RunComponentQueue();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    window->PressSave();
    EXPECT_EQ(peer.ReceiveWindow(), nullptr);
    EXPECT_TRUE(QFile::exists(target));
}

TEST_F(ReceiveWindowTest, ATargetThatCannotBeDeletedStopsBeforeStarting)
{
    // A directory cannot be removed like a file, not even by root.
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkdir(folder));
    FileReceiveWindow* window = Offered();
    world.SaveAnswers.push_back(folder);
    window->PressSave();
    EXPECT_EQ(world.Boxes(), QStringList{"警告|" + QString::fromLocal8Bit(std::strerror(EISDIR))});
    EXPECT_EQ(world.boxes.at(0).Icon, MessageBoxIcon::Error);
    EXPECT_EQ(Buttons(window->State()), "-SR-") << "still offered";
    EXPECT_EQ(window->Socket(), nullptr);
}

TEST_F(ReceiveWindowTest, ConnectionThatCannotBeMade)
{
    // Refused by the sender's machine: seen when the connection fails, as an interruption.
    int port = 0;
    {
        RawSocket gone;
        port = gone.Listen();
    }
    FileReceiveWindow* window = Offered("太郎", port);
    world.SaveAnswers.push_back(target);
    window->PressSave();
    ASSERT_NE(window->Socket(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !world.boxes.empty(); }));
    EXPECT_EQ(world.Boxes(), QStringList{"ファイル受信|ファイル転送(受信)が途中で中断されました"});
    EXPECT_EQ(Buttons(window->State()), "---C");
    EXPECT_EQ(window->Socket(), nullptr);

    // A port no connection can be started to is told at once.
    world.boxes.clear();
    window->PressClose();
    peer.RunComponentQueue();
    window = Offered("太郎", 70000);
    world.SaveAnswers.push_back(target);
    window->PressSave();
    EXPECT_EQ(world.Boxes(),
              QStringList{"ファイル受信|ファイル送信元とコネクションが確立されませんでした"});
    EXPECT_EQ(window->Socket(), nullptr);
    EXPECT_EQ(Buttons(window->State()), "--R-");
}

TEST_F(ReceiveWindowTest, DoneThenOpenThenClose)
{
    RawSocket sender;
    FileReceiveWindow* window = Offered("太郎", sender.Listen());
    world.SaveAnswers.push_back(target);
    window->PressSave();
    world.beeps.clear();
    peer.Deliver(window, WM_TRANSFER_PROGRESS, 500, 1000);
    EXPECT_EQ(window->State().ProgressText, QStringLiteral("1000バイト中、500バイト受信 (50％)"));
    EXPECT_EQ(window->State().ProgressMaximum, 1000);
    EXPECT_EQ(window->State().ProgressValue, 500);

    peer.Deliver(window, WM_RECEIVE_DONE);
    EXPECT_TRUE(window->Completed());
    EXPECT_EQ(Buttons(window->State()), "O--C");
    EXPECT_EQ(world.beeps, (std::vector<std::pair<int, int>>{{2000, 1000}}));
    window->PressReject(); // ignored once completed
    EXPECT_EQ(peer.SentLines(), QStringList{});
    window->PressOpen();
    EXPECT_EQ(world.opened, QStringList{target});

    window->PressClose();
    EXPECT_FALSE(window->State().Visible);
    EXPECT_EQ(window->Socket(), nullptr);
    EXPECT_EQ(window->Job().StopFlag, 1);
    EXPECT_EQ(peer.ReceiveWindow(), window) << "until the component has had the message";
    peer.RunComponentQueue();
    EXPECT_EQ(peer.ReceiveWindow(), nullptr);
    EXPECT_EQ(world.Boxes(), QStringList{});
}

TEST_F(ReceiveWindowTest, StopIsHeardOnlyFromTheOfferingSender)
{
    FileReceiveWindow* window = Offered();
    peer.ReceiveXml(Other, "<Command>StopFileTrans</Command>");
    EXPECT_EQ(Buttons(window->State()), "-SR-");
    EXPECT_EQ(window->State().Comment, QStringLiteral("よろしく"));

    peer.ReceiveXml(Peer, "<Command>StopFileTrans</Command>", 702);
    EXPECT_EQ(Buttons(window->State()), "---C");
    EXPECT_EQ(window->State().Comment, QStringLiteral("相手がファイルの転送を中止しました"));
    EXPECT_EQ(window->Job().StopFlag, 1);
    EXPECT_EQ(world.Boxes(), QStringList{});
}

} // namespace
