// palavo-cli's side of the transfer windows: their states, beeps and dialogs as lines,
// and the buttons pressed by their texts.
#include "CliHost.h"
#include "CliServices.h"

#include "TransferHarness.h"
#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "platform/Cp932.h"
#include "support/EventWaiter.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr char Peer[] = "127.0.0.1";

class CliWindowsTest : public testing::Test
{
protected:
    CliWindowsTest()
    {
        PalavoIF::Options options;
        options.MakeSocket = [this](QObject*) {
            return std::make_unique<FakeDatagramSocket>(sent);
        };
        options.Timing = {50, 50, 0};
        options.DebugFlag = false;
        options.Transfer = TransferSettings{false, true};
        options.SettingsDir = home.path();
        const auto print = [this](const QByteArray& line) { out.push_back(line.chopped(1)); };
        services = std::make_unique<CliServices>(print);
        component = std::make_unique<PalavoIF>(services->Services(), std::move(options));
        host = std::make_unique<CliHost>(*component, *component, services->TransferUi(), print);
        Send(R"({"set":"PortNo","value":)" + QByteArray::number(chatPort) + "}");
        Send(R"({"set":"MyAliase","value":"自分"})");
        Send(R"({"call":"Entry","args":[1,""]})");
        Receive(Peer, CMD_ENTRY, Cp932::FromUnicode(u"太郎"));
        Receive(Peer, CMD_SEND_INFO, "Palavo XP 1.0");
        out.clear();
    }

    std::vector<QByteArray> Send(const QByteArray& line)
    {
        const size_t before = out.size();
        host->Feed(line + '\n');
        return {out.begin() + static_cast<std::ptrdiff_t>(before), out.end()};
    }

    std::vector<QByteArray> Receive(const QByteArray& from, int32_t command,
                                    const QByteArray& extra)
    {
        const size_t before = out.size();
        PostWindowMessage(component.get(),
                          std::make_unique<SocketMessage>(
                              WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, from, chatPort},
                              BuildPacket({700, "u", "h"}, command, extra)));
        QCoreApplication::sendPostedEvents(component.get());
        QCoreApplication::sendPostedEvents(component.get());
        return {out.begin() + static_cast<std::ptrdiff_t>(before), out.end()};
    }

    std::vector<QByteArray> Offer(int port, const char* size = "3000")
    {
        return Receive(
            Peer, CMD_XML_MESSAGE | OPT_SEND_CHECK,
            Cp932::FromUnicode(QString::fromUtf8(
                "<Command>FileTransfer</Command><Sender>太郎</Sender><PortNo>" +
                QByteArray::number(port) + "</PortNo><FileName>a.txt</FileName><FileSize>" + size +
                "</FileSize><Comment>よろしく</Comment>")));
    }

    bool Printed(const QByteArray& line) const
    {
        return std::find(out.begin(), out.end(), line) != out.end();
    }

    const int chatPort = FreeChatPort();
    QTemporaryDir home;
    std::vector<SentDatagram> sent;
    std::unique_ptr<CliServices> services;
    std::unique_ptr<PalavoIF> component;
    std::vector<QByteArray> out;
    std::unique_ptr<CliHost> host;
};

QByteArray ReceiveLine(const char* buttons, const char* progressText = "",
                       const char* progress = R"({"min":0,"max":100,"value":0})",
                       const char* visible = "true")
{
    return QByteArray(R"({"window":"FileReceiveWindow","state":{"visible":)") + visible +
           R"(,"caption":"ファイル受信","headline":"太郎さんから、ファイル a.txt を受け取ります",)"
           R"("commentLabel":"コメント","comment":"よろしく","progressText":")" +
           progressText + R"(","progress":)" + progress + R"(,"buttons":)" + buttons + "}}";
}

const char* const Offered =
    R"({"ファイルを開く":false,"受信・保存":true,"受信拒否":true,"閉じる":false})";
const char* const Receiving =
    R"({"ファイルを開く":false,"受信・保存":false,"受信拒否":true,"閉じる":false})";
const char* const Finished =
    R"({"ファイルを開く":true,"受信・保存":false,"受信拒否":false,"閉じる":true})";

