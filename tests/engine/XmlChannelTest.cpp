#include "MessageTestSupport.h"

#include "engine/Commands.h"

namespace
{

using XmlCommands = EngineTest;
using ReceivedXml = EngineTest;

const QByteArray Reject = "<Command>RejectVoIP</Command>";

TEST_F(XmlCommands, GoToTheMemberAndWaitForAReceipt)
{
    AddMember("10.0.0.2");
    h.engine->SendXmlMessage("10.0.0.2", Reject);
    EXPECT_EQ(Joined(Describe(h.sent)),
              Joined(QStringList{"10.0.0.2:2425 0x128 " + QString::fromLatin1(Reject)}));
    EXPECT_TRUE(h.engine->SendBusy());
}

// Without a receipt the very same datagram (same packet number) goes once more, quietly.
TEST_F(XmlCommands, AreResentOnceWithoutAReceipt)
{
    AddMember("10.0.0.2");
    // Longer than the 511 bytes the product once kept: kept whole all the same.
    const QByteArray offer =
        XmlElement("Command", "FileTransfer") + XmlElement("Comment", QByteArray(1500, 'c'));
    h.engine->SendXmlMessage("10.0.0.2", offer);
    ASSERT_TRUE(WaitUntil([&] { return h.sent.size() == 2; }));
    EXPECT_EQ(h.sent[1].Host, "10.0.0.2");
    EXPECT_EQ(h.sent[1].Port, 2425);
    EXPECT_EQ(h.sent[1].Bytes, h.sent[0].Bytes);
    EXPECT_FALSE(h.engine->SendBusy());

    RunEventLoopFor(ShortTiming.XmlResendMs * 3);
    EXPECT_EQ(h.sent.size(), 2u); // once, not again
    EXPECT_TRUE(Notices().isEmpty());
}

TEST_F(XmlCommands, AnyReceiptStopsTheResend)
{
    struct Case {
        const char* from;
        uint32_t acknowledged;
    };
    const Case cases[] = {{"10.0.0.2", 101}, {"10.0.0.2", 9}, {"10.9.9.9", 101}};
    AddMember("10.0.0.2");
    for (const Case& c : cases) {
        h.engine->SendXmlMessage("10.0.0.2", Reject);
        h.ReceivePacket(c.from, 2425, CMD_XML_RECEIPT, ReceiptExtra(c.acknowledged));
        EXPECT_FALSE(h.engine->SendBusy()) << c.from;
    }
    RunEventLoopFor(ShortTiming.XmlResendMs * 3);
    EXPECT_EQ(h.sent.size(), std::size(cases)); // no resends
}

TEST_F(XmlCommands, WhileOneWaitsTheOthersAreRefused)
{
    AddMember("10.0.0.2");
    h.engine->SendXmlMessage("10.0.0.2", "<Command>RequestVoIP</Command>");
    h.engine->SendXmlMessage("10.0.0.2", "<Command>StopReqVoIP</Command>");
    h.engine->SendPrivateMessage("10.0.0.2", "hello");
    EXPECT_EQ(Joined(Notices()), Joined(QStringList{"SendWhileBusy", "SendWhileBusy"}));
    ASSERT_EQ(h.sent.size(), 1u);

    // A refused command does not cancel the resend of the one that waits.
    ASSERT_TRUE(WaitUntil([&] { return h.sent.size() == 2; }));
    EXPECT_EQ(h.sent[1].Bytes, h.sent[0].Bytes);

    // And a private message that waits refuses XML commands too.
    h.engine->SendPrivateMessage("10.0.0.2", "hello");
    h.engine->SendXmlMessage("10.0.0.2", Reject);
    EXPECT_EQ(Notices().size(), 3);
    EXPECT_EQ(h.sent.size(), 3u);
}

// Each command comes from a port other than the chat port: the receipt goes to the
// member's. Commands the component does not act on are still acknowledged.
TEST_F(ReceivedXml, IsAcknowledgedAndRoutedByItsCommand)
{
    struct Case {
        int command;
        const char* text;
        const char* event; // "" for none
    };
    // clang-format off
    const Case cases[] = {
        {0x128, "<Command>RejectVoIP</Command>", "Xml RejectVoIP from=10.0.0.2 Command=RejectVoIP"},
        {0x128, "<Command>rejectvoip</Command>", "Xml RejectVoIP from=10.0.0.2 Command=rejectvoip"},
        {0x128, "<command>  StopReqVoIP \r\n</command>",
         "Xml StopReqVoIP from=10.0.0.2 command=StopReqVoIP"},
        {0x128, "<Sender>x</Sender><COMMAND>stopfiletrans</COMMAND>",
         "Xml StopFileTrans from=10.0.0.2 Sender=x COMMAND=stopfiletrans"},
        {0x28, "<Command>RejectFileTrans</Command>", // no receipt asked for
         "Xml RejectFileTrans from=10.0.0.2 Command=RejectFileTrans"},
        {0x128, "<Command>FileTransfer</Command><Sender>Taro</Sender><PortNo>2426</PortNo>",
         "Xml FileTransfer from=10.0.0.2 Command=FileTransfer Sender=Taro PortNo=2426"},
        {0x128, "<Command>RequestVoIP</Command><PortNo>5060</PortNo><Video>on</Video>",
         "Xml RequestVoIP from=10.0.0.2 Command=RequestVoIP PortNo=5060 Video=on"},
        {0x128, "<command>RejectVoIP</Command>", ""}, // closing tag in another case
        {0x128, "<Command>RejectVoIP", ""},           // unclosed
        {0x128, "<Command>Hello</Command>", ""},
        {0x128, "<Command>RejectVoIPs</Command>", ""},
        {0x128, "", ""},
    };
    // clang-format on
    AddMember("10.0.0.2");
    for (const Case& c : cases) {
        h.ReceivePacket("10.0.0.2", 3000, c.command, c.text);
        EXPECT_EQ(Joined(h.events.Lines), c.event) << c.text;
        EXPECT_EQ(Joined(Describe(h.sent)), c.command == 0x128 ? "10.0.0.2:2425 0x29 500" : "")
            << c.text;
        Forget();
    }
}

TEST_F(ReceivedXml, FromStrangersIsDroppedWithoutAReceipt)
{
    h.ReceivePacket("10.0.0.9", 2425, 0x128, Reject);
    EXPECT_TRUE(h.events.Lines.isEmpty());
    EXPECT_TRUE(h.sent.empty());
}

} // namespace
