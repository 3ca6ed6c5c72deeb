#include "CliHost.h"
#include "CliServices.h"

#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "platform/Cp932.h"
#include "support/EventWaiter.h"
#include "support/FakeDatagramSocket.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

constexpr int ReceiptMs = 50;

// The line protocol with the component behind it and no network: a fake socket
// records what would be sent, and datagrams are handed in as the socket would post them.
class CliHostTest : public testing::Test
{
protected:
    CliHostTest()
    {
        PalavoIF::Options options;
        options.MakeSocket = [this](QObject*) {
            return std::make_unique<FakeDatagramSocket>(sent);
        };
        options.Timing = {ReceiptMs, 50, 0}; // receipt, XML resend, exit wait
        options.DebugFlag = false;
        options.SettingsDir = home.path();
        const auto print = [this](const QByteArray& line) {
            ASSERT_TRUE(line.endsWith('\n'));
            ASSERT_EQ(line.count('\n'), 1) << "one object a line";
            out.push_back(line.chopped(1));
        };
        services = std::make_unique<CliServices>(print);
        component = std::make_unique<PalavoIF>(services->Services(), std::move(options));
        host = std::make_unique<CliHost>(*component, *component, services->TransferUi(), print);
    }

    // Feeds one request line and returns everything it printed.
    std::vector<QByteArray> Send(const QByteArray& line)
    {
        const size_t before = out.size();
        host->Feed(line + '\n');
        return {out.begin() + static_cast<std::ptrdiff_t>(before), out.end()};
    }

    void Receive(const QByteArray& from, int32_t command, const QByteArray& extra,
                 uint32_t packetNo = 500)
    {
        const QByteArray bytes = BuildPacket({packetNo, "hana", "pc9"}, command, extra, "");
        PostWindowMessage(
            component.get(),
            std::make_unique<SocketMessage>(
                WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, from, 2425}, bytes));
        QCoreApplication::sendPostedEvents(); // the datagram
        QCoreApplication::sendPostedEvents(); // the packet queued for its handler
    }

    int SentWithCommand(int32_t command) const
    {
        int count = 0;
        for (const SentDatagram& d : sent)
            count += d.Bytes.split(':').value(4).toInt() == command;
        return count;
    }

    QTemporaryDir home;
    std::vector<SentDatagram> sent;
    std::unique_ptr<CliServices> services;
    std::unique_ptr<PalavoIF> component;
    std::vector<QByteArray> out;
    std::unique_ptr<CliHost> host;
};