TEST_F(CliWindowsTest, AReceiveWindowFromOfferToClose)
{
    RawSocket sender;
    const int port = sender.Listen();
    std::vector<QByteArray> lines = Offer(port);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].toStdString(), ReceiveLine(Offered).toStdString());
    EXPECT_EQ(lines[1], R"({"beep":{"frequency":1000,"duration":200}})");

    // Without savePath the dialog is cancelled.
    lines = Send(R"({"id":1,"press":"FileReceiveWindow","button":"受信・保存"})");
    EXPECT_EQ(lines, (std::vector<QByteArray>{R"({"saveAs":{"fileName":"a.txt","path":null}})",
                                              R"({"id":1,"ok":true})"}));

    const QString target = QDir(home.path()).filePath(QStringLiteral("受信.txt"));
    lines = Send(R"({"id":2,"press":"FileReceiveWindow","button":"受信・保存","savePath":")" +
                 target.toUtf8() + "\"}");
    EXPECT_EQ(lines, (std::vector<QByteArray>{R"({"saveAs":{"fileName":"a.txt","path":")" +
                                                  target.toUtf8() + "\"}}",
                                              ReceiveLine(Receiving), R"({"id":2,"ok":true})"}));

    ASSERT_TRUE(sender.Accept());
    const QByteArray bytes = PatternBytes(3000);
    ASSERT_TRUE(sender.SendAll(bytes));
    ASSERT_TRUE(
        WaitUntil([&] { return Printed(R"({"beep":{"frequency":2000,"duration":1000}})"); }));
    EXPECT_TRUE(Printed(ReceiveLine(Receiving, "3000バイト中、3000バイト受信 (100％)",
                                    R"({"min":0,"max":3000,"value":3000})")));
    EXPECT_TRUE(Printed(ReceiveLine(Finished, "3000バイト中、3000バイト受信 (100％)",
                                    R"({"min":0,"max":3000,"value":3000})")));
    EXPECT_EQ(ReadFile(target), bytes);

    lines = Send(R"({"id":3,"press":"FileReceiveWindow","button":"ファイルを開く"})");
    EXPECT_EQ(lines,
              (std::vector<QByteArray>{R"({"shellOpen":{"path":")" + target.toUtf8() + "\"}}",
                                       R"({"id":3,"ok":true})"}));
    lines = Send(R"({"id":4,"press":"FileReceiveWindow","button":"閉じる"})");
    EXPECT_EQ(lines,
              (std::vector<QByteArray>{ReceiveLine(Finished, "3000バイト中、3000バイト受信 (100％)",
                                                   R"({"min":0,"max":3000,"value":3000})", "false"),
                                       R"({"id":4,"ok":true})"}));
    EXPECT_EQ(
        Send(R"({"id":5,"press":"FileReceiveWindow","button":"閉じる"})"),
        std::vector<QByteArray>{R"({"id":5,"ok":false,"error":"no FileReceiveWindow is open"})"});
}

TEST_F(CliWindowsTest, ASendWindowAndItsStopButton)
{
    const QString file = QDir(home.path()).filePath(QStringLiteral("a.bin"));
    WriteFile(file, PatternBytes(100));
    std::vector<QByteArray> lines = Send(R"({"id":1,"call":"FileTransfer","args":["127.0.0.1",")" +
                                         file.toUtf8() + R"(","x"]})");
    const QByteArray waiting =
        R"({"window":"FileSendWindow","state":{"visible":true,"caption":"ファイル送信",)"
        R"("stateText":"相手の受信承諾を待っています","progressText":"",)"
        R"("progress":{"min":0,"max":100,"value":0},"buttons":{"転送中止":true}}})";
    EXPECT_EQ(lines, (std::vector<QByteArray>{waiting, R"({"id":1,"ok":true,"result":0})"}));

    // The offer's receipt frees the channel for the stop command.
    Receive(Peer, CMD_XML_RECEIPT, "1");
    lines = Send(R"({"id":2,"press":"FileSendWindow","button":"転送中止"})");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].contains(R"("visible":true)") &&
                lines[0].contains(R"({"転送中止":false})"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(R"("visible":false)")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], R"({"id":2,"ok":true})");
}

TEST_F(CliWindowsTest, PressesThatCannotBeDone)
{
    Offer(3000);
    const struct {
        const char* request;
        const char* error;
    } cases[] = {
        {R"({"id":1,"press":"FileSendWindow","button":"転送中止"})", "no FileSendWindow is open"},
        {R"({"id":2,"press":"FileReceiveWindow","button":"閉じる"})",
         "button '閉じる' is disabled"},
        {R"({"id":3,"press":"FileReceiveWindow","button":"OK"})",
         "FileReceiveWindow has no button 'OK'"},
        {R"({"id":4,"press":"MainWindow","button":"OK"})",
         "unknown window 'MainWindow' (FileSendWindow or FileReceiveWindow)"},
        {R"({"id":5,"press":"FileReceiveWindow"})",
         R"(\"press\" needs a window name and a \"button\" text)"},
        {R"({"id":6,"press":"FileReceiveWindow","button":"受信拒否","savePath":7})",
         R"(\"savePath\" must be a text)"},
        {R"({"id":7,"press":"FileReceiveWindow","button":"受信拒否","call":"Drop"})",
         R"(\"press\" goes without \"call\", \"set\" or \"get\")"},
    };
    for (const auto& c : cases) {
        const std::vector<QByteArray> lines = Send(c.request);
        ASSERT_EQ(lines.size(), 1u) << c.request;
        const QJsonObject answer = QJsonDocument::fromJson(lines[0]).object();
        EXPECT_FALSE(answer["ok"].toBool()) << c.request;
        EXPECT_EQ(lines[0].toStdString(),
                  (QByteArray(R"({"id":)") + QByteArray::number(answer["id"].toInt()) +
                   R"(,"ok":false,"error":")" + c.error + "\"}")
                      .toStdString());
    }
}

} // namespace
