#include "MessageTestSupport.h"

#include "engine/Commands.h"
#include "platform/WindowMessage.h"

#include <memory>

namespace
{

using PrivateMessages = EngineTest;
using ReceivedMessages = EngineTest;
using GroupMessages = EngineTest;

TEST(EngineTiming, DefaultsAreTheProductWaits)
{
    const EngineTiming timing;
    EXPECT_EQ(timing.ReceiptTimeoutMs, 3000);
    EXPECT_EQ(timing.XmlResendMs, 2000);
    EXPECT_EQ(timing.DropWaitMs, 1000);
}

TEST_F(PrivateMessages, GoToTheMemberAndWaitForAReceipt)
{
    AddMember("10.0.0.2");
    h.engine->SendPrivateMessage("10.0.0.2", "hello:world");
    EXPECT_EQ(Joined(Describe(h.sent)), Joined(QStringList{"10.0.0.2:2425 0x120 hello:world"}));
    EXPECT_TRUE(h.sent.at(0).Bytes.endsWith(QByteArray("hello:world\0", 12))); // text and one NUL
    EXPECT_TRUE(h.engine->SendBusy());
}

TEST_F(PrivateMessages, NothingGoesOutWithoutASocketOrToAStranger)
{
    AddMember("10.0.0.2");
    h.engine->SendPrivateMessage("10.0.0.3", "hi");
    h.engine->SendGroupMessage("10.0.0.3", "hi", "Dev");
    h.engine->SendXmlMessage("10.0.0.3", "<Command>RejectVoIP</Command>");
    EXPECT_TRUE(h.sent.empty());
    EXPECT_FALSE(h.engine->SendBusy());

    // Closed while a message waits: nothing goes out, and nobody is asked to wait.
    h.engine->SendPrivateMessage("10.0.0.2", "hi");
    h.engine->Drop();
    Forget();
    h.engine->SendPrivateMessage("10.0.0.2", "hi");
    h.engine->SendGroupMessage("10.0.0.2", "hi", "Dev");
    h.engine->SendXmlMessage("10.0.0.2", "<Command>RejectVoIP</Command>");
    h.engine->CastGroupMessage("hi", "Dev");
    EXPECT_TRUE(h.sent.empty());
    EXPECT_TRUE(Notices().isEmpty());
}

// Only one message ever waits, so whatever receipt comes ends the wait.
TEST_F(PrivateMessages, AnyReceiptEndsTheWait)
{
    struct Case {
        const char* from;
        uint32_t acknowledged;
    };
    const Case cases[] = {
        {"10.0.0.2", 101}, // the member, some number
        {"10.0.0.2", 0},
        {"10.9.9.9", 777}, // not even a member
    };
    AddMember("10.0.0.2");
    for (const Case& c : cases) {
        h.engine->SendPrivateMessage("10.0.0.2", "hello");
        ASSERT_TRUE(h.engine->SendBusy());
        h.ReceivePacket(c.from, 2425, CMD_RECEIPT, ReceiptExtra(c.acknowledged));
        EXPECT_FALSE(h.engine->SendBusy()) << c.from << " " << c.acknowledged;
    }
    EXPECT_EQ(h.sent.size(), std::size(cases)); // none was refused
    RunEventLoopFor(ShortTiming.ReceiptTimeoutMs * 2);
    EXPECT_TRUE(Notices().isEmpty()); // the stopped wait never expires
}

// The wait's timer stays armed after a receipt; a later message still gets its full wait.
TEST_F(PrivateMessages, AMessageSentAfterAnAnsweredOneIsOwedItsFullWait)
{
    AddMember("10.0.0.2");
    h.engine->SendPrivateMessage("10.0.0.2", "first");
    h.ReceivePacket("10.0.0.2", 2425, CMD_RECEIPT, ReceiptExtra(0));
    RunEventLoopFor(ShortTiming.ReceiptTimeoutMs / 2);
    const QDeadlineTimer owed(ShortTiming.ReceiptTimeoutMs, Qt::PreciseTimer);
    h.engine->SendPrivateMessage("10.0.0.2", "second");
    ASSERT_TRUE(WaitUntil([&] { return !Notices().isEmpty(); }));
    EXPECT_TRUE(owed.hasExpired()) << owed.remainingTime() << " ms early";
    EXPECT_EQ(Joined(Notices()), "ReceiptTimedOut busy=0");
}

TEST_F(PrivateMessages, WhileWaitingFurtherSendsAreRefusedButCastsGoOut)
{
    AddMember("10.0.0.2");
    h.engine->SendPrivateMessage("10.0.0.2", "first");
    h.engine->SendPrivateMessage("10.0.0.2", "second");
    h.engine->SendGroupMessage("10.0.0.2", "to all", "Dev");
    EXPECT_EQ(Joined(Notices()), Joined(QStringList{"SendWhileBusy", "SendWhileBusy"}));
    h.engine->CastGroupMessage("cast", "Dev");
    EXPECT_EQ(Joined(Describe(h.sent)),
              Joined(QStringList{"10.0.0.2:2425 0x120 first",
                                 "255.255.255.255:2425 0x26 cast groups=Dev"}));
}

TEST_F(PrivateMessages, WithoutAReceiptTheUserIsToldOnceAndTheEngineIsFreeAgain)
{
    AddMember("10.0.0.2");
    h.engine->SendPrivateMessage("10.0.0.2", "hello");
    ASSERT_TRUE(WaitUntil([&] { return !Notices().isEmpty(); }));
    // Idle already when the owner hears it, so the owner may send from its notice.
    EXPECT_EQ(Joined(Notices()), "ReceiptTimedOut busy=0");
    EXPECT_FALSE(h.engine->SendBusy());

    RunEventLoopFor(ShortTiming.ReceiptTimeoutMs * 2);
    EXPECT_EQ(Notices().size(), 1); // no second notice
    EXPECT_EQ(h.sent.size(), 1u);   // and the message is not sent again

    h.engine->SendPrivateMessage("10.0.0.2", "again");
    EXPECT_EQ(h.sent.size(), 2u);
}

// A new entry starts from idle: whatever waited is neither announced as lost nor resent,
// and the next send goes out at once.
TEST_F(PrivateMessages, EntryEndsEveryWait)
{
    struct Case {
        const char* what;
        void (*send)(ProtocolEngine&);
        const char* sent;
    };
    const Case cases[] = {
        {"private message", [](ProtocolEngine& e) { e.SendPrivateMessage("10.0.0.2", "hello"); },
         "10.0.0.2:2425 0x120 hello"},
        {"XML command",
         [](ProtocolEngine& e) { e.SendXmlMessage("10.0.0.2", "<Command>RejectVoIP</Command>"); },
         "10.0.0.2:2425 0x128 <Command>RejectVoIP</Command>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AddMember("10.0.0.2");
        c.send(*h.engine);
        ASSERT_TRUE(h.engine->SendBusy());
        ASSERT_TRUE(h.engine->Entry("myhost", "myuser").Ok);
        EXPECT_FALSE(h.engine->SendBusy());
        RunEventLoopFor(std::max(ShortTiming.ReceiptTimeoutMs, ShortTiming.XmlResendMs) * 2);
        EXPECT_TRUE(Notices().isEmpty());                         // no "not delivered" notice
        ASSERT_EQ(h.sent.size(), 2u) << Joined(Describe(h.sent)); // no resend
        EXPECT_EQ(Describe(h.sent[0]), QString::fromLatin1(c.sent));
        EXPECT_EQ(h.sent[1].Host, "255.255.255.255");
        Forget();
        c.send(*h.engine); // not refused as busy
        EXPECT_EQ(Joined(Describe(h.sent)), c.sent);
        EXPECT_TRUE(Notices().isEmpty()); // not refused as busy
        h.ReceivePacket("10.0.0.2", 2425, CMD_RECEIPT, ReceiptExtra(0));
        h.ReceivePacket("10.0.0.2", 2425, CMD_XML_RECEIPT, ReceiptExtra(0));
        Forget();
    }
}

// Events and sent datagrams, each list joined by " | ".
TEST_F(ReceivedMessages, AreRaisedAnsweredOrDroppedBySender)
{
    struct Case {
        const char* from;
        int command;
        std::optional<QByteArrayView> groupPart;
        const char* events;
        const char* sent;
    };
    // clang-format off
    const Case cases[] = {
        // A member: the member's port, not the source port, in the event and the receipt.
        {"10.0.0.2", 0x120, {}, "MessageReceived 10.0.0.2:2425 group= secret=0 text=hi",
         "10.0.0.2:2425 0x21 500"},
        {"10.0.0.2", 0x20, {}, "MessageReceived 10.0.0.2:2425 group= secret=0 text=hi", ""},
        {"10.0.0.2", 0x320, {}, "MessageReceived 10.0.0.2:2425 group= secret=1 text=hi",
         "10.0.0.2:2425 0x21 500"},
        {"10.0.0.2", 0x420, QByteArrayView("Dev\0Ops", 7),
         "MessageReceived 10.0.0.2:2425 group=Dev,Ops secret=0 text=hi", ""},
        {"10.0.0.2", 0x80120, {}, "MessageReceived 10.0.0.2:2425 group= secret=0 text=hi",
         "10.0.0.2:2425 0x21 500"},
        // A stranger: its source port, no receipt, our entry instead; unless it asks not to
        // be listed, when it leaves no trace.
        {"10.0.0.9", 0x120, {}, "MessageReceived 10.0.0.9:3000 group= secret=0 text=hi",
         "10.0.0.9:3000 0x1 me groups=A,B"},
        {"10.0.0.9", 0x80120, {}, "", ""},
        // Casts: from members only, never answered.
        {"10.0.0.2", 0x26, QByteArrayView("Dev,Ops"),
         "GroupMessageReceived 10.0.0.2:2425 group=Dev,Ops text=hi", ""},
        {"10.0.0.9", 0x26, QByteArrayView("Dev"), "", ""},
    };
    // clang-format on
    AddMember("10.0.0.2");
    for (const Case& c : cases) {
        h.ReceivePacket(c.from, 3000, c.command, "hi", c.groupPart);
        EXPECT_EQ(Joined(h.events.Lines), c.events) << c.from << " " << c.command;
        EXPECT_EQ(Joined(Describe(h.sent)), c.sent) << c.from << " " << c.command;
        Forget();
    }
    EXPECT_EQ(h.engine->Members().size(), 1u); // strangers join by answering, not by writing
}

// While away with a reply text, a private message is answered once; group messages and
// other automatic replies never are, or two absent users would answer each other for ever.
TEST_F(ReceivedMessages, AwayUsersAnswerPrivateMessagesOnce)
{
    struct Case {
        int exist;
        const char* absentResponse;
        const char* from;
        int command;
        const char* events;
        const char* sent;
    };
    const char* const raised = "MessageReceived 10.0.0.2:2425 group= secret=0 text=hi";
    // clang-format off
    const Case cases[] = {
        {0, "away", "10.0.0.2", 0x120,
         "MessageReceived 10.0.0.2:2425 group= secret=0 text=hi | AutoResponsed 10.0.0.2 text=away",
         "10.0.0.2:2425 0x21 500 | 10.0.0.2:3000 0x2020 away"},
        {0, "away", "10.0.0.9", 0x20,
         "MessageReceived 10.0.0.9:3000 group= secret=0 text=hi | AutoResponsed 10.0.0.9 text=away",
         "10.0.0.9:3000 0x101 me[Lunch] groups=A,B | 10.0.0.9:3000 0x2020 away"},
        {0, "away", "10.0.0.2", 0x420, raised, ""},  // group message
        {0, "away", "10.0.0.2", 0x2020, raised, ""}, // automatic reply
        {0, "away", "10.0.0.9", 0x80120, "", ""},    // unlisted stranger
        {0, "", "10.0.0.2", 0x20, raised, ""},       // nothing to reply
        {1, "away", "10.0.0.2", 0x20, raised, ""},   // present
    };
    // clang-format on
    AddMember("10.0.0.2");
    for (const Case& c : cases) {
        h.engine->UpdatePresense(c.exist, "Lunch", c.absentResponse);
        Forget();
        h.ReceivePacket(c.from, 3000, c.command, "hi");
        EXPECT_EQ(Joined(h.events.Lines), c.events) << c.from << " " << c.command;
        EXPECT_EQ(Joined(Describe(h.sent)), c.sent) << c.from << " " << c.command;
    }
}

TEST_F(ReceivedMessages, TextsAreHandedOnCutTo8191BytesOnACharacterBoundary)
{
    struct Case {
        int windowMessage;
        QByteArray extra;
        qsizetype delivered;
    };
    const QByteArray ascii(9000, 'x');
    // A double-byte character at bytes 8190 and 8191 is left out whole.
    const QByteArray straddling = QByteArray(8190, 'x') + "\x82\xA0" + QByteArray(100, 'y');
    const Case cases[] = {
        {WM_PACKET_MESSAGE, ascii, 8191},
        {WM_PACKET_MESSAGE, straddling, 8190},
        {WM_PACKET_MESSAGE, QByteArray(8191, 'x'), 8191},
        {WM_PACKET_CAST, ascii, 8191},
        {WM_PACKET_CAST, straddling, 8190},
    };
    AddMember("10.0.0.2");
    for (const Case& c : cases) {
        // Straight to the handler: a datagram cannot carry that much text past the parser.
        ReceivedPacket packet;
        packet.Command = c.windowMessage == WM_PACKET_CAST ? CMD_CAST_MESSAGE : CMD_SEND_MESSAGE;
        packet.PacketNo = 500;
        packet.Source = {SocketEvent::DataReceived, "10.0.0.2", 2425};
        packet.Extra = c.extra;
        PostWindowMessage(&h.window, std::make_unique<PacketMessage>(c.windowMessage, packet));
        QCoreApplication::sendPostedEvents(&h.window);
        ASSERT_EQ(h.events.Messages.size(), 1u);
        EXPECT_EQ(h.events.Messages[0], c.extra.first(c.delivered));
        Forget();
    }

    // The longest text a datagram can carry arrives whole.
    const QByteArray most(8192 - 21, 'z'); // after "1:500:user:host:288:" and the NUL
    h.ReceivePacket("10.0.0.2", 2425, 0x120, most);
    ASSERT_EQ(h.events.Messages.size(), 1u);
    EXPECT_EQ(h.events.Messages[0], most);
}

TEST_F(GroupMessages, GoToEverybodyWithTheGroupNameWholeAndWaitForNothing)
{
    h.engine->Own().BroadCastIPAddresses = "10.0.1.255";
    AddMember("10.0.0.2");
    h.engine->SendGroupMessage("10.0.0.2", "hi all", "Dev,Ops");
    EXPECT_FALSE(h.engine->SendBusy());
    h.engine->SendGroupMessage("10.0.0.2", "again", "Dev");
    EXPECT_TRUE(Notices().isEmpty());
    EXPECT_EQ(Joined(Describe(h.sent)),
              Joined(QStringList{"255.255.255.255:2425 0x420 hi all groups=Dev,Ops",
                                 "10.0.1.255:2425 0x420 hi all groups=Dev,Ops",
                                 "255.255.255.255:2425 0x420 again groups=Dev",
                                 "10.0.1.255:2425 0x420 again groups=Dev"}));
    // The comma is part of the one name: text, NUL, the name, NUL.
    EXPECT_TRUE(h.sent[0].Bytes.endsWith(QByteArray("hi all\0Dev,Ops\0", 15)));

    RunEventLoopFor(ShortTiming.ReceiptTimeoutMs * 2);
    EXPECT_TRUE(Notices().isEmpty()); // no false "not delivered"
}

TEST_F(GroupMessages, CastsGoToEverybodyAndWaitForNothing)
{
    h.engine->Own().BroadCastIPAddresses = "10.0.1.255, 10.0.2.255";
    h.engine->CastGroupMessage("hi", "Dev,Ops"); // no member needed
    EXPECT_FALSE(h.engine->SendBusy());
    EXPECT_EQ(Joined(Describe(h.sent)),
              Joined(QStringList{"255.255.255.255:2425 0x26 hi groups=Dev,Ops",
                                 "10.0.1.255:2425 0x26 hi groups=Dev,Ops",
                                 "10.0.2.255:2425 0x26 hi groups=Dev,Ops"}));
    EXPECT_TRUE(h.sent[0].Bytes.endsWith(QByteArray("hi\0Dev,Ops\0", 11)));
}

} // namespace