TEST_F(CliHostTest, TranscriptOfRequestsAndAnswers)
{
    struct Case {
        const char* request;
        const char* answer; // nullptr: nothing at all
    };
    const Case cases[] = {
        {R"({"id":1,"set":"MyAliase","value":"太郎"})", R"({"id":1,"ok":true})"},
        {R"({"id":2,"get":"MyAliase"})", R"({"id":2,"ok":true,"value":"太郎"})"},
        {R"({"id":3,"set":"PortNo","value":2425})", R"({"id":3,"ok":true})"},
        {R"({"id":"p","get":"PortNo"})", R"({"id":"p","ok":true,"value":2425})"},
        // Groups never answers with what it holds; the caller keeps its own empty text.
        {R"({"id":4,"set":"Groups","value":"開発部"})", R"({"id":4,"ok":true})"},
        {R"({"id":5,"get":"Groups"})", R"({"id":5,"ok":true,"value":""})"},
        {R"({"id":6,"set":"BackColor","value":4294967295})", R"({"id":6,"ok":true})"},
        {R"({"id":7,"get":"BackColor"})", R"({"id":7,"ok":true,"value":4294967295})"},
        // Members with an out-value answer with "result".
        {R"({"id":8,"call":"GetAppInfo","args":["10.0.0.2"]})",
         R"({"id":8,"ok":true,"result":""})"},
        {R"({"id":9,"call":"RequestVoIP","args":["10.0.0.2",5060,true,false]})",
         R"({"id":9,"ok":true,"result":-1})"},
        {R"({"call":"ReEntry"})", R"({"ok":true})"},
        // A failing member answers with its error description.
        {R"({"id":10,"call":"CastGroupMessage","args":["やあ",""]})",
         R"({"id":10,"ok":false,"error":"グループ名が指定されていません"})"},
        {R"({"id":11,"call":"SendGroupMessage","args":["10.0.0.2",1,"x",""]})",
         R"({"id":11,"ok":false,"error":"グループ名が指定されていません"})"},
        // Mistakes of the caller never reach the component.
        {R"({"id":12,"call":"Frobnicate"})",
         R"({"id":12,"ok":false,"error":"unknown member: Frobnicate"})"},
        {R"({"id":13,"call":"MyAliase","args":["x"]})",
         R"({"id":13,"ok":false,"error":"MyAliase is a property: use \"set\" or \"get\""})"},
        {R"({"id":14,"get":"Drop"})",
         R"({"id":14,"ok":false,"error":"Drop is a method: use \"call\""})"},
        {R"({"id":15,"call":"Entry","args":[1]})",
         R"({"id":15,"ok":false,"error":"Entry takes 2 arguments (Exist, Location), got 1"})"},
        {R"({"id":16,"call":"Entry","args":["1",""]})",
         R"({"id":16,"ok":false,"error":"Entry argument 1 (Exist) must be an integer"})"},
        {R"({"id":17,"set":"PortNo","value":1.5})",
         R"({"id":17,"ok":false,"error":"PortNo argument 1 (value) must be an integer"})"},
        {R"({"id":18,"set":"PortNo","value":4294967296})",
         R"({"id":18,"ok":false,"error":"PortNo argument 1 (value) must be an integer"})"},
        {R"({"id":19,"call":"Drop","args":{}})",
         R"({"id":19,"ok":false,"error":"\"args\" must be an array"})"},
        {R"({"id":20,"set":"MyAliase"})",
         R"({"id":20,"ok":false,"error":"\"set\" needs a \"value\""})"},
        {R"({"id":21})",
         R"({"id":21,"ok":false,"error":"a request needs exactly one of \"call\", \"set\" or \"get\""})"},
        {R"({"id":22,"call":7})",
         R"({"id":22,"ok":false,"error":"the member name must be a string"})"},
        // Lines that are not a request at all; the id is kept when it can be read.
        {R"({"id":23,"call":"Drop",)",
         R"({"id":23,"ok":false,"error":"malformed JSON: unterminated object at offset 23"})"},
        {"garbage", R"({"ok":false,"error":"malformed JSON: illegal value at offset 1"})"},
        {"[1,2]", R"({"ok":false,"error":"a request must be a JSON object"})"},
        {"   ", nullptr},
        // And the host goes on afterwards.
        {R"({"id":24,"get":"MyAliase"})", R"({"id":24,"ok":true,"value":"太郎"})"},
    };
    for (const Case& c : cases) {
        const std::vector<QByteArray> lines = Send(c.request);
        if (c.answer == nullptr) {
            EXPECT_TRUE(lines.empty()) << c.request;
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << c.request;
        EXPECT_EQ(lines[0].toStdString(), std::string(c.answer)) << c.request;
    }
    EXPECT_TRUE(sent.empty()) << "nothing was sent before Entry";
}

TEST_F(CliHostTest, BooleansAsTrueFalseOrZeroOne)
{
    struct Case {
        const char* value;
        bool ok;
        int32_t stored;
    };
    const Case cases[] = {
        {"true", true, 1}, {"false", true, 0}, {"1", true, 1},         {"0", true, 0},
        {"2", false, 0},   {"-1", false, 0},   {"\"true\"", false, 0}, {"null", false, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Send(R"({"call":"UseHostlist","args":[false]})").size(), 1u);
        const QByteArray request = QByteArray(R"({"call":"UseHostlist","args":[)") + c.value + "]}";
        const std::vector<QByteArray> lines = Send(request);
        ASSERT_EQ(lines.size(), 1u);
        const QJsonObject answer = QJsonDocument::fromJson(lines[0]).object();
        EXPECT_EQ(answer["ok"].toBool(), c.ok) << c.value << ": " << lines[0].constData();
        if (!c.ok) {
            EXPECT_EQ(answer["error"].toString(),
                      "UseHostlist argument 1 (bUse) must be a boolean (true/false or 0/1)");
        }
        EXPECT_EQ(component->Engine().Own().UseHostlist, c.stored) << c.value;
    }
}

TEST_F(CliHostTest, LinesArriveInPieces)
{
    const QByteArray request = R"({"id":1,"set":"MyAliase","value":"花子"})"
                               "\r\n"
                               R"({"id":2,"get":"MyAliase"})"
                               "\n"
                               R"({"id":3,"get":"MyAliase"})";
    // Byte by byte: the pieces split the UTF-8 of 花 and 子 as well.
    for (char byte : request)
        host->Feed(QByteArrayView(&byte, 1));
    ASSERT_EQ(out.size(), 2u) << "the last line waits for its newline";
    EXPECT_EQ(out[0], R"({"id":1,"ok":true})");
    EXPECT_EQ(out[1], R"({"id":2,"ok":true,"value":"花子"})");
    host->Finish();
    ASSERT_EQ(out.size(), 3u) << "end of input handles the unfinished last line";
    EXPECT_EQ(out[2], R"({"id":3,"ok":true,"value":"花子"})");
}

