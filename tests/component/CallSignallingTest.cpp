#include "component/CallSignalling.h"

#include "ComponentHarness.h"
#include "support/EventWaiter.h"

#include <gtest/gtest.h>

namespace
{

const QString Busy = QStringLiteral("お願い|ただいま先ほどのメッセージを送信中です。\n"
                                    "2-3秒後にメッセージ送信ボタンを押し直してください。");

// An entered component that knows three members: a copy of this system, an IP
// Messenger peer, and a peer that has not told its application yet.
struct CallHarness : ComponentHarness {
    explicit CallHarness(EngineTiming timing = {}) : ComponentHarness(true, timing)
    {
        Enter();
        AddMember("10.0.0.2", QStringLiteral("太郎"), "Palavo XP 1.0.0");
        AddMember("10.0.0.3", QStringLiteral("花子"), "Win32 version 2.11");
        AddMember("10.0.0.4", QStringLiteral("次郎"), nullptr);
    }

    int32_t Request(const QString& address, int32_t port = 5060, VARIANT_BOOL video = 1,
                    VARIANT_BOOL capT120 = 0)
    {
        int32_t retCode = 99;
        EXPECT_EQ(component.RequestVoIP(address, port, video, capT120, &retCode), S_OK);
        return retCode;
    }
};

TEST(CallSignalling, RequestsGoOnlyToCopiesOfThisSystem)
{
    struct Case {
        QString address;
        int32_t retCode;
        QStringList sent;
    };
    const Case cases[] = {
        {QStringLiteral("10.0.0.2"),
         0,
         {"10.0.0.2:2425 0x128 <Command>RequestVoIP</Command><PortNo>5060</PortNo>"
          "<Video>ON</Video><capT120>DISABLE</capT120>"}},
        {QStringLiteral("10.0.0.3"), -1, {}}, // IP Messenger
        {QStringLiteral("10.0.0.4"), -1, {}}, // application not known yet
        {QStringLiteral("10.0.0.9"), -1, {}}, // not a member
    };
    for (const Case& c : cases) {
        CallHarness h;
        EXPECT_EQ(h.Request(c.address), c.retCode) << c.address.toStdString();
        EXPECT_EQ(h.SentLines(), c.sent) << c.address.toStdString();
    }
}

TEST(CallSignalling, RequestCarriesPortAndFlags)
{
    struct Case {
        int32_t port;
        VARIANT_BOOL video;
        VARIANT_BOOL capT120;
        const char* text;
    };
    const Case cases[] = {
        {5060, 1, 0,
         "<Command>RequestVoIP</Command><PortNo>5060</PortNo><Video>ON</Video>"
         "<capT120>DISABLE</capT120>"},
        {0, 0, 1,
         "<Command>RequestVoIP</Command><PortNo>0</PortNo><Video>OFF</Video>"
         "<capT120>ENABLE</capT120>"},
        {65535, -1, -1, // VARIANT_TRUE
         "<Command>RequestVoIP</Command><PortNo>65535</PortNo><Video>ON</Video>"
         "<capT120>ENABLE</capT120>"},
        {12345, 0, 0,
         "<Command>RequestVoIP</Command><PortNo>12345</PortNo><Video>OFF</Video>"
         "<capT120>DISABLE</capT120>"},
    };
    for (const Case& c : cases) {
        CallHarness h;
        EXPECT_EQ(h.Request(QStringLiteral("10.0.0.2"), c.port, c.video, c.capT120), 0);
        EXPECT_EQ(h.SentLines(),
                  QStringList{QStringLiteral("10.0.0.2:2425 0x128 ") + QLatin1String(c.text)});
    }
}

TEST(CallSignalling, ReceivedCommandsRaiseTheirEvents)
{
    struct Case {
        const char* from;
        const char* text;
        const char* event; // nullptr: nothing raised
    };
    const Case cases[] = {
        {"10.0.0.2", "<Command>RequestVoIP</Command><PortNo>5060</PortNo><Video>on</Video>",
         "VoIPRequestReceived 10.0.0.2 太郎 5060 1 0"},
        {"10.0.0.2",
         "<Command>RequestVoIP</Command><PortNo>7000</PortNo><Video>OFF</Video>"
         "<capT120>enable</capT120>",
         "VoIPRequestReceived 10.0.0.2 太郎 7000 0 1"},
        {"10.0.0.2", "<Command>RequestVoIP</Command><PortNo>5060</PortNo><Video>yes</Video>",
         "VoIPRequestReceived 10.0.0.2 太郎 5060 0 0"},
        {"10.0.0.2", "<Command>RequestVoIP</Command><Video>ON</Video>",
         "VoIPRequestReceived 10.0.0.2 太郎 0 1 0"},
        {"10.0.0.2", "<Command>RequestVoIP</Command><PortNo>12ab</PortNo>",
         "VoIPRequestReceived 10.0.0.2 太郎 12 0 0"},
        {"10.0.0.2", "<Command>RequestVoIP</Command><PortNo> 8000 </PortNo>",
         "VoIPRequestReceived 10.0.0.2 太郎 8000 0 0"},
        {"10.0.0.2", "<Command>RequestVoIP</Command><PortNo>-5</PortNo>",
         "VoIPRequestReceived 10.0.0.2 太郎 0 0 0"},
        {"10.0.0.2", "<PortNo>9</PortNo><command>requestvoip</command>",
         "VoIPRequestReceived 10.0.0.2 太郎 9 0 0"},
        // Receiving does not ask what the sender runs.
        {"10.0.0.3", "<Command>RequestVoIP</Command><PortNo>5060</PortNo>",
         "VoIPRequestReceived 10.0.0.3 花子 5060 0 0"},
        {"10.0.0.2", "<Command>RejectVoIP</Command>", "VoIPRejectReceived 10.0.0.2"},
        {"10.0.0.2", "<Command>rejectvoip</Command>", "VoIPRejectReceived 10.0.0.2"},
        {"10.0.0.2", "<Command> StopReqVoIP </Command>", "VoIPRequestStopReceived 10.0.0.2"},
        {"10.0.0.4", "<Command>StopReqVoIP</Command>", "VoIPRequestStopReceived 10.0.0.4"},
        {"10.0.0.9", "<Command>RequestVoIP</Command><PortNo>5060</PortNo>", nullptr},
        {"10.0.0.9", "<Command>RejectVoIP</Command>", nullptr},
        {"10.0.0.2", "<Command>RequestVoIP", nullptr},
    };
    CallHarness h;
    for (const Case& c : cases) {
        h.events.clear();
        h.ReceivePacket(c.from, CMD_XML_MESSAGE | OPT_SEND_CHECK, c.text);
        const QStringList expected =
            c.event != nullptr ? QStringList{QString::fromUtf8(c.event)} : QStringList{};
        EXPECT_EQ(h.events, expected) << c.from << " " << c.text;
    }
}

TEST(CallSignalling, RefusalAndWithdrawalGoToAnyMemberOnly)
{
    struct Case {
        bool reject; // else StopRequestVoIP
        QString address;
        QStringList sent;
    };
    const Case cases[] = {
        // No product test for these two.
        {true, QStringLiteral("10.0.0.3"), {"10.0.0.3:2425 0x128 <Command>RejectVoIP</Command>"}},
        {false, QStringLiteral("10.0.0.2"), {"10.0.0.2:2425 0x128 <Command>StopReqVoIP</Command>"}},
        {true, QStringLiteral("10.0.0.9"), {}},
        {false, QStringLiteral("10.0.0.9"), {}},
    };
    for (const Case& c : cases) {
        CallHarness h;
        EXPECT_EQ(c.reject ? h.component.RejectVoIP(c.address)
                           : h.component.StopRequestVoIP(c.address),
                  S_OK);
        EXPECT_EQ(h.SentLines(), c.sent) << c.reject << " " << c.address.toStdString();
        EXPECT_EQ(h.BoxTexts(), QStringList{});
    }
}

TEST(CallSignalling, WithdrawalWhileTheRequestAwaitsItsReceiptIsRefused)
{
    CallHarness h;
    ASSERT_EQ(h.Request(QStringLiteral("10.0.0.2")), 0);
    h.sent.clear();

    EXPECT_EQ(h.component.StopRequestVoIP(QStringLiteral("10.0.0.2")), S_OK);
    EXPECT_EQ(h.SentLines(), QStringList{});
    EXPECT_EQ(h.BoxTexts(), QStringList{Busy});

    // Once the receipt is in, the client's repeated withdrawal goes out.
    h.ReceivePacket("10.0.0.2", CMD_XML_RECEIPT, "101");
    EXPECT_EQ(h.component.StopRequestVoIP(QStringLiteral("10.0.0.2")), S_OK);
    EXPECT_EQ(h.SentLines(),
              QStringList{QStringLiteral("10.0.0.2:2425 0x128 <Command>StopReqVoIP</Command>")});
    EXPECT_EQ(h.BoxTexts(), QStringList{Busy});
}

// Toward an address that is not a member nothing is sent, so there is nothing to be
// refused for either: no busy box while another command waits.
TEST(CallSignalling, UnknownDestinationsStaySilentWhileACommandWaits)
{
    CallHarness h;
    ASSERT_EQ(h.Request(QStringLiteral("10.0.0.2")), 0);
    h.sent.clear();

    EXPECT_EQ(h.component.RejectVoIP(QStringLiteral("10.0.0.9")), S_OK);
    EXPECT_EQ(h.component.StopRequestVoIP(QStringLiteral("10.0.0.9")), S_OK);
    EXPECT_EQ(h.Request(QStringLiteral("10.0.0.9")), -1);
    EXPECT_EQ(h.SentLines(), QStringList{});
    EXPECT_EQ(h.BoxTexts(), QStringList{});
}

// The call manager refuses as often as a peer asks; while a command waits, a refusal
// shows no box and is held: the latest goes out once the wait is over.
TEST(CallSignalling, RefusalsWhileACommandWaitsAreHeldQuietly)
{
    CallHarness h(EngineTiming{60, 40, 0});
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(h.component.RejectVoIP(QStringLiteral("10.0.0.2")), S_OK);
    EXPECT_EQ(h.SentLines().size(), 1);
    // the resend of the first, then the held one
    ASSERT_TRUE(WaitUntil([&] { return h.SentLines().size() >= 3; }));
    EXPECT_EQ(h.SentLines(), QStringList(3, "10.0.0.2:2425 0x128 <Command>RejectVoIP</Command>"));
    EXPECT_EQ(h.BoxTexts(), QStringList{});
}

TEST(CallSignalling, TextsReadBackAsTheyWereWritten)
{
    for (const bool video : {false, true}) {
        for (const bool capT120 : {false, true}) {
            const CallSignalling::Request request = CallSignalling::ReadRequest(
                XmlElementList::Split(CallSignalling::RequestText(4321, video, capT120)));
            EXPECT_EQ(request.PortNo, 4321);
            EXPECT_EQ(request.Video, video);
            EXPECT_EQ(request.CapT120, capT120);
        }
    }
    EXPECT_EQ(XmlElementList::Split(CallSignalling::RejectText()).Value("Command"), "RejectVoIP");
    EXPECT_EQ(XmlElementList::Split(CallSignalling::StopRequestText()).Value("Command"),
              "StopReqVoIP");
}

} // namespace