TEST_F(CliHostTest, EventsAndMessageBoxesAreLines)
{
    Send(R"({"set":"PortNo","value":2425})");
    ASSERT_EQ(Send(R"({"id":1,"call":"Entry","args":[0,""]})").back(), R"({"id":1,"ok":true})");

    Receive("10.0.0.9", CMD_ENTRY | OPT_ABSENCE,
            Cp932::FromUnicode(QStringLiteral("花子[会議中]")));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(
        out.back(),
        R"({"event":"MemberAdded","args":["10.0.0.9",2425,0,"会議中","花子","pc9","hana",""]})");
    Receive("10.0.0.9", CMD_SEND_MESSAGE | OPT_SEND_CHECK | OPT_SECRET,
            Cp932::FromUnicode(QStringLiteral("こんにちは")));
    EXPECT_EQ(out.back(),
              R"({"event":"MessageReceived","args":["10.0.0.9",2425,"","こんにちは",1]})");

    // A second message before the receipt: the busy box comes before the answer.
    Send(R"({"id":2,"call":"SendPrivateMessage","args":["10.0.0.9",1,"一通目"]})");
    const std::vector<QByteArray> busy =
        Send(R"({"id":3,"call":"SendPrivateMessage","args":["10.0.0.9",1,"二通目"]})");
    ASSERT_EQ(busy.size(), 2u);
    EXPECT_EQ(
        busy[0],
        "{\"messageBox\":{\"text\":\"ただいま先ほどのメッセージを送信中です。\\n2-3秒後に"
        "メッセージ送信ボタンを押し直してください。\",\"caption\":\"お願い\",\"icon\":\"none\"}}");
    EXPECT_EQ(busy[1], R"({"id":3,"ok":true})");

    // No receipt: the notice comes from the timer, answered at once so the loop goes on.
    ASSERT_TRUE(WaitUntil([&] { return out.back().contains("お知らせ"); }, 2000));
    EXPECT_EQ(out.back(),
              "{\"messageBox\":{\"text\":\"メッセージは上手く送信されなかったようです。\\n"
              "相手のマシンがダウンしている可能性があります。\",\"caption\":\"お知らせ\","
              "\"icon\":\"information\"}}");

    // With its receipt in time, the wait is over: no notice however long we wait (ten
    // times the receipt wait; a stalled machine only delays a notice that is due, and
    // the last pass of the loop still hands it over), and the next message goes out
    // without a box.
    Send(R"({"id":4,"call":"SendPrivateMessage","args":["10.0.0.9",1,"三通目"]})");
    Receive("10.0.0.9", CMD_RECEIPT, "777");
    const size_t before = out.size();
    WaitUntil([&] { return out.size() > before; }, 10 * ReceiptMs);
    QCoreApplication::processEvents();
    EXPECT_EQ(out.size(), before) << "a notice although the receipt came: "
                                  << out.back().constData();
    const std::vector<QByteArray> next =
        Send(R"({"id":5,"call":"SendPrivateMessage","args":["10.0.0.9",1,"四通目"]})");
    EXPECT_EQ(next, std::vector<QByteArray>{R"({"id":5,"ok":true})"});
}

TEST_F(CliHostTest, EndOfInputLeavesTheNetworkOnlyWhenEntered)
{
    struct Case {
        std::vector<const char*> script;
        int exits;
    };
    const Case cases[] = {
        {{}, 0},
        {{R"({"call":"Entry","args":[1,""]})"}, 1},
        {{R"({"call":"Entry","args":[1,""]})", R"({"call":"Drop"})"}, 1},
        {{R"({"call":"Entry","args":[1,""]})", R"({"call":"Drop"})",
          R"({"call":"Entry","args":[1,""]})"},
         2},
    };
    for (const Case& c : cases) {
        sent.clear();
        CliHost fresh(*component, *component, services->TransferUi(), [](const QByteArray&) {});
        for (const char* line : c.script)
            fresh.Feed(QByteArray(line) + '\n');
        fresh.Finish();
        fresh.Finish();
        EXPECT_EQ(SentWithCommand(CMD_EXIT), c.exits) << c.script.size() << " lines";
        EXPECT_FALSE(fresh.Entered());
    }
}

TEST_F(CliHostTest, ReadyIsTheFirstLine)
{
    EXPECT_EQ(out, std::vector<QByteArray>{}) << "printed before the host was ready";
    host->Ready();
    EXPECT_EQ(out, std::vector<QByteArray>{R"({"ready":true})"});
}

} // namespace
